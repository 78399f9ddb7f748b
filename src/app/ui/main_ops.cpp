// The frame's commands of the tone adjustments, the convolution filters and the colour
// corrections.  Each takes the active image document, asks its dialog, takes one undo level,
// runs the core operation, lets the histogram recompute and repaints; the undo level refreshes
// the menus.
#include "app/ui/main_form.h"

#include "app/ui/colour_panel.h"
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

namespace pixorama::ui {

namespace {

// A point operation without parameters, or with its dialog already answered; the undo level
// takes the image's buffer instead of a copy.
template <class Op> void runPointCommand(TMainForm& form, TMDIChild* child, Op&& op) {
    DocumentState& doc = child->Doc();
    TProgressHost host(form.CoreHost());
    TBusyCursor busy;
    RunPixelCommand(doc, host, [&] { op(doc, host); });
    child->Repaint();
    // a palette command changes the colours the swatches and the strip show
    if (form.ActiveDocument() == child)
        form.ColourPanel()->Refresh();
}

template <class Op> void runPointCommand(TMainForm& form, Op&& op) {
    if (TMDIChild* child = form.ActiveDocument())
        runPointCommand(form, child, std::forward<Op>(op));
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
    if (form.ActiveDocument() == child)
        form.ColourPanel()->Refresh();
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

// DibFilter takes its own undo level, refreshes the menus with it and recounts the histogram.
void TMainForm::BuiltinFilterClick(const TBuiltinFilter& filter) {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr)
        return;
    TProgressHost host(CoreHost());
    TBusyCursor busy;
    ApplyBuiltinFilter(child->Doc(), host, filter);
    child->Repaint();
}

} // namespace pixorama::ui
