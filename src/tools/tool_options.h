// The tool palette and the options panel as data: the fourteen tools with their hints, every
// option control with its range and start value, the lists, the brush-type presets and which
// controls each tool shows.  The panel widgets and the tools read these tables.
#pragma once

#include "document/host.h"

#include <pictora.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pixorama {

enum class Tool {
    Zoom,
    Hand,
    Select,
    FreeSel,
    Magic,
    Drop,
    Brush,
    Clone,
    Replace,
    Retouch,
    Fill,
    Txt,
    Line,
    Shape
};
inline constexpr int kToolCount = 14;

struct TToolButton {
    Tool tool;
    const char* Name; // "ZoomBtn"
    const char* Hint; // tooltip
};
// Top to bottom; ZoomBtn is down at start.
extern const std::array<TToolButton, kToolCount> kToolButtons;

// A spin edit (with its track bar for the four brush values).
struct TSpinOption {
    const char* Control;  // "HardEdit"
    const char* TrackBar; // "TrackBar2", nullptr when there is none
    const char* Label;    // "p4"
    const char* Caption;  // "Pinsel-Härte:"
    int32_t Min, Max, Start;
    // A typed value outside the range is read as the nearest end.
    int32_t clamp(int64_t v) const {
        return static_cast<int32_t>(v < Min ? Min : (v > Max ? Max : v));
    }
};
extern const TSpinOption kSizeOption, kHardOption, kDensOption, kOpacityOption, kTolOption,
    kBreitOption;

// A drop-down list.
struct TListOption {
    const char* Control; // "FormBox"
    const char* Label;
    const char* Caption;
    std::vector<const char*> Items;
    int Start; // index of the start item
};
extern const TListOption kBrushTypOption, kFormOption, kCloneOption, kRetouchOption,
    kFillStyleOption, kDirectOption, kTypOption, kStilOption, kZoomOption;

// Hardness, density and transparency of the brush.
struct TBrushValues {
    int32_t Hard = 50, Dens = 100, Opacity = 0;
    bool operator==(const TBrushValues&) const = default;
};
struct TBrushPreset {
    const char* Name; // list item of BrushTypBox
    bool Changes;     // "Normal" leaves the values as they are
    TBrushValues Values;
};
extern const std::array<TBrushPreset, 9> kBrushPresets;
// Applies the preset of list index type (out-of-range indices change nothing).
void ApplyBrushPreset(int type, TBrushValues& values);

// What the options panel shows for the tool that is down: the listed controls and labels, and
// whether the brush group (p1..p6, the four track bars and their edits, BrushTypBox, FormBox)
// is visible.  Every control not listed is hidden.
struct TPanelLayout {
    std::vector<const char*> Shown;
    bool BrushGroup;
};
TPanelLayout PanelLayoutFor(Tool tool);

// Loads the fill pattern from path: the old pattern is freed first; a file the raster library
// cannot read leaves no pattern and shows "Fehler beim Laden des Bildes!".  True on success.
bool LoadPattern(TDibRecord& pattern, const std::string& path, Host& host);
inline constexpr const char* kTextPatternLoadFailed = "Fehler beim Laden des Bildes!";

} // namespace pixorama
