// Shared part of the host interface: the random source.
#include "document/host.h"

namespace pixorama {

int Host::RandomInt(int range) {
    if (range <= 0) return 0;
    std::uniform_int_distribution<int> dist(0, range - 1);
    return dist(random_);
}

} // namespace pixorama
