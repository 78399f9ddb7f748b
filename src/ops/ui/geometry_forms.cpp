// The geometry, effect and deformation dialogs.
#include "ops/ui/geometry_forms.h"

#include "ops/deformations.h"
#include "ops/effects.h"
#include "ops/geometry.h"
#include "platform/ui/dialog_parts.h"
#include "platform/ui/settings_store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPolygon>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace pixorama::ui {

std::function<bool(TParamForm&)> TParamForm::RunHook;

TParamForm::TParamForm(const QString& formName, const QString& caption, QWidget* parent)
    : QDialog(parent) {
    setObjectName(formName);
    setWindowTitle(caption);
    SetFixedDialogFlags(this);
}

QSpinBox* TParamForm::spin(const QString& name, int min, int max, int preset) {
    auto* s = new QSpinBox;
    s->setObjectName(name);
    s->setRange(min, max);
    s->setValue(preset);
    return s;
}

void TParamForm::finishLayout(QLayout* content, const QString& okCaption) {
    const OkCancelButtons buttons = AddOkCancel(this, okCaption);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(content);
    layout->addWidget(buttons.Box);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TParamForm::Run() {
    FormSettings settings(objectName());
    for (QWidget* w : remembered_) {
        const QString key = w->objectName();
        if (auto* s = qobject_cast<QSpinBox*>(w))
            s->setValue(settings.intValue(key, s->value(), s->minimum(), s->maximum()));
        else if (auto* d = qobject_cast<QDoubleSpinBox*>(w))
            d->setValue(settings.doubleValue(key, d->value(), d->minimum(), d->maximum()));
        else if (auto* sl = qobject_cast<QSlider*>(w))
            sl->setValue(settings.intValue(key, sl->value(), sl->minimum(), sl->maximum()));
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            b->setChecked(settings.boolValue(key, b->isChecked()));
    }
    settings.restorePlacement(this);
    const bool ok = RunHook ? RunHook(*this) : exec() == QDialog::Accepted;
    for (QWidget* w : remembered_) {
        const QString key = w->objectName();
        if (auto* s = qobject_cast<QSpinBox*>(w))
            settings.setValue(key, s->value());
        else if (auto* d = qobject_cast<QDoubleSpinBox*>(w))
            settings.setValue(key, d->value());
        else if (auto* sl = qobject_cast<QSlider*>(w))
            settings.setValue(key, sl->value());
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            settings.setValue(key, b->isChecked());
    }
    settings.storePlacement(this);
    return ok;
}

namespace {

QRadioButton* radio(const QString& text, const QString& name, bool checked) {
    auto* r = new QRadioButton(text);
    r->setObjectName(name);
    r->setChecked(checked);
    return r;
}

QCheckBox* check(const QString& text, const QString& name, bool checked) {
    auto* c = new QCheckBox(text);
    c->setObjectName(name);
    c->setChecked(checked);
    return c;
}

QGroupBox* group(const QString& title, QLayout* layout) {
    auto* g = new QGroupBox(title);
    g->setLayout(layout);
    return g;
}

} // namespace

// ---- "Bild rotieren..." ----

TRotateForm::TRotateForm(QWidget* parent)
    : TParamForm(QStringLiteral("TRotateForm"), QStringLiteral("Bild rotieren..."), parent) {
    RotLeftCheck = radio(QStringLiteral("Links"), QStringLiteral("RotLeftCheck"), true);
    RotRightCheck = radio(QStringLiteral("Rechts"), QStringLiteral("RotRightCheck"), false);
    auto* dir = new QVBoxLayout;
    dir->addWidget(RotLeftCheck);
    dir->addWidget(RotRightCheck);
    Grad90Check = radio(QStringLiteral("90"), QStringLiteral("Grad90Check"), false);
    Grad180Check = radio(QStringLiteral("180"), QStringLiteral("Grad180Check"), false);
    Grad270Check = radio(QStringLiteral("270"), QStringLiteral("Grad270Check"), false);
    FreiGradCheck = radio(QStringLiteral("Frei:"), QStringLiteral("FreiGradCheck"), true);
    GradEdit = new QDoubleSpinBox;
    GradEdit->setObjectName(QStringLiteral("GradEdit"));
    GradEdit->setDecimals(2);
    GradEdit->setRange(kRotateMin, kRotateMax);
    GradEdit->setValue(kRotateDefault);
    auto* angles = new QVBoxLayout;
    angles->addWidget(Grad90Check);
    angles->addWidget(Grad180Check);
    angles->addWidget(Grad270Check);
    auto* free = new QHBoxLayout;
    free->addWidget(FreiGradCheck);
    free->addWidget(GradEdit);
    angles->addLayout(free);
    // the two groups are separate exclusive sets
    auto* dirBox = group(QStringLiteral("Richtung"), dir);
    auto* angleBox = group(QStringLiteral("Winkel in Grad"), angles);
    InterpolCheck = check(QStringLiteral("Farbwerte interpolieren"), QStringLiteral("InterpolCheck"),
                          false);
    auto* content = new QVBoxLayout;
    auto* row = new QHBoxLayout;
    row->addWidget(dirBox);
    row->addWidget(angleBox);
    content->addLayout(row);
    content->addWidget(InterpolCheck);
    finishLayout(content);
    for (QWidget* w : std::initializer_list<QWidget*>{RotLeftCheck, RotRightCheck, Grad90Check,
                                                      Grad180Check, Grad270Check, FreiGradCheck,
                                                      GradEdit})
        remember(w);
}

// ---- "Größe verändern" ----

TResizeForm::TResizeForm(QWidget* parent)
    : TParamForm(QStringLiteral("TResizeForm"), QStringLiteral("Größe verändern"), parent) {
    BreitEdit = spin(QStringLiteral("BreitEdit"), kResizeRange.Min, kResizeRange.Max, 1);
    HochEdit = spin(QStringLiteral("HochEdit"), kResizeRange.Min, kResizeRange.Max, 1);
    SverhCheck = check(QStringLiteral("Seitenverhältnis beibehalten"), QStringLiteral("SverhCheck"),
                       true);
    InterpolCheck = check(QStringLiteral("Farbwerte interpolieren"),
                          QStringLiteral("InterpolCheck"), true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Neue Breite:"), BreitEdit);
    form->addRow(QStringLiteral("Neue Höhe:"), HochEdit);
    form->addRow(SverhCheck);
    form->addRow(InterpolCheck);
    finishLayout(form);
    remember(SverhCheck);
    remember(InterpolCheck);
    connect(BreitEdit, &QSpinBox::valueChanged, this, &TResizeForm::widthChanged);
    connect(HochEdit, &QSpinBox::valueChanged, this, &TResizeForm::heightChanged);
    connect(SverhCheck, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            HochEdit->setValue(AspectHeight(BreitEdit->value(), oldW_, oldH_));
    });
}

void TResizeForm::SetImageSize(int32_t w, int32_t h) {
    oldW_ = w;
    oldH_ = h;
    const bool lock = SverhCheck->blockSignals(true);
    BreitEdit->blockSignals(true);
    HochEdit->blockSignals(true);
    BreitEdit->setValue(w);
    HochEdit->setValue(h);
    BreitEdit->blockSignals(false);
    HochEdit->blockSignals(false);
    SverhCheck->blockSignals(lock);
}

void TResizeForm::showEvent(QShowEvent* event) {
    echo_ = false;
    TParamForm::showEvent(event);
}

// The flag is set only when the other edit really changes: a value it holds already raises no
// change, and a flag left standing would swallow the user's next edit.
void TResizeForm::widthChanged(int value) {
    if (echo_) {
        echo_ = false;
        return;
    }
    if (!SverhCheck->isChecked())
        return;
    const int h = std::clamp(AspectHeight(value, oldW_, oldH_), HochEdit->minimum(),
                             HochEdit->maximum());
    if (h != HochEdit->value()) {
        echo_ = true;
        HochEdit->setValue(h);
    }
}

void TResizeForm::heightChanged(int value) {
    if (echo_) {
        echo_ = false;
        return;
    }
    if (!SverhCheck->isChecked())
        return;
    const int w = std::clamp(AspectWidth(value, oldW_, oldH_), BreitEdit->minimum(),
                             BreitEdit->maximum());
    if (w != BreitEdit->value()) {
        echo_ = true;
        BreitEdit->setValue(w);
    }
}

// ---- "Leinwandgröße ändern" ----

TCanvasSForm::TCanvasSForm(QWidget* parent)
    : TParamForm(QStringLiteral("TCanvasSForm"), QStringLiteral("Leinwandgröße ändern"), parent) {
    BreitEdit = spin(QStringLiteral("BreitEdit"), kCanvasWidthRange.Min, kCanvasWidthRange.Max,
                     kCanvasWidthRange.Default);
    HochEdit = spin(QStringLiteral("HochEdit"), kCanvasHeightRange.Min, kCanvasHeightRange.Max,
                    kCanvasHeightRange.Default);
    OldBreitLabel = new QLabel;
    OldBreitLabel->setObjectName(QStringLiteral("OldBreitLabel"));
    OldHochLabel = new QLabel;
    OldHochLabel->setObjectName(QStringLiteral("OldHochLabel"));
    auto* size = new QFormLayout;
    size->addRow(QStringLiteral("Neue Breite:"), BreitEdit);
    size->addRow(QStringLiteral("Neue Höhe:"), HochEdit);
    size->addRow(QStringLiteral("Alte Breite:"), OldBreitLabel);
    size->addRow(QStringLiteral("Alte Höhe:"), OldHochLabel);
    TopEdit = spin(QStringLiteral("TopEdit"), kCanvasPosRange.Min, kCanvasPosRange.Max, 0);
    LeftEdit = spin(QStringLiteral("LeftEdit"), kCanvasPosRange.Min, kCanvasPosRange.Max, 0);
    ZentHCheck = check(QStringLiteral("Horizontal zentrieren"), QStringLiteral("ZentHCheck"), true);
    ZentVCheck = check(QStringLiteral("Vertikal zentrieren"), QStringLiteral("ZentVCheck"), true);
    auto* place = new QFormLayout;
    place->addRow(QStringLiteral("Oben:"), TopEdit);
    place->addRow(QStringLiteral("Links:"), LeftEdit);
    place->addRow(ZentHCheck);
    place->addRow(ZentVCheck);
    auto* content = new QHBoxLayout;
    content->addWidget(group(QStringLiteral("Größe"), size));
    content->addWidget(group(QStringLiteral("Bild Platzierung"), place));
    finishLayout(content);
    remember(ZentHCheck);
    remember(ZentVCheck);
    connect(BreitEdit, &QSpinBox::valueChanged, this, [this] { centre(true, false); });
    connect(HochEdit, &QSpinBox::valueChanged, this, [this] { centre(false, true); });
}

void TCanvasSForm::SetImageSize(int32_t w, int32_t h) {
    oldW_ = w;
    oldH_ = h;
    BreitEdit->setValue(w);
    HochEdit->setValue(h);
    OldBreitLabel->setText(QString::number(w));
    OldHochLabel->setText(QString::number(h));
}

void TCanvasSForm::centre(bool horizontal, bool vertical) {
    if (horizontal && ZentHCheck->isChecked())
        LeftEdit->setValue(CentredOffset(BreitEdit->value(), oldW_));
    if (vertical && ZentVCheck->isChecked())
        TopEdit->setValue(CentredOffset(HochEdit->value(), oldH_));
}

void TCanvasSForm::showEvent(QShowEvent* event) {
    centre(true, true);
    TParamForm::showEvent(event);
}

// ---- "Rand hinzufügen" ----

TAddBForm::TAddBForm(QWidget* parent)
    : TParamForm(QStringLiteral("TAddBForm"), QStringLiteral("Rand hinzufügen"), parent) {
    TopEdit = spin(QStringLiteral("TopEdit"), kBorderRange.Min, kBorderRange.Max, 0);
    BottomEdit = spin(QStringLiteral("BottomEdit"), kBorderRange.Min, kBorderRange.Max, 0);
    LeftEdit = spin(QStringLiteral("LeftEdit"), kBorderRange.Min, kBorderRange.Max, 0);
    RightEdit = spin(QStringLiteral("RightEdit"), kBorderRange.Min, kBorderRange.Max, 0);
    SymCheck = check(QStringLiteral("Sym&metrisch"), QStringLiteral("SymCheck"), false);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Oben:"), TopEdit);
    form->addRow(QStringLiteral("Unten:"), BottomEdit);
    form->addRow(QStringLiteral("Links:"), LeftEdit);
    form->addRow(QStringLiteral("Rechts:"), RightEdit);
    form->addRow(SymCheck);
    auto* content = new QVBoxLayout;
    content->addWidget(group(QStringLiteral("Randgröße"), form));
    finishLayout(content);
    remember(SymCheck);
    // setting an edit to the value it holds raises no change, so the copies settle at once
    for (QSpinBox* e : {TopEdit, BottomEdit, LeftEdit, RightEdit})
        connect(e, &QSpinBox::valueChanged, this, [this](int v) {
            if (!SymCheck->isChecked())
                return;
            for (QSpinBox* o : {TopEdit, BottomEdit, LeftEdit, RightEdit})
                o->setValue(v);
        });
}

// ---- effects ----

TColorParamForm::TColorParamForm(const QString& formName, const QString& caption,
                                 QWidget* parent)
    : TParamForm(formName, caption, parent), ColorBox(new QComboBox) {
    ColorBox->setObjectName(QStringLiteral("ColorBox"));
    for (const char* name : kEffectColorNames)
        ColorBox->addItem(QString::fromUtf8(name));
    ColorBox->setCurrentIndex(kEffectColorPreset);
}

void TColorParamForm::showEvent(QShowEvent* event) {
    ColorBox->setCurrentIndex(kEffectColorPreset);
    TParamForm::showEvent(event);
}

TShadowForm::TShadowForm(QWidget* parent)
    : TColorParamForm(QStringLiteral("TShadowForm"), QStringLiteral("Schatten hinzufügen"),
                      parent) {
    const TIntRange& p = kShadowPercentRange;
    const TIntRange& o = kShadowOffsetRange;
    TransEd = spin(QStringLiteral("TransEd"), p.Min, p.Max, p.Default);
    BlurEd = spin(QStringLiteral("BlurEd"), p.Min, p.Max, p.Default);
    HorzEd = spin(QStringLiteral("HorzEd"), o.Min, o.Max, o.Default);
    VertEd = spin(QStringLiteral("VertEd"), o.Min, o.Max, o.Default);
    auto* props = new QFormLayout;
    props->addRow(QStringLiteral("Farbe:"), ColorBox);
    props->addRow(QStringLiteral("Transparenz:"), TransEd);
    props->addRow(QStringLiteral("Weichheit:"), BlurEd);
    auto* pos = new QFormLayout;
    pos->addRow(QStringLiteral("Horizontal:"), HorzEd);
    pos->addRow(QStringLiteral("Vertikal:"), VertEd);
    auto* content = new QHBoxLayout;
    content->addWidget(group(QStringLiteral("Eigenschaften"), props));
    content->addWidget(group(QStringLiteral("Position"), pos));
    finishLayout(content);
}

TButtonForm::TButtonForm(QWidget* parent)
    : TColorParamForm(QStringLiteral("TButtonForm"), QStringLiteral("Druckknopf erstellen"),
                      parent) {
    TransED = spin(QStringLiteral("TransED"), kButtonTransRange.Min, kButtonTransRange.Max,
                   kButtonTransRange.Default);
    BreitEd = spin(QStringLiteral("BreitEd"), kButtonWidthRange.Min, kButtonWidthRange.Max,
                   kButtonWidthRange.Default);
    SolidCheck = radio(QStringLiteral("Feste Umrandung"), QStringLiteral("SolidCheck"), true);
    TransCheck = radio(QStringLiteral("Transparente Umrandung"), QStringLiteral("TransCheck"),
                       false);
    auto* props = new QFormLayout;
    props->addRow(QStringLiteral("Farbe:"), ColorBox);
    props->addRow(QStringLiteral("Transparenz:"), TransED);
    props->addRow(QStringLiteral("Rahmenbreite:"), BreitEd);
    props->addRow(SolidCheck);
    props->addRow(TransCheck);
    auto* content = new QVBoxLayout;
    content->addWidget(group(QStringLiteral("Eigenschaften"), props));
    finishLayout(content);
    remember(SolidCheck);
    remember(TransCheck);
}

TMosaikForm::TMosaikForm(QWidget* parent)
    : TParamForm(QStringLiteral("TMosaikForm"), QStringLiteral("Mosaik Effekt..."), parent) {
    BreitEd = spin(QStringLiteral("BreitEd"), kMosaicRange.Min, kMosaicRange.Max,
                   kMosaicRange.Default);
    HochEd = spin(QStringLiteral("HochEd"), kMosaicRange.Min, kMosaicRange.Max,
                  kMosaicRange.Default);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Blockbreite:"), BreitEd);
    form->addRow(QStringLiteral("Blockhöhe:"), HochEd);
    finishLayout(form);
}

TNoiseForm::TNoiseForm(QWidget* parent)
    : TParamForm(QStringLiteral("TNoiseForm"), QStringLiteral("Störungen hinzufügen"), parent) {
    StarkEd = spin(QStringLiteral("StarkEd"), kNoiseStrengthRange.Min, kNoiseStrengthRange.Max,
                   kNoiseStrengthRange.Default);
    WahrEd = spin(QStringLiteral("WahrEd"), kNoiseProbabilityRange.Min,
                  kNoiseProbabilityRange.Max, kNoiseProbabilityRange.Default);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Stärke:"), StarkEd);
    form->addRow(QStringLiteral("Wahrscheinlichkeit in %:"), WahrEd);
    finishLayout(form);
}

TDelNoiseForm::TDelNoiseForm(QWidget* parent)
    : TParamForm(QStringLiteral("TDelNoiseForm"), QStringLiteral("Störungen entfernen"), parent) {
    GrenzEd = spin(QStringLiteral("GrenzEd"), kDelNoiseRange.Min, kDelNoiseRange.Max,
                   kDelNoiseRange.Default);
    auto* note = new QLabel(QStringLiteral(
        "Hinweis: Je kleiner der Grenzwert, desto mehr Störungen werden entfernt und desto "
        "unschärfer wird das Bild."));
    note->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Grenzwert (5x5 Pixel Radius):"), GrenzEd);
    form->addRow(note);
    finishLayout(form);
}

// ---- deformations ----

TDeformForm::TDeformForm(const QString& formName, const QString& caption, QWidget* parent)
    : TParamForm(formName, caption, parent) {
    auto button = [](const QString& text, const char* name) {
        auto* b = new QPushButton(text);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    OkBtn = button(QStringLiteral("&OK"), "OkBtn");
    OkBtn->setDefault(true);
    CancelBtn = button(QStringLiteral("A&bbrechen"), "CancelBtn");
    ResetBtn = button(QStringLiteral("&Zurücksetzen"), "ResetBtn");
    PreviewBtn = button(QStringLiteral("&Vorschau"), "PreviewBtn");
    connect(OkBtn, &QPushButton::clicked, this, &TDeformForm::OkClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ResetBtn, &QPushButton::clicked, this, [this] { ResetClick(); });
    connect(PreviewBtn, &QPushButton::clicked, this, &TDeformForm::PreviewClick);
}

void TDeformForm::finishDeformLayout(QLayout* content) {
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {OkBtn, CancelBtn, ResetBtn, PreviewBtn})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(content, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TDeformForm::PreviewClick() {
    if (PreviewAction)
        PreviewAction();
}

void TDeformForm::OkClick() {
    if (AcceptAction)
        AcceptAction();
    accept();
}

namespace {

// "Neuer Umriss:": the outline the core computes for the box's size, one closed line.
class TOutlineBox : public QWidget {
  public:
    explicit TOutlineBox(TPerspForm* form) : form_(form) {
        setObjectName(QStringLiteral("PaintBox1"));
        setFixedSize(121, 97);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        const TOutline o =
            PerspectiveOutline(width(), height(), form_->StarkEd2->value(),
                               form_->HorzCheck->isChecked(), form_->PerspCheck->isChecked());
        QPolygon poly;
        for (const TPoint& pt : o.P)
            poly << QPoint(pt.X, pt.Y);
        p.setPen(Qt::black);
        p.drawPolygon(poly);
    }

  private:
    TPerspForm* form_;
};

} // namespace

TPerspForm::TPerspForm(QWidget* parent)
    : TDeformForm(QStringLiteral("TPerspForm"), QStringLiteral("Perspektive/Schrägstellen"),
                  parent) {
    const TIntRange& r = kPerspectiveRange;
    StarkED1 = new QSlider(Qt::Horizontal);
    StarkED1->setObjectName(QStringLiteral("StarkED1"));
    StarkED1->setRange(r.Min, r.Max);
    StarkED1->setValue(r.Default);
    StarkEd2 = spin(QStringLiteral("StarkEd2"), r.Min, r.Max, r.Default);
    CoupleSliderAndEdit(StarkED1, StarkEd2);
    HorzCheck = radio(QStringLiteral("Horizontal"), QStringLiteral("HorzCheck"), true);
    VertCheck = radio(QStringLiteral("Vertikal"), QStringLiteral("VertCheck"), false);
    PaintBox1 = new TOutlineBox(this);
    auto* strength = new QHBoxLayout;
    strength->addWidget(StarkED1);
    strength->addWidget(StarkEd2);
    auto* settings = new QFormLayout;
    settings->addRow(QStringLiteral("Stärke:"), strength);
    settings->addRow(HorzCheck);
    settings->addRow(VertCheck);
    settings->addRow(QStringLiteral("Neuer Umriss:"), PaintBox1);
    PerspCheck = radio(QStringLiteral("Perspektive"), QStringLiteral("PerspCheck"), true);
    SkewCheck = radio(QStringLiteral("Schrägstellen"), QStringLiteral("SkewCheck"), false);
    auto* mode = new QVBoxLayout;
    mode->addWidget(PerspCheck);
    mode->addWidget(SkewCheck);
    auto* content = new QVBoxLayout;
    content->addWidget(group(QStringLiteral("Einstellungen"), settings));
    content->addWidget(group(QStringLiteral("Arbeitsmodus"), mode));
    finishDeformLayout(content);
    for (QWidget* w :
         std::initializer_list<QWidget*>{HorzCheck, VertCheck, PerspCheck, SkewCheck, StarkED1})
        remember(w);
    auto redraw = [this] { PaintBox1->update(); };
    connect(StarkEd2, &QSpinBox::valueChanged, this, redraw);
    for (QRadioButton* b : {HorzCheck, VertCheck, PerspCheck, SkewCheck})
        connect(b, &QRadioButton::clicked, this, redraw);
}

void TPerspForm::Apply(DocumentState& doc, Host& host, const TDibRecord& source) {
    Perspektive(doc, host, source, StarkEd2->value(), HorzCheck->isChecked(),
                PerspCheck->isChecked());
}

void TPerspForm::ResetClick() {
    StarkED1->setValue(0);
}

TWoelbenForm::TWoelbenForm(QWidget* parent)
    : TDeformForm(QStringLiteral("TWoelbenForm"), QStringLiteral("Wölben"), parent) {
    StarkED2 = new QDoubleSpinBox;
    StarkED2->setObjectName(QStringLiteral("StarkED2"));
    StarkED2->setDecimals(2);
    StarkED2->setRange(kBulgeMin, kBulgeMax);
    StarkED2->setSingleStep(kBulgeStep);
    StarkED2->setValue(kBulgeDefault);
    auto* note = new QLabel(QStringLiteral(
        "Hinweis: Werte größer 1 wölben das Bild nach außen. Werte kleiner 1 wölben das Bild "
        "nach innen."));
    note->setWordWrap(true);
    auto* settings = new QFormLayout;
    settings->addRow(QStringLiteral("Stärke:"), StarkED2);
    settings->addRow(note);
    BothCheck = radio(QStringLiteral("Normal"), QStringLiteral("BothCheck"), true);
    HorzCheck = radio(QStringLiteral("Horizontal"), QStringLiteral("HorzCheck"), false);
    VertCheck = radio(QStringLiteral("Vertikal"), QStringLiteral("VertCheck"), false);
    auto* mode = new QVBoxLayout;
    mode->addWidget(BothCheck);
    mode->addWidget(HorzCheck);
    mode->addWidget(VertCheck);
    auto* content = new QVBoxLayout;
    content->addWidget(group(QStringLiteral("Einstellungen"), settings));
    content->addWidget(group(QStringLiteral("Arbeitsmodus"), mode));
    finishDeformLayout(content);
    for (QWidget* w : std::initializer_list<QWidget*>{StarkED2, BothCheck, HorzCheck, VertCheck})
        remember(w);
}

void TWoelbenForm::Apply(DocumentState& doc, Host& host, const TDibRecord& source) {
    if (StarkED2->value() == 0)
        StarkED2->setValue(0.01);
    const bool none =
        !BothCheck->isChecked() && !HorzCheck->isChecked() && !VertCheck->isChecked();
    const bool h = none || BothCheck->isChecked() || HorzCheck->isChecked();
    const bool v = none || BothCheck->isChecked() || VertCheck->isChecked();
    Woelben(doc, host, source, h, StarkED2->value(), v);
}

void TWoelbenForm::ResetClick() {
    StarkED2->setValue(kBulgeDefault);
}

} // namespace pixorama::ui
