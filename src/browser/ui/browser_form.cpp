#include "browser/ui/browser_form.h"

#include "app/ui/main_form.h"
#include "browser/browser_grid.h"
#include "document/display.h"
#include "platform/ui/settings_store.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace pixorama::ui {

void TMyThread::run() {
    TBrowserForm* form = Form;
    while (!isInterruptionRequested() && !Done)
        QMetaObject::invokeMethod(form, [form] { form->ScanStep(); },
                                  Qt::BlockingQueuedConnection);
}

TThumbGrid::TThumbGrid(TBrowserForm* owner) : owner_(owner) {
    setObjectName(QStringLiteral("PaintBox1"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

void TThumbGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const auto& thumbs = owner_->Scan().Thumbs();
    const int n = ThumbsPerRow(width());
    const int selected = owner_->Selected;
    const QColor back = QColor(192, 192, 192), blue = Qt::blue;
    DisplayPalette selectedPalette;
    if (selected >= 1 && selected <= static_cast<int>(thumbs.size())) {
        const TDibRecord& sel = thumbs[static_cast<size_t>(selected - 1)].Dib;
        selectedPalette = {&sel.Palette, sel.PaletteHandle};
    }
    for (size_t k = 0; k < thumbs.size(); ++k) {
        const int i = static_cast<int>(k) + 1;
        const Thumbnail& t = thumbs[k];
        const ThumbCell c = CellOf(i, n, DibWidth(&t.Dib), DibHeight(&t.Dib));
        const GridRect& f = c.frame;
        p.setPen(Qt::white);
        p.drawLine(f.left, f.top, f.right, f.top);
        p.setPen(QColor(128, 128, 128));
        p.drawLine(f.right, f.top, f.right, f.bottom);
        p.drawLine(f.right, f.bottom, f.left, f.bottom);
        p.setPen(Qt::white);
        p.drawLine(f.left, f.bottom, f.left, f.top);
        const QColor bg = i == selected ? blue : back;
        for (const GridRect& m : c.margins)
            p.fillRect(QRect(QPoint(m.left, m.top), QPoint(m.right - 1, m.bottom - 1)), bg);
        const GridRect& r = c.picture;
        QImage img(r.right - r.left, r.bottom - r.top, QImage::Format_RGB32);
        DisplaySurface s;
        s.pixels = reinterpret_cast<uint32_t*>(img.bits());
        s.stride = static_cast<int32_t>(img.bytesPerLine() / 4);
        s.width = img.width();
        s.height = img.height();
        s.bitsPerPixel = ScreenBitsPerPixel();
        // on a palette screen the others are drawn with the selected thumbnail's palette
        DrawDib(s, 0, 0, img.width(), img.height(), t.Dib, 0, 0, DibWidth(&t.Dib),
                DibHeight(&t.Dib), true, SRCCOPY, i == selected, selectedPalette);
        p.drawImage(r.left, r.top, img);
        const GridRect& nr = c.name;
        const QRect nameRect(QPoint(nr.left, nr.top), QPoint(nr.right - 1, nr.bottom - 1));
        p.fillRect(nameRect, bg);
        p.setPen(i == selected ? Qt::white : Qt::black);
        p.drawText(nameRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   QString::fromStdString(t.Name));
    }
    owner_->ShowStatus();
}

void TThumbGrid::mousePressEvent(QMouseEvent* event) {
    setFocus();
    const QPoint pos = event->position().toPoint();
    const int hit = HitThumb(pos.x(), pos.y(), owner_->ThumbCount(), ThumbsPerRow(width()));
    if (hit == 0) return;
    owner_->Selected = hit;
    owner_->ScrollToSelected();
    update();
    owner_->FormActivate();
}

void TThumbGrid::mouseDoubleClickEvent(QMouseEvent*) { owner_->OpenSelected(); }

void TThumbGrid::mouseMoveEvent(QMouseEvent*) { owner_->ShowStatus(); }

void TThumbGrid::keyPressEvent(QKeyEvent* event) {
    const int n = ThumbsPerRow(width());
    GridKey key;
    switch (event->key()) {
    case Qt::Key_Up: key = GridKey::Up; break;
    case Qt::Key_Down: key = GridKey::Down; break;
    case Qt::Key_Left: key = GridKey::Left; break;
    case Qt::Key_Right: key = GridKey::Right; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (owner_->Selected > 0) owner_->OpenSelected();
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    owner_->Selected = MoveSelection(owner_->Selected, owner_->ThumbCount(), n, key);
    owner_->ScrollToSelected();
    update();
    owner_->FormActivate();
}

void TThumbGrid::focusInEvent(QFocusEvent*) {
    // the "Thumbnails" bar shows whether the grid has the keyboard
    owner_->NamePanel->setStyleSheet(QStringLiteral(
        "background: palette(highlight); color: palette(highlighted-text); font: bold;"));
}

void TThumbGrid::focusOutEvent(QFocusEvent*) {
    owner_->NamePanel->setStyleSheet(
        QStringLiteral("background: palette(mid); color: palette(window); font: bold;"));
}

TBrowserForm::TBrowserForm(TMainForm& main) : main_(main), scan_(main.CoreHost()) {
    setObjectName(QStringLiteral("BrowserForm"));
    setWindowTitle(QStringLiteral("Pixorama Browser"));
    scan_.OnLog = [this](const std::string& line) { log(QString::fromStdString(line)); };
    scan_.OnProgress = [this](int done, int total) { showProgress(done, total); };

    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->appendPlainText(QStringLiteral("Statusinformationen:"));

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives | QDir::Hidden);
    model_->setReadOnly(true);
    model_->setRootPath(QStringLiteral("/"));
    JamShellTree1 = new QTreeView;
    JamShellTree1->setObjectName(QStringLiteral("JamShellTree1"));
    JamShellTree1->setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c) JamShellTree1->hideColumn(c);
    JamShellTree1->header()->hide();

    NamePanel = new QLabel(QStringLiteral("Thumbnails"));
    NamePanel->setObjectName(QStringLiteral("NamePanel"));
    NamePanel->setStyleSheet(
        QStringLiteral("background: palette(mid); color: palette(window); font: bold;"));
    ScrollBox1 = new QScrollArea;
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    PaintBox1 = new TThumbGrid(this);
    ScrollBox1->setWidget(PaintBox1);
    ScrollBox1->setWidgetResizable(false);

    auto* panel2 = new QWidget;
    auto* l2 = new QVBoxLayout(panel2);
    l2->setContentsMargins(0, 0, 0, 0);
    l2->setSpacing(0);
    l2->addWidget(NamePanel);
    l2->addWidget(ScrollBox1, 1);

    split1_ = new QSplitter(Qt::Horizontal);
    split1_->setObjectName(QStringLiteral("RxSplitter1"));
    split1_->addWidget(JamShellTree1);
    split1_->addWidget(panel2);
    split1_->setSizes({185, 250});
    split2_ = new QSplitter(Qt::Vertical);
    split2_->setObjectName(QStringLiteral("RxSplitter2"));
    split2_->addWidget(split1_);
    split2_->addWidget(Memo1);
    split2_->setSizes({325, 41});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split2_);

    // panel sizes from the last run
    FormSettings store(QStringLiteral("BrowserForm"));
    const QByteArray s1 = store.value(QStringLiteral("Splitter1")).toByteArray();
    const QByteArray s2 = store.value(QStringLiteral("Splitter2")).toByteArray();
    if (!s1.isEmpty()) split1_->restoreState(s1);
    if (!s2.isEmpty()) split2_->restoreState(s2);

    // the root of the tree is "/", the home folder is chosen at first
    connect(JamShellTree1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { folderChanged(); });
    home_ = QDir::homePath();
    const QModelIndex home = model_->index(home_);
    JamShellTree1->expand(home);
    JamShellTree1->setCurrentIndex(home);
    // the tree fills in the background: the home folder's row has its place only when the
    // folders above it are read
    homeScroll_ = new QTimer(this);
    homeScroll_->setSingleShot(true);
    homeScroll_->setInterval(150);
    connect(homeScroll_, &QTimer::timeout, this, [this] {
        if (!home_.isEmpty() && SelectedFolder() == home_)
            JamShellTree1->scrollTo(JamShellTree1->currentIndex(), QAbstractItemView::PositionAtCenter);
        if (homeRead_) home_.clear(); // from now on the tree is the user's
    });
    connect(model_, &QFileSystemModel::directoryLoaded, this, &TBrowserForm::homeLoaded);
    connect(model_, &QAbstractItemModel::layoutChanged, this, [this] {
        if (!home_.isEmpty()) homeScroll_->start();
    });
    JamShellTree1->scrollTo(home);
}

void TBrowserForm::homeLoaded(const QString& path) {
    if (home_.isEmpty()) return;
    if (SelectedFolder() != home_) { // the user has chosen another folder: leave the tree alone
        home_.clear();
        return;
    }
    // the rows are sorted and laid out a moment after a folder is read: scroll once that is done
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    homeRead_ = homeRead_ || path == home_;
    if (path == home_ || home_.startsWith(prefix)) homeScroll_->start();
}

void TBrowserForm::FormActivate() { main_.UpdateAllColors(); }

QString TBrowserForm::ProgressText(int done, int total) {
    return QStringLiteral("Thumbnails: %1 von %2").arg(done).arg(total);
}

void TBrowserForm::showProgress(int done, int total) {
    main_.SetStatusPanel(0, ProgressText(done, total));
    main_.SetProSatus(total > 0 ? static_cast<int>(int64_t{done} * 100 / total) : 0);
}

TBrowserForm::~TBrowserForm() {
    closing_ = true;
    if (ScanThread != nullptr) {
        disconnect(ScanThread, nullptr, this, nullptr);
        ScanThread->requestInterruption();
        // a step the thread is waiting for returns at once now
        while (!ScanThread->wait(5))
            QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        delete ScanThread;
    }
}

QString TBrowserForm::SelectedFolder() const {
    const QModelIndex i = JamShellTree1->currentIndex();
    return i.isValid() ? model_->filePath(i) : QString();
}

void TBrowserForm::SelectFolder(const QString& path) {
    JamShellTree1->setCurrentIndex(model_->index(path));
}

void TBrowserForm::log(const QString& line) { Memo1->appendPlainText(line); }

QString TBrowserForm::StatusText() const {
    const int count = ThumbCount();
    const TThumbInfo* info =
        Selected >= 1 && Selected <= count ? &scan_.Thumbs()[static_cast<size_t>(Selected - 1)].Info
                                           : nullptr;
    return QString::fromStdString(BrowserStatusText(Selected, count, info));
}

void TBrowserForm::ShowStatus() { main_.SetStatusPanel(1, StatusText()); }

void TBrowserForm::ScrollToSelected() {
    QScrollBar* bar = ScrollBox1->verticalScrollBar();
    bar->setValue(ScrollForSelected(Selected, ThumbsPerRow(PaintBox1->width()), bar->value(),
                                    ScrollBox1->viewport()->height()));
}

void TBrowserForm::OpenSelected() {
    if (Selected < 1 || Selected > ThumbCount()) return;
    const std::string& name = scan_.Thumbs()[static_cast<size_t>(Selected - 1)].Name;
    main_.OpenFromBrowser(QDir(SelectedFolder()).filePath(QString::fromStdString(name)));
}

void TBrowserForm::folderChanged() {
    // before the change: a running scan stops after its current file
    if (Running) {
        Pending = true;
        ScanThread->requestInterruption();
    }
    if (ThumbCount() > 0) {
        scan_.ClearThumbs();
        PaintBox1->update();
    }
    if (!Running && !SelectedFolder().isEmpty()) startScan(SelectedFolder());
}

void TBrowserForm::startScan(const QString& folder) {
    // logs "Bearbeite Verzeichnis: " and reads the folder's cache
    Pending = false;
    scan_.Start(folder.toStdString());
    Running = true;
    LastFolder = folder;
    ScanThread = new TMyThread(this);
    connect(ScanThread, &QThread::finished, this, &TBrowserForm::ScanFinished);
    ScanThread->start();
}

void TBrowserForm::ScanStep() {
    if (closing_ || ScanThread == nullptr) return;
    std::string name;
    if (!scan_.NextName(name)) {
        ScanThread->Done = true;
        return;
    }
    if (SelectedFolder().isEmpty()) return;
    const FolderScan::Added added = scan_.NewFile(name);
    if (added == FolderScan::Added::None) return;
    const int n = ThumbsPerRow(ScrollBox1->viewport()->width());
    PaintBox1->resize(ScrollBox1->viewport()->width(), GridHeight(ThumbCount(), n));
    if (added == FolderScan::Added::Decoded) {
        const GridRect f = CellOf(ThumbCount(), n, 1, 1).frame;
        PaintBox1->update(QRect(QPoint(f.left, f.top), QPoint(f.right, f.bottom + 2)));
    } else {
        PaintBox1->update();
    }
}

void TBrowserForm::ScanFinished() {
    Running = false;
    if (ScanThread != nullptr) {
        ScanThread->wait();
        ScanThread->deleteLater();
        ScanThread = nullptr;
    }
    scan_.Finish();
    main_.SetProSatus(0);
    main_.SetStatusPanel(0, QString());
    const QString folder = SelectedFolder();
    if (!folder.isEmpty()) {
        log(QStringLiteral("Bearbeitung von Verzeichnis ") + folder + QStringLiteral(" abgeschloßen."));
        if (Pending) startScan(folder);
    }
}

void TBrowserForm::closeEvent(QCloseEvent* event) {
    if (Running) {
        log(QStringLiteral("Benutzerwunsch: Breche Bearbeitung ab..."));
        ScanThread->requestInterruption();
        event->ignore();
        return;
    }
    FormSettings store(QStringLiteral("BrowserForm"));
    store.setValue(QStringLiteral("Splitter1"), split1_->saveState());
    store.setValue(QStringLiteral("Splitter2"), split2_->saveState());
    main_.BrowserOpen = false;
    Pending = false;
    scan_.ClearThumbs();
    event->accept();
    main_.UpdateMenuItems();
}

void Browse1Click(TMainForm& main, bool maximised) {
    if (main.BrowserOpen) return;
    main.BrowserOpen = true;
    auto* form = new TBrowserForm(main);
    QMdiSubWindow* sub = main.MdiArea()->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setProperty("Tag", 1);
    sub->resize(435, 366);
    if (maximised)
        sub->showMaximized();
    else
        sub->show();
    main.UpdateMenuItems();
}

} // namespace pixorama::ui
