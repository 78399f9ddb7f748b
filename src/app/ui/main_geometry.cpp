// The frame's commands of geometry, effects and deformations in the menu "B&ild".  Each takes
// the active image document, asks its dialog, runs the core command (which takes the one undo
// level), refits the window when the image got a new size, and repaints.
#include "app/ui/main_form.h"

#include "document/ui/mdi_child.h"
#include "ops/deformations.h"
#include "ops/effects.h"
#include "ops/geometry.h"
#include "ops/preview.h"
#include "ops/ui/geometry_forms.h"
#include "ops/ui/progress_host.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>

#include <chrono>

namespace pixorama::ui {

void TMainForm::connectGeometryMenu() {
    struct Item {
        const char* name;
        void (TMainForm::*handler)();
        const char* hint;
    };
    const Item items[] = {
        {"Horizontalspiegeln1", &TMainForm::Horizontalspiegeln1Click,
         "Spiegelt das Bild an einer horizontalen Geraden"},
        {"Vertikalspiegeln1", &TMainForm::Vertikalspiegeln1Click,
         "Spiegelt das Bild an einer vertikalen Geraden"},
        {"Rotieren1", &TMainForm::Rotieren1Click, "Rotiert das Bild"},
        {"Randhinzufgen1", &TMainForm::Randhinzufgen1Click, "Fügt einen Rand hinzu"},
        {"Rahmenvergrern1", &TMainForm::Rahmenvergrern1Click, "Ändert die Größe des Bildes"},
        {"ZurAuswahlverkleinern1", &TMainForm::ZurAuswahlverkleinern1Click,
         "Lässt nur die Auswahl übrig"},
        {"Grendern1", &TMainForm::Grendern1Click, "Vergrößert oder verkleinert das Bild"},
        {"Schattenhinzufgen1", &TMainForm::Schattenhinzufgen1Click, nullptr},
        {"Druckknopferstellen1", &TMainForm::Druckknopferstellen1Click, nullptr},
        {"Erweitern1", &TMainForm::Erweitern1Click, nullptr},
        {"Auswachen1", &TMainForm::Auswachen1Click, nullptr},
        {"MosaikEffekt1", &TMainForm::MosaikEffekt1Click, nullptr},
        {"Hinzufgen1", &TMainForm::Hinzufgen1Click, nullptr},
        {"Entfernen1", &TMainForm::Entfernen1Click, nullptr},
        {"Perspektive1", &TMainForm::Perspektive1Click, nullptr},
        {"Wlben1", &TMainForm::Wlben1Click, nullptr},
        {"Effekte1", nullptr, "Wendet spezielle Effekte auf die Auswahl an"},
        {"Strungen1", nullptr, "Filter die Störungen erzeugen oder entfernen"},
        {"Deformationen1", nullptr, "Deformiert das Bild"},
    };
    for (const Item& item : items) {
        QAction* a = Action(QLatin1String(item.name));
        if (a == nullptr)
            continue;
        if (item.handler != nullptr)
            connect(a, &QAction::triggered, this, item.handler);
        if (item.hint != nullptr)
            a->setStatusTip(QString::fromUtf8(item.hint));
    }
}

namespace {

// Runs op(doc, host) on the active document with progress in the status bar; a new image size
// refits the window at the document's zoom.
template <class Op> void runGeometry(TMainForm& form, TMDIChild* child, Op&& op) {
    if (child == nullptr)
        return;
    DocumentState& doc = child->Doc();
    const int32_t w = DibWidth(&doc.Dib), h = DibHeight(&doc.Dib);
    {
        TProgressHost host(form.CoreHost());
        TBusyCursor busy;
        op(doc, host);
    }
    if (DibWidth(&doc.Dib) != w || DibHeight(&doc.Dib) != h)
        form.SetZoom(doc.ZoomIn, doc.ZoomOut);
    child->Repaint();
    form.UpdateMenuItems();
}

// A deformation dialog with preview: backup, previews from it, OK with one undo level, cancel
// giving the image back.  The controls keep their last values.
void runDeformForm(TMainForm& form, TDeformForm& dialog) {
    TMDIChild* child = form.ActiveDocument();
    if (child == nullptr || DibBitsPerPixel(&child->Doc().Dib) != 24)
        return;
    TProgressHost host(form.CoreHost());
    PreviewSession session(child->Doc(), host);
    if (!session.Begin())
        return;
    DocumentState& doc = child->Doc();
    dialog.PreviewAction = [&] {
        TBusyCursor busy;
        session.Preview([&] { dialog.Apply(doc, host, session.Backup()); });
        child->Repaint();
    };
    dialog.AcceptAction = [&] {
        TBusyCursor busy;
        session.Accept([&] { dialog.Apply(doc, host, session.Backup()); });
    };
    const bool ok = dialog.Run();
    dialog.PreviewAction = nullptr;
    dialog.AcceptAction = nullptr;
    session.Finish(ok);
    host.Updatehistogramm();
    child->Repaint();
}

} // namespace

void TMainForm::Horizontalspiegeln1Click() {
    runGeometry(*this, ActiveDocument(),
                [](DocumentState& d, Host& h) { MirrorCommand(d, h, true); });
}

void TMainForm::Vertikalspiegeln1Click() {
    runGeometry(*this, ActiveDocument(),
                [](DocumentState& d, Host& h) { MirrorCommand(d, h, false); });
}

void TMainForm::Rotieren1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TRotateForm dialog(this);
    dialog.InterpolCheck->setEnabled(DibBitsPerPixel(&child->Doc().Dib) == 24);
    if (!dialog.Run())
        return;
    TRotateChoice c;
    c.Right = dialog.RotRightCheck->isChecked();
    c.Angle = dialog.Grad90Check->isChecked()    ? RotateAngle::Deg90
              : dialog.Grad180Check->isChecked() ? RotateAngle::Deg180
              : dialog.Grad270Check->isChecked() ? RotateAngle::Deg270
                                                 : RotateAngle::Free;
    c.Degrees = dialog.GradEdit->value();
    c.Interpolate = dialog.InterpolCheck->isEnabled() && dialog.InterpolCheck->isChecked();
    runGeometry(*this, child, [&c](DocumentState& d, Host& h) { RotateCommand(d, h, c); });
}

void TMainForm::Randhinzufgen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TAddBForm dialog(this);
    if (!dialog.Run())
        return;
    const int32_t t = dialog.TopEdit->value(), b = dialog.BottomEdit->value(),
                  l = dialog.LeftEdit->value(), r = dialog.RightEdit->value();
    runGeometry(*this, child,
                [=](DocumentState& d, Host& h) { BorderCommand(d, h, t, b, l, r); });
}

void TMainForm::Rahmenvergrern1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TCanvasSForm dialog(this);
    dialog.SetImageSize(DibWidth(&child->Doc().Dib), DibHeight(&child->Doc().Dib));
    if (!dialog.Run())
        return;
    const int32_t w = dialog.BreitEdit->value(), hh = dialog.HochEdit->value(),
                  l = dialog.LeftEdit->value(), t = dialog.TopEdit->value();
    runGeometry(*this, child, [=](DocumentState& d, Host& h) { CanvasCommand(d, h, w, hh, l, t); });
}

void TMainForm::ZurAuswahlverkleinern1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr || !child->Doc().HasSelection)
        return;
    runGeometry(*this, child, [](DocumentState& d, Host& h) { CropCommand(d, h); });
}

void TMainForm::Grendern1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TResizeForm dialog(this);
    dialog.SetImageSize(DibWidth(&child->Doc().Dib), DibHeight(&child->Doc().Dib));
    dialog.InterpolCheck->setEnabled(DibBitsPerPixel(&child->Doc().Dib) > 8);
    if (!dialog.Run())
        return;
    const int32_t w = dialog.BreitEdit->value(), hh = dialog.HochEdit->value();
    const bool interpolate = dialog.InterpolCheck->isEnabled() && dialog.InterpolCheck->isChecked();
    runGeometry(*this, child,
                [=](DocumentState& d, Host& h) { ResizeCommand(d, h, w, hh, interpolate); });
}

void TMainForm::Schattenhinzufgen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TShadowForm dialog(this);
    const bool trueColour = DibBitsPerPixel(&child->Doc().Dib) > 8;
    dialog.TransEd->setEnabled(trueColour);
    dialog.BlurEd->setEnabled(trueColour);
    if (!dialog.Run())
        return;
    const int32_t dx = dialog.HorzEd->value(), dy = dialog.VertEd->value(),
                  tr = dialog.TransEd->value(), so = dialog.BlurEd->value();
    const int item = dialog.ColorBox->currentIndex();
    runGeometry(*this, child,
                [=](DocumentState& d, Host& h) { ShadowCommand(d, h, dx, dy, tr, so, item); });
}

void TMainForm::Druckknopferstellen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TButtonForm dialog(this);
    if (!dialog.Run())
        return;
    const int32_t bw = dialog.BreitEd->value(), tr = dialog.TransED->value();
    const bool solid = dialog.SolidCheck->isChecked();
    const int item = dialog.ColorBox->currentIndex();
    runGeometry(*this, child,
                [=](DocumentState& d, Host& h) { ButtonCommand(d, h, bw, tr, solid, item); });
}

void TMainForm::Erweitern1Click() {
    runGeometry(*this, ActiveDocument(),
                [](DocumentState& d, Host& h) { DibDilateFilter(d, h); });
}

void TMainForm::Auswachen1Click() {
    runGeometry(*this, ActiveDocument(), [](DocumentState& d, Host& h) { DibErodeFilter(d, h); });
}

void TMainForm::MosaikEffekt1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TMosaikForm dialog(this);
    if (!dialog.Run())
        return;
    const int32_t bw = dialog.BreitEd->value(), bh = dialog.HochEd->value();
    runGeometry(*this, child, [=](DocumentState& d, Host& h) { MosaicCommand(d, h, bw, bh); });
}

void TMainForm::Hinzufgen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TNoiseForm dialog(this);
    if (!dialog.Run())
        return;
    const int32_t s = dialog.StarkEd->value(), p = dialog.WahrEd->value();
    runGeometry(*this, child, [=](DocumentState& d, Host& h) {
        // fresh noise every time: the generator is seeded from the clock
        h.Seed(static_cast<uint32_t>(
            std::chrono::steady_clock::now().time_since_epoch().count()));
        AddNoiseCommand(d, h, s, p);
    });
}

void TMainForm::Entfernen1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TDelNoiseForm dialog(this);
    if (!dialog.Run())
        return;
    const int32_t t = dialog.GrenzEd->value();
    runGeometry(*this, child, [=](DocumentState& d, Host& h) { DelNoise(d, h, t); });
}

void TMainForm::Perspektive1Click() {
    TPerspForm dialog(this);
    runDeformForm(*this, dialog);
}

void TMainForm::Wlben1Click() {
    TWoelbenForm dialog(this);
    runDeformForm(*this, dialog);
}

} // namespace pixorama::ui
