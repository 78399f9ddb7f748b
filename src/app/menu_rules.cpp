// The enabling rules of the frame's menus and toolbar buttons.
#include "app/menu_rules.h"

#include <initializer_list>

namespace pixorama {
namespace {

void setAll(MenuEnabling& e, std::initializer_list<MenuItem> items, bool on) {
    for (MenuItem i : items)
        e.set(i, on);
}

} // namespace

MenuEnabling ComputeMenuItems(const MenuState& s) {
    using M = MenuItem;
    MenuEnabling e;
    const bool d = s.ChildCount > 0 && s.Active == ActiveChild::Document;

    setAll(e,
           {M::MenuBetrachten, M::MenuBild, M::MenuFarben, M::MenuAuswahl, M::Speichern,
            M::SpeichernUnter, M::Drucken, M::Ausschneiden, M::Loeschen, M::Kopieren,
            M::AlsNeueAuswahl, M::AlsTransparenteAuswahl, M::Verdoppeln, M::GroesseAnBildAnpassen,
            M::SaveAsBtn, M::SaveSpeedBtn, M::CutSpeedBtn, M::CopySpeedBtn},
           d);
    setAll(
        e,
        {M::Schliessen, M::Ueberlappend, M::Nebeneinander, M::SymboleAnordnen, M::AlleVerkleinern},
        s.ChildCount > 0);
    setAll(e, {M::Browse, M::BrowseBtn}, !s.BrowserOpen);
    setAll(e, {M::Rueckgaengig, M::UndoItSpeedBtn},
           s.Active == ActiveChild::Document && s.UndoCount > 0);
    setAll(e, {M::Einfuegen, M::PasteSpeedBtn, M::ZwischenablageLoeschen},
           s.Clipboard == ClipboardState::HasImage);
    e.set(M::VomUntergrundLoesen, d && s.HasSelection && !s.Floating);
    e.set(M::MitUntergrundVerschmelzen, d && s.HasSelection && s.Floating);
    e.set(M::NichtAuswaehlen, d && s.HasSelection);
    e.set(M::NichtVergroessert, d && !(s.ZoomIn == 1 && s.ZoomOut == 1));

    // the rest only for a document with pixels; otherwise those items stay as they were
    if (!d || !s.HasPixels)
        return e;
    const int bpp = s.BitsPerPixel;
    e.set(M::Effekte, s.HasSelection && !s.Floating);
    setAll(e,
           {M::Deformationen, M::DruckknopfErstellen, M::EckFilter, M::FokussierungsFilter,
            M::Stoerungen, M::SpezialFilter, M::BenutzerdefinierteFilter},
           bpp == 24);
    setAll(e, {M::PaletteLaden, M::PaletteSpeichern, M::PaletteEditieren}, bpp == 4 || bpp == 8);
    setAll(e,
           {M::PaletteLadenBildAnpassen, M::Anpassen, M::Colorieren, M::Graustufen,
            M::FarbverteilungOptimieren, M::TiefeBeschraenken, M::Solarisieren},
           bpp != 1);

    switch (bpp) {
    case 1:
        e.set(M::FarbtiefeVerkleinern, false);
        setAll(e, {M::FarbtiefeVergroessern, M::I16Farben, M::I256Farben, M::I16MillionenFarben},
               true);
        break;
    case 4:
        setAll(e,
               {M::FarbtiefeVerkleinern, M::FarbtiefeVergroessern, M::R2Farben, M::I256Farben,
                M::I16MillionenFarben},
               true);
        setAll(e, {M::R16Farben, M::R256Farben, M::RXFarben, M::I16Farben}, false);
        break;
    case 8:
        setAll(e,
               {M::FarbtiefeVerkleinern, M::FarbtiefeVergroessern, M::R2Farben, M::R16Farben,
                M::RXFarben, M::I16MillionenFarben},
               true);
        setAll(e, {M::R256Farben, M::I16Farben, M::I256Farben}, false);
        break;
    case 24:
        setAll(e, {M::FarbtiefeVerkleinern, M::R2Farben, M::R16Farben, M::R256Farben, M::RXFarben},
               true);
        e.set(M::FarbtiefeVergroessern, false);
        break;
    default:
        break;
    }
    return e;
}

} // namespace pixorama
