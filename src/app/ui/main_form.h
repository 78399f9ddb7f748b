// TMainForm: the program's frame.  Menus, the standard toolbar, the MDI work space with the
// document windows, the status bar; start-up, menu enabling, window commands, and the commands
// that create, open and save documents.
#pragma once

#include "app/menu_rules.h"
#include "tools/tool_options.h"
#include "document/document_files.h"
#include "document/ui/child_host.h"
#include "document/zoom.h"

#include <QList>
#include <QMainWindow>
#include <QSet>
#include <QStringList>

#include <array>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace pixorama {
struct TBuiltinFilter;
} // namespace pixorama

namespace pixorama::ui {

class TMDIChild;
class TStatusBar;
class TToolPalette;
class TOptionsPanel;
class TColourPanel;
class THistoForm;

class TMainForm : public QMainWindow, public ChildHost {
    Q_OBJECT
  public:
    // files: the command line's image files, opened when the frame is first shown.
    explicit TMainForm(QStringList files = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- frame state ----
    QString ProgramFolder;   // per-user data folder, where the user filter file "UserFilt.dat" goes
    QString SelectionFormat; // MIME type of the private selection format, for the clipboard
    bool BrowserOpen = false;
    int ChannelCounter = 1; // number of the next window of split colour channels
    bool ShownOnce = false;
    // The program opens the browser when the frame is first shown; window tests of other
    // commands start with a bare frame.
    bool OpenBrowserAtStart = false;

    // ---- components ----
    QMdiArea* MdiArea() const { return mdiArea_; }
    QToolBar* SpeedPanel() const { return speedPanel_; }
    TStatusBar* StatusBar() const { return statusBar_; }
    QAction* ShowKontroll() const { return showKontroll_; }
    QAction* ShowHistogr() const { return showHistogr_; }
    // Bars and windows that later parts of the program add; nullptr until they exist.
    QWidget* SpeedBar1 = nullptr;
    QWidget* Panel1 = nullptr;
    QWidget* Panel2 = nullptr;
    QWidget* speedbar2 = nullptr;
    QWidget* HistoForm = nullptr;

    // The menu item or button the enabling rules decide for item.
    QAction* RuleAction(MenuItem item) const { return ruleActions_[static_cast<size_t>(item)]; }
    // Every menu action by its component name (e.g. "FileNewItem", "N211").
    QAction* Action(const QString& name) const;

    // ---- documents ----
    TMDIChild* ActiveDocument() const;
    // The child windows, without those already closing.
    QList<QMdiSubWindow*> LiveWindows() const;
    std::vector<TMDIChild*> Documents() const;
    // A new document window with caption; the record of ShowNewDocument goes into it.
    TMDIChild* CreateDocumentWindow(const QString& caption);
    // Shows an image in memory as a new document (the record passes into its ownership).
    void ShowNewDocument(const TDibRecord& dib, const std::string& name, bool named);
    void OpenImageFile(const QString& path);
    void OpenFromBrowser(const QString& path) { OpenImageFile(path); }
    void SetZoom(int newIn, int newOut);
    // Undo levels a new document keeps: "UndoLevels" of the settings (1..50), else three.
    int UndoLevelsSetting() const;
    void UpdateAllColors();
    void SetProSatus(int percent);
    int Progress() const;

    // ---- ChildHost ----
    Host& CoreHost() override;
    void UpdateMenuItems() override;
    void SaveDocument(TMDIChild* child) override;
    void SetImageStatus(const QString& text) override;
    bool IsActiveChild(const TMDIChild* child) const override;
    DisplayPalette ActivePalette() const override;
    void ChildActivated(TMDIChild* child) override;
    void ChildClosed(TMDIChild* child) override;
    TToolOptions ToolOptionValues() const override;
    void SetStatusPanel(int panel, const QString& text) override;
    void ShowPixelReadout(const QColor& colour, const QString& index) override;
    void FitChildToZoom(TMDIChild* child) override;
    void ZoomShown(TMDIChild* child) override;
    const TDibRecord* FillPatternRecord() const override { return &PatternDib; }

    // ---- handlers ----
    void FileNewItemClick();
    void FileOpenItemClick();
    void FileCloseItemClick();
    void FileSaveItemClick();
    void FileSaveAsItemClick();
    void FileExitItemClick();
    void Druckereinrichten1Click();
    void Drucken1Click();
    void Verdoppeln1Click();
    void WindowCascadeItemClick();
    void WindowTileItemClick();
    void WindowArrangeItemClick();
    void WindowMinimizeItemClick();
    void GreanBildanpassen1Click();
    void Toolbars1Click();
    void ShowKontrollClick();
    void ShowHistogrClick();
    void HelpAboutItemClick();
    void FormShow();

    // ---- tone adjustments, convolution filters, colour corrections (main_ops.cpp) ----
    void Graustufen1Click();
    void HistogramFunktionen1Click();
    void Farbenumkehren1Click();
    void Tiefebeschrnken1Click();
    void Solarisieren1Click();
    void HelligkeitundKontrast1Click();
    void GammaKorrektion1Click();
    void GlanzlichtMitteSchatten1Click();
    void RotGrnBlau1Click();
    void Colorieren1Click();
    // The twelve filters of kBuiltinFilters; each menu item is named by its Handler without
    // "Click" (e.g. "Eckenhervorheben1").
    void BuiltinFilterClick(const TBuiltinFilter& filter);

    // ---- image arithmetic, channels, user filters (main_arith.cpp) ----
    void Mathematik1Click();
    void Farbekaneteilen1Click();
    void Farbkanlezusammenfgen1Click();
    void BenutzerdefinierteFilter1Click();

    // ---- colour depth and palettes (main_colour.cpp) ----
    // Bits 1, 4, 8, or 0 for a number of colours the user types.
    void DepthDownTo(int32_t bits);
    void DepthUpTo(int32_t bits);
    void N2Farbent1Bit1Click();
    void N16Farbent4Bit1Click();
    void N256Farbent8Bit1Click();
    void XFarben4Bit8Bit1Click();
    void N16Farbent4Bit2Click();
    void N256Farbent8Bit2Click();
    void N16MillionenFarbent24Bit1Click();
    void BenutzteFarbenzhlen1Click();
    void PaletteladenBildanpassen1Click();
    void Paletteladen1Click();
    void Palettespeichern1Click();
    void Paletteeditieren1Click();

    // ---- tool palette, options, colours, histogram, undo (main_tools.cpp) ----
    TToolPalette* ToolPalette() const { return toolPalette_; }
    TOptionsPanel* OptionsPanel() const { return optionsPanel_; }
    TColourPanel* ColourPanel() const { return colourPanel_; }
    THistoForm* HistoWindow() const { return histoForm_; }
    // The tool whose button is down.
    Tool SelectedTool() const override;
    TDibRecord ColorField{}; // 48 x 96 colour field of the colour panel
    TDibRecord PatternDib{}; // fill pattern, empty until one is loaded
    void Rckgngig1Click();
    void LoadPattBtnClick();

    // ---- menu "&Bearbeiten": the clipboard (main_clipboard.cpp) ----
    bool PasteTransparent = false; // the paste chosen was "Als &transparente Auswahl"
    void CopyItemClick();
    void CutItemClick();
    void AlsBild1Click();
    void AlsAuswahl1Click();
    void AlstransparenteAuswahl1Click();
    void Lschen1Click();
    void Zwischenablagelschen1Click();

    // ---- menu "&Auswahl" (main_selection.cpp) ----
    void Allesauswhlen1Click();
    void Nichtauswhlen1Click();
    void Auswahlumkeheren1Click();
    void VomUntergrundlsen1Click();
    void MitUntergrundverschmelzen1Click();
    // geometry, effects, deformations (main_geometry.cpp)
    void Horizontalspiegeln1Click();
    void Vertikalspiegeln1Click();
    void Rotieren1Click();
    void Randhinzufgen1Click();
    void Rahmenvergrern1Click();
    void ZurAuswahlverkleinern1Click();
    void Grendern1Click();
    void Schattenhinzufgen1Click();
    void Druckknopferstellen1Click();
    void Erweitern1Click();
    void Auswachen1Click();
    void MosaikEffekt1Click();
    void Hinzufgen1Click();
    void Entfernen1Click();
    void Perspektive1Click();
    void Wlben1Click();
    // Recomputes the histogram window from the active document.
    void Updatehistogramm() override;
    // Colour panel, zoom list and histogram follow the active document.
    void RefreshToolWindows();

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormCreate();
    void buildMenus();
    void buildSpeedPanel();
    void connectColourCommands();
    void connectArithCommands();
    void colourCommandDone(TMDIChild* child);
    QAction* addItem(QMenu* menu, const char* caption, const char* shortcut, const char* name);
    void setRule(MenuItem item, QAction* action);
    void rebuildWindowList();
    void saveChild(TMDIChild* child, bool askName);
    // A record in a new window named fileName; path: the file it came from, or empty.
    void showDocument(const TDibRecord& dib, const std::string& fileName, const std::string& path);
    // Steps 3 to 6 of showing a record in a new window; false when the window must go again.
    bool prepareDocument(TMDIChild* child, const TDibRecord& dib);
    FrameSpace frameSpace() const;
    void storeSettings();
    void subWindowActivated(QMdiSubWindow* window);
    void createToolBars();
    void connectSelectionMenu();
    void connectClipboardCommands();
    void PasteAlsAuswahl();
    void connectGeometryMenu();
    void followZoomBox();

    class FrameHost;
    std::unique_ptr<FrameHost> host_;
    QStringList files_;
    QMdiArea* mdiArea_ = nullptr;
    QToolBar* speedPanel_ = nullptr;
    TStatusBar* statusBar_ = nullptr;
    QAction* showKontroll_ = nullptr;
    QAction* showHistogr_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    std::vector<QAction*> windowListActions_;
    std::array<QAction*, kMenuItemCount> ruleActions_{};
    std::vector<DialogFilter> openFilters_, saveFilters_;
    QSet<QMdiSubWindow*> closing_;
    TToolPalette* toolPalette_ = nullptr;
    TOptionsPanel* optionsPanel_ = nullptr;
    TColourPanel* colourPanel_ = nullptr;
    THistoForm* histoForm_ = nullptr;
};

} // namespace pixorama::ui
