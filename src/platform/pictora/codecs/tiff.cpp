// PLACEHOLDER until the Tiff codec lands: recognises nothing, reads and writes nothing.
#include "../internal.h"

namespace pictora {
bool sniffTiff(const uint8_t*, size_t) { return false; }
bool decodeTiff(const uint8_t*, size_t, TDibRecord*, Progress&, std::string& error) {
    error = kTextUnknownType;
    return false;
}
bool encodeTiff(const TDibRecord&, int, std::vector<uint8_t>&, std::string& error) {
    error = "Dieses Dateiformat kann nicht gespeichert werden";
    return false;
}
} // namespace pictora
