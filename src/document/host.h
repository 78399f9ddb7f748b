// The one interface through which the core talks outwards: progress, message boxes, menu and
// histogram refresh, and the random source.  The Qt program, the command line tool and the
// tests each implement it.
#pragma once

#include "platform/message_flags.h"

#include <cstdint>
#include <random>
#include <string>

namespace pixorama {

class Host {
  public:
    virtual ~Host() = default;
    // Progress display: 0 at start and end, percent in between.
    virtual void SetProSatus(int percent) = 0;
    // Shows a message box; caption empty = the program's own caption.
    virtual int MessageBox(const std::string& text, const std::string& caption, int flags) = 0;
    virtual void UpdateMenuItems() {}
    virtual void Updatehistogramm() {}

    // The program's one random generator (seedable; reseeded from the clock where the program
    // does so).
    std::mt19937& Random() { return random_; }
    void Seed(uint32_t seed) { random_.seed(seed); }
    // Uniform integer 0 <= r < range (0 for range <= 0), like Pascal's Random(range).
    int RandomInt(int range);

  private:
    std::mt19937 random_{0x5eed};
};

// The standard shortage text.
inline constexpr const char* kTextNoMemory = "Fehler: nicht genug Speicher für diese Operation!";

} // namespace pixorama
