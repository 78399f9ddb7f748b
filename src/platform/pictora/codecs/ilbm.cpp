// PLACEHOLDER until the Ilbm codec lands: recognises nothing, reads and writes nothing.
#include "../internal.h"

namespace pictora {
bool sniffIlbm(const uint8_t*, size_t) { return false; }
bool decodeIlbm(const uint8_t*, size_t, TDibRecord*, Progress&, std::string& error) {
    error = kTextUnknownType;
    return false;
}
bool encodeIlbm(const TDibRecord&, int, std::vector<uint8_t>&, std::string& error) {
    error = "Dieses Dateiformat kann nicht gespeichert werden";
    return false;
}
} // namespace pictora
