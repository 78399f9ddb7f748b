// PLACEHOLDER until the Bmp codec lands: recognises nothing, reads and writes nothing.
#include "../internal.h"

namespace pictora {
bool sniffBmp(const uint8_t*, size_t) { return false; }
bool decodeBmp(const uint8_t*, size_t, TDibRecord*, Progress&, std::string& error) {
    error = kTextUnknownType;
    return false;
}
bool encodeBmp(const TDibRecord&, int, std::vector<uint8_t>&, std::string& error) {
    error = "Dieses Dateiformat kann nicht gespeichert werden";
    return false;
}
} // namespace pictora
