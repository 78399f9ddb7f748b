// Which menu items and toolbar buttons are enabled, as a pure function of the frame's state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pixorama {

// Every item whose enabled state the rules decide.
enum class MenuItem : int {
    // menus
    MenuBetrachten,
    MenuBild,
    MenuFarben,
    MenuAuswahl,
    // file
    Speichern,
    SpeichernUnter,
    Drucken,
    Schliessen,
    Browse,
    // edit
    Rueckgaengig,
    Ausschneiden,
    Kopieren,
    Einfuegen,
    AlsNeueAuswahl,
    AlsTransparenteAuswahl,
    Loeschen,
    ZwischenablageLoeschen,
    // view
    NichtVergroessert,
    // image
    Deformationen,
    Effekte,
    DruckknopfErstellen,
    EckFilter,
    FokussierungsFilter,
    Stoerungen,
    SpezialFilter,
    BenutzerdefinierteFilter,
    // colours
    Anpassen,
    Colorieren,
    Graustufen,
    FarbverteilungOptimieren,
    TiefeBeschraenken,
    Solarisieren,
    PaletteLadenBildAnpassen,
    PaletteLaden,
    PaletteSpeichern,
    PaletteEditieren,
    FarbtiefeVerkleinern,
    R2Farben,
    R16Farben,
    R256Farben,
    RXFarben,
    FarbtiefeVergroessern,
    I16Farben,
    I256Farben,
    I16MillionenFarben,
    // selection
    NichtAuswaehlen,
    VomUntergrundLoesen,
    MitUntergrundVerschmelzen,
    // window
    Ueberlappend,
    Nebeneinander,
    SymboleAnordnen,
    AlleVerkleinern,
    Verdoppeln,
    GroesseAnBildAnpassen,
    // toolbar buttons
    SaveSpeedBtn,
    SaveAsBtn,
    CutSpeedBtn,
    CopySpeedBtn,
    PasteSpeedBtn,
    UndoItSpeedBtn,
    BrowseBtn,
    Count
};
constexpr int kMenuItemCount = static_cast<int>(MenuItem::Count);

enum class ActiveChild { None, Document, Browser };
enum class ClipboardState { CannotOpen, NoImage, HasImage };

// What the rules look at.  The document fields count only when the active child is a document.
struct MenuState {
    int ChildCount = 0;
    ActiveChild Active = ActiveChild::None;
    bool BrowserOpen = false;
    ClipboardState Clipboard = ClipboardState::NoImage;
    // the active document
    bool HasPixels = false;
    int BitsPerPixel = 0;
    int UndoCount = 0;
    bool HasSelection = false;
    bool Floating = false;
    int ZoomIn = 1, ZoomOut = 1;
};

enum class Enabling : uint8_t { Unchanged, On, Off };

class MenuEnabling {
  public:
    MenuEnabling() { items_.fill(Enabling::Unchanged); }
    Enabling operator[](MenuItem item) const { return items_[static_cast<std::size_t>(item)]; }
    void set(MenuItem item, bool on) {
        items_[static_cast<std::size_t>(item)] = on ? Enabling::On : Enabling::Off;
    }

  private:
    std::array<Enabling, kMenuItemCount> items_;
};

// The enabling of every item; Unchanged where the rules leave an item as it was.
MenuEnabling ComputeMenuItems(const MenuState& state);

} // namespace pixorama
