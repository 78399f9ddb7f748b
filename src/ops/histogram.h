// The counting and statistics behind the histogram window: four tables of 256 levels (red,
// green, blue, luminance) over the whole image, the maximum and minimum with their tie order,
// the mean and the statistics line.
#pragma once

#include <pictora.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pixorama {

enum HistogramTable { kHistRed = 0, kHistGreen = 1, kHistBlue = 2, kHistLum = 3 };

// The window's state.  Shown[] are the check boxes "Rot", "Grün", "Blau", "Helligkeit".
struct THistogramState {
    std::array<std::array<uint32_t, 256>, 4> Tables{};
    std::array<bool, 4> Shown{true, true, true, true};
    int64_t Maximum = 0;
    int64_t Minimum = 0;
    int64_t Mean = 0;
    bool Valid = false;
    std::string InfoText;
    int64_t Pixels = 0; // of the image counted last; 0 when there is none
};

// Counts every pixel of the image into the four tables (the selection is not considered).
void CountHistogram(const TDibRecord& dib, std::array<std::array<uint32_t, 256>, 4>& tables);

// Recomputes the state for the active image; dib nullptr = no active image document, which
// clears the curves and the text.  A hidden window computes nothing.
void Updatehistogramm(THistogramState& state, const TDibRecord* dib, bool visible);

// Maximum, minimum, mean, Valid and the statistics line from the tables counted last and the
// Shown boxes (after a box changed: nothing is counted again).  Nothing without counted tables.
void HistogramStatistics(THistogramState& state);

// The closing image document was the active one: clear the curves and the text (only while the
// window is visible).
void ClearHistogram(THistogramState& state, bool visible);

// What the histogram's paint box draws, for a paint box h pixels high: the two axes and their
// ticks as lines, and the polyline of table t (empty when the table is not shown, the state
// is not valid or the maximum is 0).
struct THistLine {
    int32_t X1, Y1, X2, Y2;
};
struct THistPoint {
    int32_t X, Y;
};
std::vector<THistLine> HistogramAxes(int32_t h);
std::vector<THistPoint> HistogramCurve(const THistogramState& state, int t, int32_t h);

// The statistics line with all four boxes on, as the command line prints it.
std::string HistogramText(const TDibRecord& dib);

} // namespace pixorama
