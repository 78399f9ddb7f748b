// The frame's tool surfaces: the tool palette, the options panel, the colour panel and the
// histogram window (their creation at start-up and their wiring), undo, and the fill pattern.
#include "app/ui/main_form.h"

#include "app/ui/colour_panel.h"
#include "app/ui/options_panel.h"
#include "app/ui/status_bar.h"
#include "app/ui/tool_palette.h"
#include "colour/hsl.h"
#include "document/ui/mdi_child.h"
#include "document/undo.h"
#include "ops/ui/histo_form.h"
#include "platform/ui/file_dialogs.h"

#include <QAction>
#include <QScrollArea>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace pixorama::ui {

void TMainForm::createToolBars() {
    // the colour field first: the colour panel draws it
    ColorField = MakeColorField(CoreHost());

    toolPalette_ = new TToolPalette(this);
    addToolBar(Qt::LeftToolBarArea, toolPalette_);
    colourPanel_ = new TColourPanel(&ColorField, this);
    addToolBar(Qt::RightToolBarArea, colourPanel_);
    optionsPanel_ = new TOptionsPanel(this);
    addToolBar(Qt::BottomToolBarArea, optionsPanel_);
    // the bars are switched by the toolbar dialog and the toggle button, not by a context menu
    for (QToolBar* bar : {static_cast<QToolBar*>(toolPalette_),
                          static_cast<QToolBar*>(colourPanel_),
                          static_cast<QToolBar*>(optionsPanel_)})
        bar->toggleViewAction()->setVisible(false);
    histoForm_ = new THistoForm(this);
    histoForm_->hide();
    SpeedBar1 = toolPalette_;
    Panel1 = colourPanel_;
    Panel2 = colourPanel_->Panel2;
    speedbar2 = optionsPanel_;
    HistoForm = histoForm_;

    connect(toolPalette_, &TToolPalette::ToolClicked, this,
            [this] { optionsPanel_->ZoomBtnClick(toolPalette_->SelectedTool()); });
    connect(optionsPanel_, &TOptionsPanel::ZoomChosen, this, [this](int index) {
        const Zoom z = ZoomOfIndex(index);
        SetZoom(z.In, z.Out);
    });
    connect(optionsPanel_, &TOptionsPanel::LoadPatternClicked, this,
            &TMainForm::LoadPattBtnClick);
    connect(histoForm_, &THistoForm::UpdateRequested, this, &TMainForm::Updatehistogramm);
    connect(histoForm_, &THistoForm::Closed, this, [this] { showHistogr_->setChecked(false); });

    connect(Action(QStringLiteral("Rckgngig1")), &QAction::triggered, this,
            &TMainForm::Rckgngig1Click);
    connect(Action(QStringLiteral("UndoItSpeedBtn")), &QAction::triggered, this,
            &TMainForm::Rckgngig1Click);

    // the option controls hold their start values from creation; the panel shows the zoom tool
    optionsPanel_->ZoomBtnClick(toolPalette_->SelectedTool());
    connectSelectionMenu();
    connectClipboardCommands();
    connectGeometryMenu();
}

TToolOptions TMainForm::ToolOptionValues() const {
    TToolOptions o;
    o.Breit = optionsPanel_->Breit();
    o.Typ = optionsPanel_->ShapeTyp();
    o.Stil = optionsPanel_->ShapeStil();
    o.Tol = optionsPanel_->Tol();
    o.Size = optionsPanel_->Size();
    o.Form = optionsPanel_->BrushForm();
    o.Hard = optionsPanel_->Hard();
    o.Dens = optionsPanel_->Dens();
    o.Opacity = optionsPanel_->Opacity();
    o.CloneMode = optionsPanel_->CloneMode();
    o.RetouchMode = optionsPanel_->RetouchMode();
    o.FillStyle = optionsPanel_->FillStyle();
    o.Direction = optionsPanel_->Direction();
    return o;
}

void TMainForm::SetStatusPanel(int panel, const QString& text) {
    statusBar_->SetPanelText(panel, text);
}

void TMainForm::ShowPixelReadout(const QColor& colour, const QString& index) {
    colourPanel_->ShowReadout(colour, index);
}

void TMainForm::FitChildToZoom(TMDIChild* child) {
    DocumentState& doc = child->Doc();
    QMdiSubWindow* sub = child->SubWindow();
    child->SettleLayout();
    if (sub != nullptr && !sub->isMinimized() && !sub->isMaximized()) {
        QScrollArea* box = child->ScrollBox1();
        const WindowRect r = ZoomWindowSize({sub->x(), sub->y(), sub->width(), sub->height()},
                                            box->viewport()->width(), box->viewport()->height(),
                                            DibWidth(&doc.Dib), DibHeight(&doc.Dib), doc.ZoomIn,
                                            doc.ZoomOut, frameSpace());
        sub->resize(r.Width, r.Height);
    }
    child->UpdatePaintBoxSize();
    child->SettleLayout();
}

void TMainForm::ZoomShown(TMDIChild* child) {
    child->UpdateCaption();
    child->Repaint();
    followZoomBox();
    UpdateMenuItems();
}

Tool TMainForm::SelectedTool() const {
    return toolPalette_->SelectedTool();
}

void TMainForm::RefreshToolWindows() {
    TMDIChild* doc = ActiveDocument();
    colourPanel_->SetDocument(doc);
    followZoomBox();
    Updatehistogramm();
}

void TMainForm::followZoomBox() {
    if (const TMDIChild* doc = ActiveDocument())
        optionsPanel_->FollowZoom(doc->Doc().ZoomIn, doc->Doc().ZoomOut);
}

void TMainForm::Updatehistogramm() {
    const TMDIChild* doc = ActiveDocument();
    histoForm_->Updatehistogramm(doc != nullptr && doc->Doc().Dib.Bits != nullptr ? &doc->Doc().Dib
                                                                                  : nullptr);
}

void TMainForm::Rckgngig1Click() {
    TMDIChild* child = ActiveDocument();
    if (child == nullptr || child->Doc().UndoCount == 0)
        return;
    DocumentState& doc = child->Doc();
    // another size: the window refits at the document's zoom
    if (LoadFromUndo(doc, CoreHost()))
        SetZoom(doc.ZoomIn, doc.ZoomOut);
    child->Repaint();
    // the core refreshed the menus with the restored state
    RefreshToolWindows();
}

void TMainForm::LoadPattBtnClick() {
    const QString path = GetOpenImageName(this, openFilters_);
    if (path.isEmpty())
        return;
    LoadPattern(PatternDib, path.toStdString(), CoreHost());
}

} // namespace pixorama::ui
