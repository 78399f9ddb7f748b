// TMainForm: start-up and shut-down, the host the core talks through, menu enabling, the status
// bar, and the window commands.
#include "app/ui/main_form.h"

#include "app/ui/about_box.h"
#include "app/ui/config_bars.h"
#include "app/ui/status_bar.h"
#include "app/window_layout.h"
#include "browser/ui/browser_form.h"
#include "document/ui/mdi_child.h"
#include "ops/ui/histo_form.h"
#include "platform/ui/cursors.h"
#include "app/ui/clipboard_mime.h"
#include "platform/ui/message_box.h"
#include "platform/ui/settings_store.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace pixorama::ui {

namespace {
const QString kForm = QStringLiteral("TMainForm");
const QSize kMinDocumentWindow(180, 110);
} // namespace

// The core's way out: progress into the status bar, message boxes, menu refresh.
class TMainForm::FrameHost : public Host {
  public:
    explicit FrameHost(TMainForm& form) : form_(form) {}
    void SetProSatus(int percent) override { form_.SetProSatus(percent); }
    int MessageBox(const std::string& text, const std::string& caption, int flags) override {
        return ShowMessageBox(&form_, QString::fromStdString(text), QString::fromStdString(caption),
                              flags);
    }
    // the core asks for this after every change of a document's state, Modified included
    void UpdateMenuItems() override {
        for (TMDIChild* child : form_.Documents())
            child->UpdateCaption();
        form_.UpdateMenuItems();
    }
    void Updatehistogramm() override { form_.Updatehistogramm(); }

  private:
    TMainForm& form_;
};

TMainForm::TMainForm(QStringList files, QWidget* parent)
    : QMainWindow(parent), host_(std::make_unique<FrameHost>(*this)), files_(std::move(files)) {
    setObjectName(kForm);
    setWindowTitle(QStringLiteral("Norvane Pixorama 2.0"));
    mdiArea_ = new QMdiArea;
    mdiArea_->setObjectName(QStringLiteral("ClientArea"));
    mdiArea_->setBackground(kWorkspaceColour);
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->viewport()->setMouseTracking(true);
    mdiArea_->viewport()->installEventFilter(this);
    setCentralWidget(mdiArea_);
    statusBar_ = new TStatusBar;
    setStatusBar(statusBar_);
    buildMenus();
    buildSpeedPanel();
    FormCreate();

    // placement and the two toggles from the last run
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1280, 900);
    resize(screen.width() * 9 / 10, screen.height() * 9 / 10);
    FormSettings settings(kForm);
    settings.restorePlacement(this);
    showKontroll_->setChecked(settings.boolValue(QStringLiteral("ShowKontroll"), true));
    showHistogr_->setChecked(settings.boolValue(QStringLiteral("ShowHistogr"), true));
    UpdateMenuItems();
}

TMainForm::~TMainForm() {
    // FormDestroy: no late activation may reach the enabling rules
    disconnect(mdiArea_, &QMdiArea::subWindowActivated, this, nullptr);
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    // the documents go while the frame they talk to is still whole
    const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList();
    for (QMdiSubWindow* w : windows)
        disconnect(w, nullptr, this, nullptr);
    for (QMdiSubWindow* w : closing_)
        disconnect(w, nullptr, this, nullptr);
    closing_.clear();
    qDeleteAll(windows);
    deldib(&ColorField);
    deldib(&PatternDib);
}

void TMainForm::FormCreate() {
    ShownOnce = false;
    ProgramFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!ProgramFolder.endsWith(QLatin1Char('/')))
        ProgramFolder += QLatin1Char('/');
    ChannelCounter = 1;
    BrowserOpen = false;

    // the hint handler is event(); the active-form change drives the enabling rules
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TMainForm::subWindowActivated);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &TMainForm::UpdateMenuItems);

    openFilters_ = ParseDialogFilter(GetDIBOpenFilter());
    saveFilters_ = ParseDialogFilter(GetDIBSaveFilter());
    InstallCursors();
    SelectionFormat = QLatin1String(kSelectionMimeType);
    // colour field, option start values, the zoom tool's panel
    createToolBars();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (ShownOnce)
        return;
    ShownOnce = true;
    // once the frame has its size, so that new windows fit into it
    QTimer::singleShot(0, this, &TMainForm::FormShow);
}

void TMainForm::FormShow() {
    // the browser first, maximised, so that the command line's images open in front of it
    if (OpenBrowserAtStart && !BrowserOpen)
        Browse1Click(*this, true);
    for (const QString& path : files_)
        OpenImageFile(path);
    files_.clear();
    histoForm_->DefaultPlacement(frameGeometry());
    ShowKontrollClick();
    ShowHistogrClick();
}

bool TMainForm::event(QEvent* event) {
    // the long hint of the item under the mouse goes to panel 0
    if (event->type() == QEvent::StatusTip) {
        statusBar_->SetPanelText(0, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mdiArea_->viewport() && event->type() == QEvent::MouseMove)
        statusBar_->SetPanelText(1, QStringLiteral("Bild: keins"));
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Every modified document is asked first and nothing closes before all answers are in: a
    // Cancel anywhere stops the whole shut-down with every window still open.
    std::vector<TMDIChild*> discarded;
    for (TMDIChild* child : Documents()) {
        if (!child->Doc().Modified)
            continue;
        if (QMdiSubWindow* sub = child->SubWindow())
            mdiArea_->setActiveSubWindow(sub); // the question is about the window in front
        if (!child->FormCloseQuery()) {
            event->ignore();
            return;
        }
        if (child->Doc().Modified)
            discarded.push_back(child); // "Nein": its changes go with it
    }
    // answered: the windows close without asking a second time
    for (TMDIChild* child : discarded)
        child->Doc().Modified = false;
    mdiArea_->closeAllSubWindows();
    if (!LiveWindows().isEmpty()) {
        event->ignore();
        return;
    }
    // the toggles are stored as the user left them
    storeSettings();
    event->accept();
}

void TMainForm::storeSettings() {
    FormSettings settings(kForm);
    settings.storePlacement(this);
    settings.setValue(QStringLiteral("ShowKontroll"), showKontroll_->isChecked());
    settings.setValue(QStringLiteral("ShowHistogr"), showHistogr_->isChecked());
    // written back so that users find the key to raise
    settings.setValue(QStringLiteral("UndoLevels"), UndoLevelsSetting());
}

int TMainForm::UndoLevelsSetting() const {
    return FormSettings(kForm).intValue(QStringLiteral("UndoLevels"), kDefaultUndoLevels, 1,
                                        kMaxUndoLevels);
}

Host& TMainForm::CoreHost() {
    return *host_;
}

// ---- status bar ----

void TMainForm::SetProSatus(int percent) {
    statusBar_->ProgressPanel()->SetProSatus(percent);
}

int TMainForm::Progress() const {
    return statusBar_->ProgressPanel()->Progress();
}

void TMainForm::SetImageStatus(const QString& text) {
    statusBar_->SetPanelText(1, text);
}

// ---- active window, palettes, enabling ----

QList<QMdiSubWindow*> TMainForm::LiveWindows() const {
    QList<QMdiSubWindow*> windows = mdiArea_->subWindowList();
    windows.removeIf([this](QMdiSubWindow* w) { return closing_.contains(w); });
    return windows;
}

TMDIChild* TMainForm::ActiveDocument() const {
    QMdiSubWindow* sub = mdiArea_->activeSubWindow();
    if (sub == nullptr || closing_.contains(sub))
        return nullptr;
    return qobject_cast<TMDIChild*>(sub->widget());
}

std::vector<TMDIChild*> TMainForm::Documents() const {
    std::vector<TMDIChild*> docs;
    for (QMdiSubWindow* sub : LiveWindows())
        if (auto* child = qobject_cast<TMDIChild*>(sub->widget()))
            docs.push_back(child);
    return docs;
}

bool TMainForm::IsActiveChild(const TMDIChild* child) const {
    return ActiveDocument() == child;
}

DisplayPalette TMainForm::ActivePalette() const {
    const TMDIChild* active = ActiveDocument();
    if (active == nullptr)
        return {};
    const TDibRecord& dib = active->Doc().Dib;
    return {&dib.Palette, dib.PaletteHandle};
}

void TMainForm::UpdateAllColors() {
    if (ScreenBitsPerPixel() > 8)
        return;
    for (QMdiSubWindow* sub : LiveWindows()) {
        if (auto* child = qobject_cast<TMDIChild*>(sub->widget()))
            child->Repaint();
        else if (auto* browser = qobject_cast<TBrowserForm*>(sub->widget()))
            browser->PaintBox1->update();
    }
}

void TMainForm::subWindowActivated(QMdiSubWindow* window) {
    if (window != nullptr) {
        if (auto* child = qobject_cast<TMDIChild*>(window->widget()))
            child->FormActivate();
        else if (auto* browser = qobject_cast<TBrowserForm*>(window->widget()))
            browser->FormActivate();
    }
    RefreshToolWindows();
    UpdateMenuItems();
}

void TMainForm::ChildActivated(TMDIChild*) {
    UpdateAllColors();
}

void TMainForm::ChildClosed(TMDIChild* child) {
    // the window leaves the work space after this; from now on it no longer counts
    QMdiSubWindow* sub = child->SubWindow();
    histoForm_->DocumentClosing(sub != nullptr && sub == mdiArea_->activeSubWindow() &&
                                !closing_.contains(sub));
    if (sub != nullptr && !closing_.contains(sub)) {
        closing_.insert(sub);
        connect(sub, &QObject::destroyed, this, [this, sub] {
            closing_.remove(sub);
            UpdateMenuItems();
        });
    }
    UpdateAllColors();
    RefreshToolWindows();
    UpdateMenuItems();
}

void TMainForm::UpdateMenuItems() {
    MenuState s;
    s.ChildCount = static_cast<int>(LiveWindows().size());
    s.BrowserOpen = BrowserOpen;
    if (const TMDIChild* doc = ActiveDocument()) {
        s.Active = ActiveChild::Document;
        const DocumentState& d = doc->Doc();
        s.HasPixels = d.Dib.Bits != nullptr;
        s.BitsPerPixel = d.Dib.Bits ? DibBitsPerPixel(&d.Dib) : 0;
        s.UndoCount = d.UndoCount;
        s.HasSelection = d.HasSelection;
        s.Floating = d.Floating;
        s.ZoomIn = d.ZoomIn;
        s.ZoomOut = d.ZoomOut;
    } else if (mdiArea_->activeSubWindow() != nullptr &&
               !closing_.contains(mdiArea_->activeSubWindow())) {
        s.Active = ActiveChild::Browser;
    }
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    s.Clipboard = clip == nullptr        ? ClipboardState::CannotOpen
                  : ClipboardHoldsImage(clip) ? ClipboardState::HasImage
                                              : ClipboardState::NoImage;

    const MenuEnabling e = ComputeMenuItems(s);
    for (int i = 0; i < kMenuItemCount; ++i) {
        QAction* a = ruleActions_[static_cast<size_t>(i)];
        const Enabling v = e[static_cast<MenuItem>(i)];
        if (a != nullptr && v != Enabling::Unchanged)
            a->setEnabled(v == Enabling::On);
    }
}

// ---- frame space for fitting windows ----

FrameSpace TMainForm::frameSpace() const {
    auto shown = [](const QWidget* w) { return w != nullptr && w->isVisible(); };
    FrameSpace f;
    f.L = (shown(SpeedBar1) ? SpeedBar1->width() : 0) + (shown(Panel1) ? Panel1->width() : 0);
    f.T = (speedPanel_->isVisible() ? speedPanel_->height() : 0) +
          (statusBar_->isVisible() ? statusBar_->height() : 0) +
          (shown(speedbar2) ? speedbar2->height() : 0);
    // the work space is what the bars leave of the frame's client area
    f.ClientWidth = f.L + mdiArea_->viewport()->width();
    f.ClientHeight = f.T + mdiArea_->viewport()->height();
    // a tiny image still gets a window with room for its caption and buttons
    f.MinWidth = kMinDocumentWindow.width();
    f.MinHeight = kMinDocumentWindow.height();
    // images are drawn in device pixels
    f.PixelRatio = mdiArea_->devicePixelRatioF();
    return f;
}

// ---- window commands ----

void TMainForm::FileCloseItemClick() {
    mdiArea_->closeActiveSubWindow();
}

void TMainForm::FileExitItemClick() {
    close();
}

void TMainForm::WindowCascadeItemClick() {
    // a stair of the windows in their stacking order, each keeping its size
    std::vector<QMdiSubWindow*> windows;
    std::vector<CascadeSize> sizes;
    for (QMdiSubWindow* w : mdiArea_->subWindowList(QMdiArea::StackingOrder)) {
        if (closing_.contains(w) || w->isMinimized() || w->isHidden())
            continue;
        if (w->isMaximized())
            w->showNormal();
        windows.push_back(w);
        sizes.push_back({w->width(), w->height()});
    }
    if (windows.empty())
        return;
    const QWidget* area = mdiArea_->viewport();
    const int step = windows.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr,
                                                           windows.front());
    const std::vector<CascadeRect> rects =
        CascadeWindows(sizes, area->width(), area->height(), std::max(step, 8),
                       kMinDocumentWindow.width(), kMinDocumentWindow.height());
    for (size_t i = 0; i < windows.size(); ++i) {
        windows[i]->setGeometry(rects[i].X, rects[i].Y, rects[i].Width, rects[i].Height);
        windows[i]->raise();
    }
}

void TMainForm::WindowTileItemClick() {
    mdiArea_->tileSubWindows();
}

void TMainForm::WindowArrangeItemClick() {
    std::vector<QMdiSubWindow*> icons;
    for (QMdiSubWindow* w : LiveWindows())
        if (w->isMinimized())
            icons.push_back(w);
    if (icons.empty())
        return;
    const QSize icon = icons.front()->size();
    const std::vector<IconPlace> places =
        ArrangeIcons(static_cast<int>(icons.size()), icon.width(), icon.height(),
                     mdiArea_->viewport()->width(), mdiArea_->viewport()->height());
    for (size_t i = 0; i < icons.size() && i < places.size(); ++i)
        icons[i]->move(places[i].X, places[i].Y);
}

void TMainForm::WindowMinimizeItemClick() {
    const QList<QMdiSubWindow*> windows = LiveWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        (*it)->showMinimized();
}

void TMainForm::GreanBildanpassen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    QMdiSubWindow* sub = child->SubWindow();
    if (sub == nullptr || sub->isMinimized() || sub->isMaximized())
        return;
    child->SettleLayout();
    const QWidget* client = child->ScrollBox1()->viewport();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, child->ScrollBox1());
    const WindowRect r = FitWindowToImage(
        {sub->x(), sub->y(), sub->width(), sub->height()}, client->width(), client->height(),
        child->PaintBox1()->width(), child->PaintBox1()->height(), bar, bar, frameSpace());
    sub->setGeometry(r.Left, r.Top, r.Width, r.Height);
}

void TMainForm::Toolbars1Click() {
    auto shown = [](const QWidget* w) { return w != nullptr && w->isVisible(); };
    TConfigBars dialog(this);
    dialog.SetChecked({speedPanel_->isVisible(), shown(SpeedBar1), shown(Panel1), shown(speedbar2),
                       shown(HistoForm)});
    if (!dialog.Run())
        return;
    const auto on = dialog.Checked();
    auto set = [](QWidget* w, bool visible) {
        if (w != nullptr)
            w->setVisible(visible);
    };
    speedPanel_->setVisible(on[TConfigBars::Standard]);
    set(SpeedBar1, on[TConfigBars::Drawing]);
    set(Panel1, on[TConfigBars::Colours]); // Panel2 lies in it
    set(speedbar2, on[TConfigBars::Controls]);
    set(HistoForm, on[TConfigBars::Histogram]);
}

void TMainForm::ShowKontrollClick() {
    if (speedbar2 != nullptr)
        speedbar2->setVisible(showKontroll_->isChecked());
    host_->Updatehistogramm();
}

void TMainForm::ShowHistogrClick() {
    // once shown, the window asks for its curves itself
    if (HistoForm != nullptr)
        HistoForm->setVisible(showHistogr_->isChecked());
}

void TMainForm::HelpAboutItemClick() {
    TAboutBox about(this);
    about.exec();
}

} // namespace pixorama::ui
