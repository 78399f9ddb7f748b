// The frame's commands of the tone adjustments, the convolution filters and the colour
// corrections.  Each takes the active image document, asks its dialog, takes one undo level,
// runs the core operation, lets the histogram recompute, repaints and refreshes the menus.
#include "app/ui/main_form.h"

#include "document/ui/mdi_child.h"
#include "ops/convolution.h"
#include "ops/corrections.h"
#include "ops/dialog_values.h"
#include "ops/preview.h"
#include "ops/tone.h"
#include "ops/ui/preview_form.h"
#include "ops/ui/progress_host.h"
#include "ops/ui/tone_forms.h"

#include <QSpinBox>

#include <cstring>

namespace pixorama::ui {

namespace {

// A command without parameters, or with its dialog already answered.
template <class Op> void runPointCommand(TMainForm& form, TMDIChild* child, Op&& op) {
    DocumentState& doc = child->Doc();
    TProgressHost host(form.CoreHost());
    TBusyCursor busy;
    RunCommand(doc, host, [&] { op(doc, host); });
    child->Repaint();
    form.UpdateMenuItems();
}

template <class Op> void runPointCommand(TMainForm& form, Op&& op) {
    if (TMDIChild* child = form.ActiveDocument())
        runPointCommand(form, child, std::forward<Op>(op));
}

// A built-in filter by the name of its handler; DibFilter takes its own undo level and
// refreshes the histogram.
void runBuiltinFilter(TMainForm& form, const char* handler) {
    TMDIChild* child = form.ActiveDocument();
    if (child == nullptr)
        return;
    for (const TBuiltinFilter& f : kBuiltinFilters) {
        if (std::strcmp(f.Handler, handler) != 0)
            continue;
        TProgressHost host(form.CoreHost());
        TBusyCursor busy;
        ApplyBuiltinFilter(child->Doc(), host, f);
        child->Repaint();
        form.UpdateMenuItems();
        return;
    }
}

// A correction dialog with preview: the dialog works on the document between a backup taken
// here and the end of the session, which keeps the result on OK and the backup otherwise.
void runPreviewForm(TMainForm& form, TPreviewForm& dialog) {
    TMDIChild* child = form.ActiveDocument();
    if (child == nullptr)
        return;
    TProgressHost host(form.CoreHost());
    dialog.SetDefaults();
    PreviewSession session(child->Doc(), host);
    if (!session.Begin())
        return;
    dialog.SetDocument(&session, &host, child);
    const bool ok = dialog.Run();
    dialog.SetDocument(nullptr, nullptr, nullptr);
    session.Finish(ok);
    host.Updatehistogramm();
    child->Repaint();
    form.UpdateMenuItems();
}

} // namespace

// ---- "F&arben": tone adjustments ----

void TMainForm::Graustufen1Click() {
    runPointCommand(*this, [](DocumentState& d, Host& h) { DibGrayscale(d, h); });
}

void TMainForm::HistogramFunktionen1Click() {
    runPointCommand(*this, [](DocumentState& d, Host& h) { StretchHistogramm(d, h); });
}

void TMainForm::Farbenumkehren1Click() {
    runPointCommand(*this, [](DocumentState& d, Host& h) { DibInvert(d, h); });
}

void TMainForm::Tiefebeschrnken1Click() {
    TPosterFaktor dialog(this);
    TMDIChild* child = ActiveDocument();
    if (child == nullptr || !dialog.Run())
        return;
    const int32_t shift = PosterShift(dialog.PosterEdit->value());
    runPointCommand(*this, child, [shift](DocumentState& d, Host& h) { DibPoster(d, h, shift); });
}

void TMainForm::Solarisieren1Click() {
    TSolarfaktor dialog(this);
    TMDIChild* child = ActiveDocument();
    if (child == nullptr || !dialog.Run())
        return;
    const int32_t threshold = dialog.SolarEdit->value();
    runPointCommand(*this, child,
                    [threshold](DocumentState& d, Host& h) { DibSolar(d, h, threshold); });
}

// ---- "F&arben": corrections with preview ----

void TMainForm::HelligkeitundKontrast1Click() {
    THKForm dialog(this);
    runPreviewForm(*this, dialog);
}

void TMainForm::GammaKorrektion1Click() {
    TGammaForm dialog(this);
    runPreviewForm(*this, dialog);
}

void TMainForm::GlanzlichtMitteSchatten1Click() {
    TLightForm dialog(this);
    runPreviewForm(*this, dialog);
}

void TMainForm::RotGrnBlau1Click() {
    TRGBForm dialog(this);
    runPreviewForm(*this, dialog);
}

void TMainForm::Colorieren1Click() {
    TColizeForm dialog(this);
    runPreviewForm(*this, dialog);
}

// ---- "B&ild": convolution filters ----

void TMainForm::Eckenhervorheben1Click() {
    runBuiltinFilter(*this, "Eckenhervorheben1Click");
}
void TMainForm::Eckenfinden1Click() {
    runBuiltinFilter(*this, "Eckenfinden1Click");
}
void TMainForm::HorizontaleEckenfinden1Click() {
    runBuiltinFilter(*this, "HorizontaleEckenfinden1Click");
}
void TMainForm::VertikaleEckenfinden1Click() {
    runBuiltinFilter(*this, "VertikaleEckenfinden1Click");
}
void TMainForm::Konturenzeichnen1Click() {
    runBuiltinFilter(*this, "Konturenzeichnen1Click");
}
void TMainForm::SchwachWeichzeichnen1Click() {
    runBuiltinFilter(*this, "SchwachWeichzeichnen1Click");
}
void TMainForm::Soften1Click() {
    runBuiltinFilter(*this, "Soften1Click");
}
void TMainForm::StarkSoften1Click() {
    runBuiltinFilter(*this, "StarkSoften1Click");
}
void TMainForm::Sharpen1Click() {
    runBuiltinFilter(*this, "Sharpen1Click");
}
void TMainForm::StarkSchrfen1Click() {
    runBuiltinFilter(*this, "StarkSchrfen1Click");
}
void TMainForm::Emboss1Click() {
    runBuiltinFilter(*this, "Emboss1Click");
}
void TMainForm::EmbossVertikal1Click() {
    runBuiltinFilter(*this, "EmbossVertikal1Click");
}

} // namespace pixorama::ui
