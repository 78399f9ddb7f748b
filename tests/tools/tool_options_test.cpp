// The options panel tables: presets, clamping, what each tool shows, the lists.
#include "tools/tool_options.h"

#include "recording_host.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace pixorama {
namespace {

TEST(ToolOptions, PresetsAndClamping) {
    TBrushValues v;
    EXPECT_EQ(v, (TBrushValues{kHardOption.Start, kDensOption.Start, kOpacityOption.Start}));
    ApplyBrushPreset(8, v); // "Spraydose"
    EXPECT_EQ(v, (TBrushValues{0, 90, 87}));
    ApplyBrushPreset(0, v); // "Normal" keeps what is there
    EXPECT_EQ(v, (TBrushValues{0, 90, 87}));
    ApplyBrushPreset(5, v);
    EXPECT_EQ(v, (TBrushValues{100, 11, 50}));
    ApplyBrushPreset(9, v);
    ApplyBrushPreset(-1, v);
    EXPECT_EQ(v, (TBrushValues{100, 11, 50}));
    for (size_t i = 0; i < kBrushPresets.size(); ++i)
        EXPECT_STREQ(kBrushPresets[i].Name, kBrushTypOption.Items[i]);

    EXPECT_EQ(kHardOption.clamp(150), 100);
    EXPECT_EQ(kSizeOption.clamp(0), 1);
    EXPECT_EQ(kSizeOption.clamp(7), 7);
    EXPECT_EQ(kOpacityOption.clamp(100), 99);
    EXPECT_EQ(kDensOption.clamp(-5), 1);
    EXPECT_EQ(kTolOption.clamp(1000), 200);
    EXPECT_EQ(kBreitOption.clamp(0), 1);
    EXPECT_EQ(kSizeOption.Start, 7);
    EXPECT_EQ(kTolOption.Start, 25);
}

TEST(ToolOptions, PanelPerToolAndLists) {
    ASSERT_EQ(kToolButtons.size(), 14u);
    EXPECT_STREQ(kToolButtons[0].Name, "ZoomBtn");
    EXPECT_STREQ(kToolButtons[13].Name, "ShapeBtn");
    std::set<std::string> names;
    for (const TToolButton& b : kToolButtons)
        names.insert(b.Name);
    EXPECT_EQ(names.size(), 14u);

    using S = std::set<std::string>;
    auto shown = [](Tool t) {
        const TPanelLayout l = PanelLayoutFor(t);
        return std::make_pair(S(l.Shown.begin(), l.Shown.end()), l.BrushGroup);
    };
    const auto zoom = std::make_pair(S{"ZoomBox", "ZoomLabel"}, false);
    for (Tool t : {Tool::Zoom, Tool::Hand, Tool::FreeSel, Tool::Drop, Tool::Txt})
        EXPECT_EQ(shown(t), zoom);
    EXPECT_EQ(shown(Tool::Brush), std::make_pair(S{}, true));
    EXPECT_EQ(shown(Tool::Replace), std::make_pair(S{}, true));
    EXPECT_EQ(shown(Tool::Clone), std::make_pair(S{"CloneBox", "CloneLabel"}, true));
    EXPECT_EQ(shown(Tool::Retouch), std::make_pair(S{"RetouchBox", "RetouchLabel"}, true));
    EXPECT_EQ(shown(Tool::Select), std::make_pair(S{"TypBox", "TypLabel"}, false));
    EXPECT_EQ(shown(Tool::Magic), std::make_pair(S{"TolEdit", "TolLabel"}, false));
    EXPECT_EQ(shown(Tool::Fill), std::make_pair(S{"TolEdit", "TolLabel", "FstyleLabel", "DirLabel",
                                                  "FillStyleBox", "DirectBox", "LoadPattBtn"},
                                                false));
    EXPECT_EQ(shown(Tool::Line), std::make_pair(S{"BreitEdit", "BreitLabel"}, false));
    EXPECT_EQ(shown(Tool::Shape), std::make_pair(S{"BreitEdit", "TypBox", "StilBox", "BreitLabel",
                                                   "TypLabel", "StilLabel"},
                                                 false));

    ASSERT_EQ(kZoomOption.Items.size(), 31u);
    EXPECT_STREQ(kZoomOption.Items.front(), "16:1");
    EXPECT_STREQ(kZoomOption.Items[static_cast<size_t>(kZoomOption.Start)], "1:1");
    EXPECT_STREQ(kZoomOption.Items.back(), "1:16");
    EXPECT_STREQ(kFormOption.Items[static_cast<size_t>(kFormOption.Start)], "Kreis");
    EXPECT_EQ(kDirectOption.Items.size(), 8u);
    EXPECT_EQ(kFillStyleOption.Items.size(), 6u);
    EXPECT_STREQ(kTypOption.Items[3], "Kreis");
}

TEST(ToolOptions, PatternLoadingFreesTheOldPatternFirst) {
    RecordingHost host;
    TDibRecord pattern{};
    const std::string good = std::string(PIXORAMA_TEST_DATA) + "/bmp/pal4_os2.bmp";
    ASSERT_TRUE(LoadPattern(pattern, good, host));
    ASSERT_NE(pattern.Bits, nullptr);
    EXPECT_TRUE(host.messages.empty());
    // an unreadable file: no pattern afterwards, and the message with the error icon
    EXPECT_FALSE(LoadPattern(pattern, std::string(PIXORAMA_TEST_DATA) + "/no/such.bmp", host));
    EXPECT_EQ(pattern.Bits, nullptr);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Fehler beim Laden des Bildes!");
    EXPECT_EQ(host.messages[0].caption, "");
    EXPECT_EQ(host.messages[0].flags, MB_ICONSTOP);
    ASSERT_TRUE(LoadPattern(pattern, good, host));
    deldib(&pattern);
}

} // namespace
} // namespace pixorama
