// Enabling rules of the frame's menus and buttons, case by case.
#include "app/menu_rules.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using M = MenuItem;
constexpr Enabling On = Enabling::On, Off = Enabling::Off, Same = Enabling::Unchanged;

MenuState document(int bpp) {
    MenuState s;
    s.ChildCount = 1;
    s.Active = ActiveChild::Document;
    s.HasPixels = true;
    s.BitsPerPixel = bpp;
    return s;
}

TEST(MenuRules, OnlyTheBrowserOpen) {
    MenuState s;
    s.ChildCount = 1;
    s.Active = ActiveChild::Browser;
    s.BrowserOpen = true;
    s.UndoCount = 2; // stale document fields do not count
    const MenuEnabling e = ComputeMenuItems(s);
    for (M i :
         {M::Schliessen, M::Ueberlappend, M::Nebeneinander, M::SymboleAnordnen, M::AlleVerkleinern})
        EXPECT_EQ(e[i], On) << static_cast<int>(i);
    for (M i : {M::MenuBild,
                M::MenuFarben,
                M::MenuAuswahl,
                M::MenuBetrachten,
                M::Speichern,
                M::SpeichernUnter,
                M::Drucken,
                M::Ausschneiden,
                M::Kopieren,
                M::Loeschen,
                M::AlsNeueAuswahl,
                M::AlsTransparenteAuswahl,
                M::Verdoppeln,
                M::GroesseAnBildAnpassen,
                M::SaveSpeedBtn,
                M::SaveAsBtn,
                M::CutSpeedBtn,
                M::CopySpeedBtn,
                M::Rueckgaengig,
                M::UndoItSpeedBtn,
                M::NichtVergroessert,
                M::NichtAuswaehlen,
                M::VomUntergrundLoesen,
                M::MitUntergrundVerschmelzen,
                M::Browse,
                M::BrowseBtn})
        EXPECT_EQ(e[i], Off) << static_cast<int>(i);
    // the image-dependent rows keep their state
    for (M i : {M::Effekte, M::Deformationen, M::Graustufen, M::Anpassen, M::FarbtiefeVerkleinern,
                M::I16Farben, M::PaletteLaden})
        EXPECT_EQ(e[i], Same) << static_cast<int>(i);
}

TEST(MenuRules, NothingOpen) {
    const MenuEnabling e = ComputeMenuItems(MenuState{});
    EXPECT_EQ(e[M::Schliessen], Off);
    EXPECT_EQ(e[M::Ueberlappend], Off);
    EXPECT_EQ(e[M::MenuBild], Off);
    EXPECT_EQ(e[M::Browse], On);
    EXPECT_EQ(e[M::BrowseBtn], On);
    EXPECT_EQ(e[M::Einfuegen], Off);
    EXPECT_EQ(e[M::Graustufen], Same);
    // a document with no active child (all minimised away) is not D
    MenuState s;
    s.ChildCount = 2;
    EXPECT_EQ(ComputeMenuItems(s)[M::Speichern], Off);
    EXPECT_EQ(ComputeMenuItems(s)[M::Schliessen], On);
}

TEST(MenuRules, OneToOneZoomItem) {
    MenuState s = document(24);
    EXPECT_EQ(ComputeMenuItems(s)[M::NichtVergroessert], Off);
    s.ZoomIn = 2;
    EXPECT_EQ(ComputeMenuItems(s)[M::NichtVergroessert], On);
    s.ZoomIn = 1;
    s.ZoomOut = 2;
    EXPECT_EQ(ComputeMenuItems(s)[M::NichtVergroessert], On);
}

TEST(MenuRules, UndoClipboardAndSelection) {
    MenuState s = document(24);
    MenuEnabling e = ComputeMenuItems(s);
    EXPECT_EQ(e[M::Rueckgaengig], Off);
    EXPECT_EQ(e[M::NichtAuswaehlen], Off);
    EXPECT_EQ(e[M::VomUntergrundLoesen], Off);
    EXPECT_EQ(e[M::MitUntergrundVerschmelzen], Off);
    EXPECT_EQ(e[M::Effekte], Off);
    EXPECT_EQ(e[M::Speichern], On);
    EXPECT_EQ(e[M::Browse], On);

    s.UndoCount = 1;
    s.HasSelection = true;
    e = ComputeMenuItems(s);
    EXPECT_EQ(e[M::Rueckgaengig], On);
    EXPECT_EQ(e[M::UndoItSpeedBtn], On);
    EXPECT_EQ(e[M::NichtAuswaehlen], On);
    EXPECT_EQ(e[M::VomUntergrundLoesen], On);
    EXPECT_EQ(e[M::MitUntergrundVerschmelzen], Off);
    EXPECT_EQ(e[M::Effekte], On);

    s.Floating = true;
    e = ComputeMenuItems(s);
    EXPECT_EQ(e[M::VomUntergrundLoesen], Off);
    EXPECT_EQ(e[M::MitUntergrundVerschmelzen], On);
    EXPECT_EQ(e[M::Effekte], Off);

    for (auto [clip, want] :
         {std::pair{ClipboardState::HasImage, On}, std::pair{ClipboardState::NoImage, Off},
          std::pair{ClipboardState::CannotOpen, Off}}) {
        s.Clipboard = clip;
        e = ComputeMenuItems(s);
        EXPECT_EQ(e[M::Einfuegen], want);
        EXPECT_EQ(e[M::PasteSpeedBtn], want);
        EXPECT_EQ(e[M::ZwischenablageLoeschen], want);
    }
    // the clipboard rule does not need a document
    MenuState none;
    none.Clipboard = ClipboardState::HasImage;
    EXPECT_EQ(ComputeMenuItems(none)[M::Einfuegen], On);

    s.BrowserOpen = true;
    EXPECT_EQ(ComputeMenuItems(s)[M::Browse], Off);
}

TEST(MenuRules, ImageWithoutPixelsKeepsTheDepthRows) {
    MenuState s = document(24);
    s.HasPixels = false;
    const MenuEnabling e = ComputeMenuItems(s);
    EXPECT_EQ(e[M::MenuBild], On);
    EXPECT_EQ(e[M::Deformationen], Same);
    EXPECT_EQ(e[M::FarbtiefeVerkleinern], Same);
    EXPECT_EQ(e[M::Effekte], Same);
}

TEST(MenuRules, DepthDependentItems) {
    // 1 bit: nothing to reduce, all three increases, no colour adjustments
    MenuEnabling e = ComputeMenuItems(document(1));
    EXPECT_EQ(e[M::FarbtiefeVerkleinern], Off);
    EXPECT_EQ(e[M::FarbtiefeVergroessern], On);
    EXPECT_EQ(e[M::I16Farben], On);
    EXPECT_EQ(e[M::I256Farben], On);
    EXPECT_EQ(e[M::I16MillionenFarben], On);
    for (M i : {M::R2Farben, M::R16Farben, M::R256Farben, M::RXFarben})
        EXPECT_EQ(e[i], Same);
    for (M i : {M::Anpassen, M::Graustufen, M::Colorieren, M::FarbverteilungOptimieren,
                M::TiefeBeschraenken, M::Solarisieren, M::PaletteLadenBildAnpassen})
        EXPECT_EQ(e[i], Off);
    EXPECT_EQ(e[M::PaletteLaden], Off);
    EXPECT_EQ(e[M::Deformationen], Off);

    // the depth table, row by row: R I R2 R16 R256 RX I16 I256 I24M
    const M cols[9] = {M::FarbtiefeVerkleinern,
                       M::FarbtiefeVergroessern,
                       M::R2Farben,
                       M::R16Farben,
                       M::R256Farben,
                       M::RXFarben,
                       M::I16Farben,
                       M::I256Farben,
                       M::I16MillionenFarben};
    const struct {
        int bpp;
        Enabling row[9];
    } table[] = {
        {1, {Off, On, Same, Same, Same, Same, On, On, On}},
        {4, {On, On, On, Off, Off, Off, Off, On, On}},
        {8, {On, On, On, On, Off, On, Off, Off, On}},
        {24, {On, Off, On, On, On, On, Same, Same, Same}},
    };
    for (const auto& t : table) {
        e = ComputeMenuItems(document(t.bpp));
        for (int c = 0; c < 9; ++c)
            EXPECT_EQ(e[cols[c]], t.row[c]) << t.bpp << " column " << c;
    }

    // palette commands for 4 and 8 bits, the filter menus for 24 bits
    for (int bpp : {1, 4, 8, 24}) {
        e = ComputeMenuItems(document(bpp));
        const Enabling pal = (bpp == 4 || bpp == 8) ? On : Off;
        const Enabling deep = bpp == 24 ? On : Off;
        for (M i : {M::PaletteLaden, M::PaletteSpeichern, M::PaletteEditieren})
            EXPECT_EQ(e[i], pal) << bpp;
        for (M i : {M::Deformationen, M::DruckknopfErstellen, M::EckFilter, M::FokussierungsFilter,
                    M::Stoerungen, M::SpezialFilter, M::BenutzerdefinierteFilter})
            EXPECT_EQ(e[i], deep) << bpp;
        EXPECT_EQ(e[M::Graustufen], bpp == 1 ? Off : On) << bpp;
    }
}

} // namespace
} // namespace pixorama
