// Image arithmetic ("&Mathematik..."): two images of any depth and size combined pixel by pixel
// and channel by channel into a new 24-bit image, with divisor, shift and clipping or wrap-around.
#pragma once

#include "document/host.h"
#include "document/value_range.h"

#include <pictora.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pixorama {

// The functions in the order of the dialog's list.
enum class TMathFunction : int {
    Summe,
    Produkt,
    Dunkler,
    Differenz,
    BetragDerDifferenz,
    Heller,
    Durchschnitt,
    Und,
    Oder,
    ExklusivOder,
};
inline constexpr int kMathFunctionCount = 10;

// The dialog's list texts and the command line's names, both in list order.
extern const std::array<const char*, kMathFunctionCount> kMathFunctionItems;
extern const std::array<const char*, kMathFunctionCount> kMathFunctionCliNames;
// The channel lists ("Rot", "Grün", "Blau") and their command line names.
extern const std::array<const char*, 3> kMathChannelItems;
extern const std::array<const char*, 3> kMathChannelCliNames;

inline constexpr TIntRange kMathDivisorRange{1, 255, 1};
inline constexpr TIntRange kMathShiftRange{-255, 255, 0};

inline constexpr const char* kTextMathNoImage =
    "Fehler: Konnte Bild nicht erstellen! (Zuwenig Speicher?)";

struct TMathOptions {
    TMathFunction Function = TMathFunction::Summe;
    int32_t Divisor = 1; // 1..255
    int32_t Shift = 0;   // -255..255
    bool Clip = true;    // "Werte abschneiden"; off = wrap-around
    bool AllChannels = true;
    int Channel1 = 0; // 0 red, 1 green, 2 blue: the channel image 1 stands for without "Alle Kanäle"
    int Channel2 = 0;
};

// One channel value of the result from the channel values a and b.
int32_t MathValue(const TMathOptions& o, int32_t a, int32_t b);

// The result's size: the larger width and the larger height.
struct TMathSize {
    int32_t Width = 0, Height = 0;
};
TMathSize MathResultSize(const TDibRecord& image1, const TDibRecord& image2);
// "Ausgabegröße: 100 x 50"
std::string MathDestSizeText(const TMathSize& size);

// The two images combined as a new 24-bit record (progress by rows from the top, 0 at the
// end).  A result that cannot be made shows kTextMathNoImage; an empty size or a source without
// pixels gives nothing without a message.  Either failure returns a record with nil Bits.
TDibRecord MatheDib(const TDibRecord& image1, const TDibRecord& image2, const TMathOptions& o,
                    Host& host);

// The index the dialogs resolve a chosen display name to: the last document in window order
// whose name equals it; -1 when none does.
int LastDocumentNamed(const std::vector<std::string>& names, const std::string& name);

} // namespace pixorama
