// The colour corrections tuned in dialogs with preview: brightness, contrast, saturation,
// highlight/midtone/shadow, red/green/blue gain, colourising and gamma.  Each is a point
// operation: palette images change every palette entry, 24-bit images their selected pixels.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "ops/tone.h"

#include <cstdint>

namespace pixorama {

void Helligkeit(DocumentState& doc, Host& host, int32_t brightness); // 1, 4, 8, 24 bits
void Kontrast(DocumentState& doc, Host& host, int32_t contrast);     // 1, 4, 8, 24 bits
void Saettigung(DocumentState& doc, Host& host, int32_t saturation); // 4, 8, 24 bits
void HighMidShadow(DocumentState& doc, Host& host, int32_t highlight, int32_t midtone,
                   int32_t shadow); // 4, 8, 24 bits
void RedGreenBlue(DocumentState& doc, Host& host, int32_t red, int32_t green,
                  int32_t blue);                                                // 4, 8, 24 bits
void Colorize(DocumentState& doc, Host& host, int32_t hue, int32_t saturation); // 4, 8, 24 bits
void Gamma(DocumentState& doc, Host& host, double gamma);                       // 4, 8, 24 bits

// The per-channel rules, for the tables the operations build and for tests.
uint8_t BrightnessValue(int32_t v, int32_t brightness);
uint8_t ContrastValue(int32_t v, int32_t contrast);
uint8_t SaturationValue(int32_t v, int32_t saturation);
uint8_t GammaValue(int32_t v, double gamma);

// Ranges and defaults of the dialogs' controls, read by the dialogs and the command line.
inline constexpr TIntRange kBrightnessRange{-127, 127, 0}; // THKForm "Helligkeit:"
inline constexpr TIntRange kContrastRange{0, 200, 100};    // THKForm "Kontrast:"
inline constexpr TIntRange kSaturationRange{-100, 100, 0}; // THKForm "Sättigung:"
inline constexpr TIntRange kHighlightRange{0, 255, 255};   // TLightForm "Glanzlicht:"
inline constexpr TIntRange kMidtoneRange{0, 255, 128};     // TLightForm "Mitte:"
inline constexpr TIntRange kShadowRange{0, 255, 0};        // TLightForm "Schatten:"
inline constexpr TIntRange kGainRange{-100, 100, 0};       // TRGBForm "Rot:", "Grün:", "Blau:"
inline constexpr TIntRange kHueRange{0, 255, 128};         // TColizeForm "Farbton:"
inline constexpr TIntRange kColorizeSatRange{0, 255, 128}; // TColizeForm "Sättigung:"
struct TFloatRange {
    double Min, Max, Default, Step;
    bool contains(double v) const { return v >= Min && v <= Max; }
};
inline constexpr TFloatRange kGammaRange{0.1, 8.9, 1.8, 0.1}; // TGammaForm "Gamma Korrektur:"

// "Helligkeit, Kontrast und Sättigung" applies its three values as three passes in this order.
void HelligkeitKontrastSaettigung(DocumentState& doc, Host& host, int32_t brightness,
                                  int32_t contrast, int32_t saturation);

} // namespace pixorama
