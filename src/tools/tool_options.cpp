// The tables of the tool palette and the options panel.
#include "tools/tool_options.h"

#include <cstddef>

namespace pixorama {

const std::array<TToolButton, kToolCount> kToolButtons = {{
    {Tool::Zoom, "ZoomBtn", "Vergrößern und Verkleinern"},
    {Tool::Hand, "HandBtn", "Sichtbaren Bereich verschieben"},
    {Tool::Select, "SelectBtn", "Auswählen"},
    {Tool::FreeSel, "FreeSelBtn", "Frei auswählen"},
    {Tool::Magic, "MagicBtn", "Zauberstab"},
    {Tool::Drop, "DropBtn", "Pipette"},
    {Tool::Brush, "BrushBtn", "Stift"},
    {Tool::Clone, "CloneBtn", "Clone-Stift: Verdoppelt Billdausschnitte"},
    {Tool::Replace, "ReplaceBtn", "Ersetzt eine Farbe durch eine andere"},
    {Tool::Retouch, "RetouchBtn",
     "Retouch-Stift: Verändert einen Bildausschnitt durch einen Effekt"},
    {Tool::Fill, "FillBtn", "Farbeimer: füllt einen Bereich aus"},
    {Tool::Txt, "TxtBtn", "Fügt einen Text ein"},
    {Tool::Line, "LineBtn", "Zeichnet eine Linie"},
    {Tool::Shape, "ShapeBtn", "Zeichnet eine Geometrisches Gebilde"},
}};

const TSpinOption kSizeOption{"SizeEdit", "TrackBar1", "p3", "Pinsel-Größe:", 1, 200, 7};
const TSpinOption kHardOption{"HardEdit", "TrackBar2", "p4", "Pinsel-Härte:", 0, 100, 50};
const TSpinOption kDensOption{"DensEdit", "TrackBar3", "p5", "Pinsel-Dichte:", 1, 100, 100};
const TSpinOption kOpacityOption{"OpaCityEdit", "TrackBar4", "p6", "Transparenz:", 0, 99, 0};
const TSpinOption kTolOption{"TolEdit", nullptr, "TolLabel", "Toleranz:", 0, 200, 25};
const TSpinOption kBreitOption{"BreitEdit", nullptr, "BreitLabel", "Breite:", 1, 100, 1};

namespace {

std::vector<const char*> zoomFactors() {
    static const char* const factors[] = {
        "16:1", "15:1", "14:1", "13:1", "12:1", "11:1", "10:1", "9:1",  "8:1", "7:1", "6:1",
        "5:1",  "4:1",  "3:1",  "2:1",  "1:1",  "1:2",  "1:3",  "1:4",  "1:5", "1:6", "1:7",
        "1:8",  "1:9",  "1:10", "1:11", "1:12", "1:13", "1:14", "1:15", "1:16"};
    return {std::begin(factors), std::end(factors)};
}

} // namespace

const TListOption kBrushTypOption{"BrushTypBox",
                                  "p1",
                                  "Pinsel-Typ:",
                                  {"Normal", "Pinsel", "Feder", "Bleistift", "Markierer",
                                   "Buntstift", "Kreide", "Holzkohle", "Spraydose"},
                                  0};
const TListOption kFormOption{"FormBox",
                              "p2",
                              "Pinsel-Form:",
                              {"Quadrat", "Kreis", "Quer1", "Quer2", "Horizontal", "Vertikal"},
                              1};
const TListOption kCloneOption{
    "CloneBox", "CloneLabel", "Clone Modus:", {"Ausgerichtet", "Nicht ausgerichtet"}, 0};
const TListOption kRetouchOption{"RetouchBox",
                                 "RetouchLabel",
                                 "Retouch Modus:",
                                 {"Aufhellen", "Abdunkeln", "Verschmieren", "Mixen"},
                                 0};
const TListOption kFillStyleOption{"FillStyleBox",
                                   "FstyleLabel",
                                   "Füllstil:",
                                   {"Einheitliche Farbe", "Muster", "Lineares Gefälle",
                                    "Rechteckiges Gefälle", "Sonnenrad Gefälle",
                                    "Strahliges Gefälle"},
                                   0};
const TListOption kDirectOption{"DirectBox",
                                "DirLabel",
                                "Richtung:",
                                {"NW-SO", "N-S", "NO-SW", "O-W", "SO-NW", "S-N", "SW-NO", "W-O"},
                                0};
const TListOption kTypOption{
    "TypBox", "TypLabel", "Typ:", {"Rechteck", "Quadrat", "Ellipse", "Kreis"}, 0};
const TListOption kStilOption{"StilBox", "StilLabel", "Stil:", {"Umrissen", "Gefüllt"}, 0};
const TListOption kZoomOption{"ZoomBox", "ZoomLabel", "Zoom:", zoomFactors(), 15};

const std::array<TBrushPreset, 9> kBrushPresets = {{
    {"Normal", false, {}},
    {"Pinsel", true, {50, 100, 0}},
    {"Feder", true, {0, 100, 0}},
    {"Bleistift", true, {90, 50, 0}},
    {"Markierer", true, {100, 95, 0}},
    {"Buntstift", true, {100, 11, 50}},
    {"Kreide", true, {90, 33, 20}},
    {"Holzkohle", true, {90, 33, 0}},
    {"Spraydose", true, {0, 90, 87}},
}};

void ApplyBrushPreset(int type, TBrushValues& values) {
    if (type < 0 || type >= static_cast<int>(kBrushPresets.size()))
        return;
    const TBrushPreset& p = kBrushPresets[static_cast<std::size_t>(type)];
    if (p.Changes)
        values = p.Values;
}

bool LoadPattern(TDibRecord& pattern, const std::string& path, Host& host) {
    if (pattern.Bits != nullptr)
        deldib(&pattern);
    TDibRecord loaded{};
    OpenDib(&loaded, path.c_str(), PICTORA_FORMAT_AUTO, nullptr, nullptr);
    if (loaded.Bits == nullptr) {
        deldib(&loaded);
        pattern = TDibRecord{};
        host.MessageBox(kTextPatternLoadFailed, "", MB_ICONSTOP);
        return false;
    }
    pattern = loaded;
    return true;
}

TPanelLayout PanelLayoutFor(Tool tool) {
    switch (tool) {
    case Tool::Replace:
    case Tool::Brush:
        return {{}, true};
    case Tool::Select:
        return {{"TypBox", "TypLabel"}, false};
    case Tool::Magic:
        return {{"TolEdit", "TolLabel"}, false};
    case Tool::Clone:
        return {{"CloneBox", "CloneLabel"}, true};
    case Tool::Retouch:
        return {{"RetouchBox", "RetouchLabel"}, true};
    case Tool::Fill:
        return {{"TolEdit", "TolLabel", "FstyleLabel", "DirLabel", "FillStyleBox", "DirectBox",
                 "LoadPattBtn"},
                false};
    case Tool::Line:
        return {{"BreitEdit", "BreitLabel"}, false};
    case Tool::Shape:
        return {{"BreitEdit", "TypBox", "StilBox", "BreitLabel", "TypLabel", "StilLabel"}, false};
    default:
        return {{"ZoomBox", "ZoomLabel"}, false};
    }
}

} // namespace pixorama
