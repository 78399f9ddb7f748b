// The frame's document commands: new, open, duplicate, save, zoom.  The arithmetic is the
// core's; here windows are made, sized and repainted.
#include "app/ui/main_form.h"

#include "document/dib.h"
#include "document/ui/jpeg_quality_form.h"
#include "document/ui/mdi_child.h"
#include "document/ui/new_form.h"
#include "document/undo.h"
#include "document/zoom.h"
#include "platform/ui/file_dialogs.h"
#include "platform/ui/message_box.h"

#include <QFileInfo>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>

#include <chrono>

namespace pixorama::ui {

namespace {
const QSize kNewWindowSize(400, 300);
} // namespace

TMDIChild* TMainForm::CreateDocumentWindow(const QString& caption) {
    auto* child = new TMDIChild(*this);
    child->setWindowTitle(caption);
    QMdiSubWindow* sub = mdiArea_->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(windowIcon());
    sub->setWindowTitle(caption);
    sub->resize(kNewWindowSize);
    // the sub-window's own system menu shortcuts (Ctrl+W close, Ctrl+F4, ...) would make the
    // menu's keys ambiguous; the frame's menus close, minimise and move the windows
    if (QMenu* system = sub->systemMenu())
        for (QAction* a : system->actions())
            a->setShortcuts({});
    sub->show();
    // each document window starts the program's random generator from the clock; the
    // command line's --seed keeps its runs repeatable
    CoreHost().Seed(static_cast<uint32_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    SetUndoDepth(child->Doc(), UndoLevelsSetting());
    // sizes of the scroll box are needed right away for fitting
    if (child->layout() != nullptr)
        child->layout()->activate();
    return child;
}

bool TMainForm::prepareDocument(TMDIChild* child, const TDibRecord& dib) {
    DocumentState& doc = child->Doc();
    if (dib.Bits == nullptr) {
        TDibRecord gone = dib;
        deldib(&gone);
        return false;
    }
    const int w = DibWidth(&dib), h = DibHeight(&dib);
    QMdiSubWindow* sub = child->SubWindow();
    doc.ZoomIn = 1;
    doc.ZoomOut = 1;
    if (sub != nullptr && !sub->isMinimized() && !sub->isMaximized()) {
        const QWidget* client = child->ScrollBox1()->viewport();
        const NewWindowFit fit =
            FitNewDocument(w, h, sub->width() - client->width(), sub->height() - client->height(),
                           {sub->x(), sub->y(), sub->width(), sub->height()}, frameSpace());
        doc.ZoomOut = fit.ZoomOut;
        sub->setGeometry(fit.Window.Left, fit.Window.Top, fit.Window.Width, fit.Window.Height);
    }
    child->UpdateCaption();
    if (!AttachImage(doc, dib))
        return false; // no selection mask: the window goes again
    child->UpdatePaintBoxSize();
    child->Repaint();
    return true;
}

void TMainForm::showDocument(const TDibRecord& dib, const std::string& fileName,
                             const std::string& path) {
    TMDIChild* child = CreateDocumentWindow(QString::fromStdString(fileName));
    DocumentState& doc = child->Doc();
    doc.FileName = fileName;
    if (!path.empty())
        SetDocumentFile(doc, path);
    if (!prepareDocument(child, dib))
        child->SubWindow()->close();
    UpdateAllColors();
    RefreshToolWindows();
    UpdateMenuItems();
}

void TMainForm::ShowNewDocument(const TDibRecord& dib, const std::string& name, bool named) {
    if (named) {
        showDocument(dib, name, {});
        return;
    }
    std::vector<std::string> open;
    for (const TMDIChild* child : Documents())
        open.push_back(child->Doc().FileName);
    showDocument(dib, NonameName(open), {});
}

void TMainForm::OpenImageFile(const QString& path) {
    const std::string file = path.toStdString();
    TDibRecord dib = LoadImageFile(file, CoreHost());
    if (dib.Bits == nullptr) {
        UpdateAllColors();
        UpdateMenuItems();
        return;
    }
    showDocument(dib, FileNameOfPath(file), QFileInfo(path).absoluteFilePath().toStdString());
}

void TMainForm::FileNewItemClick() {
    TNewForm form(this);
    if (!form.Run())
        return;
    ShowNewDocument(
        CreateNewImage(form.BreitEdit->value(), form.HochEdit->value(), form.BitsPerPixel()), {},
        false);
}

void TMainForm::FileOpenItemClick() {
    const QString path = GetOpenImageName(this, openFilters_);
    if (!path.isEmpty())
        OpenImageFile(path);
}

void TMainForm::Verdoppeln1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    ShowNewDocument(MakeDIBCopy(child->Doc().Dib, CoreHost()), {}, false);
}

// ---- saving ----

void TMainForm::FileSaveItemClick() {
    if (TMDIChild* child = ActiveDocument())
        saveChild(child, false);
}

void TMainForm::FileSaveAsItemClick() {
    if (TMDIChild* child = ActiveDocument())
        saveChild(child, true);
}

void TMainForm::SaveDocument(TMDIChild* child) {
    saveChild(child, false);
}

void TMainForm::saveChild(TMDIChild* child, bool askName) {
    DocumentState& doc = child->Doc();
    if (doc.Dib.Bits == nullptr)
        return;
    SaveTarget target;
    if (!askName && SavesInPlace(doc)) {
        target = {doc.FilePath, doc.FileFormat};
    } else {
        if (saveFilters_.empty())
            return;
        const int preset = DefaultSaveFilter(doc, saveFilters_);
        const QString suggested =
            QString::fromStdString(doc.FilePath.empty() ? doc.FileName : doc.FilePath);
        // a name typed without an extension gets the chosen filter's, as saving gives it
        QStringList extensions;
        for (const DialogFilter& f : saveFilters_)
            extensions << QString::fromStdString(FilterExtension(f));
        const SaveAnswer answer =
            GetSaveImageName(this, saveFilters_, preset, suggested, extensions);
        if (answer.path.isEmpty())
            return;
        const int chosen =
            answer.filter >= 0 && answer.filter < static_cast<int>(saveFilters_.size())
                ? answer.filter
                : std::max(preset, 0);
        target =
            ResolveSaveTarget(answer.path.toStdString(), saveFilters_[static_cast<size_t>(chosen)]);
        // the dialog asked about the name it returned; a name we completed is asked about here
        const QString finalPath = QString::fromStdString(target.Path);
        if (finalPath != answer.path && QFileInfo::exists(finalPath) &&
            ShowMessageBox(
                this, finalPath + QStringLiteral(" existiert bereits.\nMöchten Sie sie ersetzen?"),
                QStringLiteral("Speichern unter"), MB_YESNO | MB_ICONWARNING) != IDYES)
            return;
    }
    int quality = kJpegQualityRange.Default;
    if (IsJpegFormat(target.Format)) {
        TJpegQForm form(this);
        if (!form.Run())
            return;
        quality = form.Quality();
    }
    if (pixorama::SaveDocument(doc, target, quality, CoreHost()))
        child->UpdateCaption();
    UpdateMenuItems();
}

// ---- zoom ----

void TMainForm::SetZoom(int newIn, int newOut) {
    TMDIChild* child = ActiveDocument();
    if (child != nullptr) {
        DocumentState& doc = child->Doc();
        QScrollArea* box = child->ScrollBox1();
        child->SettleLayout();
        const int W = DibWidth(&doc.Dib), H = DibHeight(&doc.Dib);
        // the centre and the new scroll positions in device pixels, where the image is drawn
        const double ratio = child->PaintBox1()->devicePixelRatioF();
        const ZoomCentre centre = ZoomViewCentre(
            DevicePixel(box->horizontalScrollBar()->value(), ratio),
            DevicePixel(box->verticalScrollBar()->value(), ratio), DevicePixel(box->width(), ratio),
            DevicePixel(box->height(), ratio), doc.ZoomIn, doc.ZoomOut, W, H);
        doc.ZoomIn = newIn;
        doc.ZoomOut = newOut;
        QMdiSubWindow* sub = child->SubWindow();
        if (sub != nullptr && !sub->isMinimized() && !sub->isMaximized()) {
            const WindowRect r = ZoomWindowSize({sub->x(), sub->y(), sub->width(), sub->height()},
                                                box->viewport()->width(), box->viewport()->height(),
                                                W, H, newIn, newOut, frameSpace());
            sub->resize(r.Width, r.Height);
        }
        child->UpdatePaintBoxSize();
        child->SettleLayout();
        const ScrollPos p = ZoomScrollPosition(
            centre, newIn, newOut, DevicePixel(box->width(), ratio),
            DevicePixel(box->height(), ratio), ZoomedExtent(W, newIn, newOut),
            ZoomedExtent(H, newIn, newOut));
        box->horizontalScrollBar()->setValue(static_cast<int>(p.X / ratio));
        box->verticalScrollBar()->setValue(static_cast<int>(p.Y / ratio));
        child->UpdateCaption();
        child->Repaint();
    }
    followZoomBox();
    UpdateMenuItems();
}

} // namespace pixorama::ui
