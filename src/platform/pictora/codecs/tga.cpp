// PLACEHOLDER until the Tga codec lands: recognises nothing, reads and writes nothing.
#include "../internal.h"

namespace pictora {
bool sniffTga(const uint8_t*, size_t) { return false; }
bool decodeTga(const uint8_t*, size_t, TDibRecord*, Progress&, std::string& error) {
    error = kTextUnknownType;
    return false;
}
bool encodeTga(const TDibRecord&, int, std::vector<uint8_t>&, std::string& error) {
    error = "Dieses Dateiformat kann nicht gespeichert werden";
    return false;
}
} // namespace pictora
