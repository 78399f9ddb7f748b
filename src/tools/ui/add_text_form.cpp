// The "Text hinzufügen" dialog and its font dialog with a colour choice.
#include "tools/ui/add_text_form.h"

#include "platform/ui/dialog_parts.h"
#include "platform/ui/settings_store.h"
#include "tools/text_render.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace pixorama::ui {

std::function<bool(TAddTextForm&)> TAddTextForm::RunHook;
std::function<bool(TDialogFont&)> TAddTextForm::FontDialogHook;

namespace {

const QString kForm = QStringLiteral("TAddTextForm");

// The sixteen colours of the font dialog's colour list.
struct NamedColour {
    const char* name;
    QRgb rgb;
};
constexpr NamedColour kFontColours[] = {
    {"Schwarz", 0x000000},  {"Kastanienbraun", 0x800000}, {"Grün", 0x008000},
    {"Olivgrün", 0x808000}, {"Marineblau", 0x000080},     {"Violett", 0x800080},
    {"Blaugrün", 0x008080}, {"Grau", 0x808080},           {"Silber", 0xC0C0C0},
    {"Rot", 0xFF0000},      {"Hellgrün", 0x00FF00},       {"Gelb", 0xFFFF00},
    {"Blau", 0x0000FF},     {"Fuchsie", 0xFF00FF},        {"Aquamarin", 0x00FFFF},
    {"Weiß", 0xFFFFFF},
};

QIcon swatchIcon(const QColor& c) {
    QPixmap pm(24, 12);
    pm.fill(c);
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
    return QIcon(pm);
}

// The font dialog: the system's font choice with the colour list below it, as one dialog.
class TFontColourDialog : public QDialog {
  public:
    TFontColourDialog(QWidget* parent, const TDialogFont& font)
        : QDialog(parent), fonts_(new QFontDialog), colours_(new QComboBox) {
        setWindowTitle(QStringLiteral("Schriftart"));
        setObjectName(QStringLiteral("FontDialog1"));
        fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog |
                           QFontDialog::ScalableFonts);
        fonts_->setWindowFlags(Qt::Widget);
        // a family this system lacks is shown as the font that stands in for it
        QString family = font.Name;
        if (!QFontDatabase::families().contains(family)) {
            const TFontMatch m = MatchFont({family.toStdString(), font.Height});
            if (m.Found)
                family = QString::fromStdString(m.Family);
        }
        QFont f(family);
        f.setPointSize(std::max(1, FontPointsOfPixels(font.Height)));
        f.setBold(font.Bold);
        f.setItalic(font.Italic);
        f.setUnderline(font.Underline);
        f.setStrikeOut(font.StrikeOut);
        fonts_->setCurrentFont(f);
        colours_->setObjectName(QStringLiteral("ColourBox"));
        colours_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        int current = -1;
        for (const NamedColour& c : kFontColours) {
            colours_->addItem(swatchIcon(QColor(c.rgb)), QString::fromUtf8(c.name), QColor(c.rgb));
            if (QColor(c.rgb) == font.Color.toRgb())
                current = colours_->count() - 1;
        }
        if (current < 0) {
            colours_->addItem(swatchIcon(font.Color), QStringLiteral("Benutzerdefiniert"),
                              font.Color);
            current = colours_->count() - 1;
        }
        colours_->setCurrentIndex(current);
        auto* colourRow = new QHBoxLayout;
        auto* colourLabel = new QLabel(QStringLiteral("&Farbe:"));
        colourLabel->setBuddy(colours_);
        colourRow->addWidget(colourLabel);
        colourRow->addWidget(colours_);
        colourRow->addStretch();
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(fonts_);
        layout->addLayout(colourRow);
        layout->addWidget(AddOkCancel(this).Box);
    }

    TDialogFont chosen(const TDialogFont& before) const {
        const QFont f = fonts_->currentFont();
        TDialogFont out = before;
        out.Name = f.family();
        out.Height = f.pointSizeF() > 0 ? FontPixelsOfPoints(f.pointSizeF()) : f.pixelSize();
        out.Bold = f.bold();
        out.Italic = f.italic();
        out.Underline = f.underline();
        out.StrikeOut = f.strikeOut();
        out.Color = colours_->currentData().value<QColor>();
        return out;
    }

  private:
    QFontDialog* fonts_;
    QComboBox* colours_;
};

} // namespace

TFontPaintBox::TFontPaintBox(TAddTextForm* owner) : owner_(owner) {
    setObjectName(QStringLiteral("FontPaintBox"));
}

void TFontPaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    owner_->FontPaintBoxPaint(painter);
}

TAddTextForm::TAddTextForm(QWidget* owner, std::function<QColor()> swatch,
                           std::function<void(const QColor&)> setForeColour)
    : QDialog(owner), RxLabel3(new QLabel(QStringLiteral("Gewählte Schriftart:"))),
      FntLabel(new QLineEdit), SelFont(new QPushButton(QStringLiteral("Schriftart &wählen..."))),
      RadioGroup1(new QGroupBox(QStringLiteral("Ausrichtung"))),
      Leftb(new QRadioButton(QStringLiteral("Linksbündig"))),
      Zentr(new QRadioButton(QStringLiteral("Zentriert"))),
      Rightb(new QRadioButton(QStringLiteral("Rechtsbündig"))),
      RxLabel2(new QLabel(QStringLiteral("Vorschau:"))), ScrollBox1(new QScrollArea),
      FontPaintBox(new TFontPaintBox(this)),
      RxLabel1(new QLabel(QStringLiteral("Hinzuzufügender Text:"))), TxtMemo(new QPlainTextEdit),
      swatch_(std::move(swatch)), setForeColour_(std::move(setForeColour)) {
    setObjectName(kForm);
    setWindowTitle(QStringLiteral("Text hinzufügen"));
    SetFixedDialogFlags(this);
    FntLabel->setObjectName(QStringLiteral("FntLabel"));
    FntLabel->setReadOnly(true);
    SelFont->setObjectName(QStringLiteral("SelFont"));
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    Leftb->setObjectName(QStringLiteral("Leftb"));
    Zentr->setObjectName(QStringLiteral("Zentr"));
    Rightb->setObjectName(QStringLiteral("Rightb"));
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    TxtMemo->setObjectName(QStringLiteral("TxtMemo"));
    TxtMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    TxtMemo->setPlainText(QStringLiteral("Test"));
    // one group: the radio buttons exclude each other from here on
    auto* radios = new QVBoxLayout(RadioGroup1);
    radios->addWidget(Leftb);
    radios->addWidget(Zentr);
    radios->addWidget(Rightb);
    Leftb->setChecked(true);

    // what the settings store kept from the last run
    {
        const FormSettings s(kForm);
        FontDialog1.Name =
            s.value(QStringLiteral("FontDialog1.Font.Name"), FontDialog1.Name).toString();
        FontDialog1.Height = s.intValue(QStringLiteral("FontDialog1.Font.Height"),
                                        FontDialog1.Height, kTextMinPixelSize, kTextMaxPixelSize);
        FontDialog1.Bold = s.boolValue(QStringLiteral("FontDialog1.Font.Bold"), false);
        FontDialog1.Italic = s.boolValue(QStringLiteral("FontDialog1.Font.Italic"), false);
        FontDialog1.Underline = s.boolValue(QStringLiteral("FontDialog1.Font.Underline"), false);
        FontDialog1.StrikeOut = s.boolValue(QStringLiteral("FontDialog1.Font.StrikeOut"), false);
        const QColor c(s.value(QStringLiteral("FontDialog1.Font.Color")).toString());
        if (c.isValid())
            FontDialog1.Color = c;
        const QVariant lines = s.value(QStringLiteral("TxtMemo.Lines"));
        if (lines.isValid())
            TxtMemo->setPlainText(lines.toStringList().join(QLatin1Char('\n')));
        if (s.boolValue(QStringLiteral("Zentr.Checked"), false))
            Zentr->setChecked(true);
        else if (s.boolValue(QStringLiteral("Rightb.Checked"), false))
            Rightb->setChecked(true);
    }

    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(FntLabel, 1);
    fontRow->addWidget(SelFont);
    ScrollBox1->setWidget(FontPaintBox);
    ScrollBox1->setFixedSize(420, 90);
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    TxtMemo->setFixedSize(420, 110);

    const OkCancelButtons buttons = AddOkCancel(this, QStringLiteral("&OK"));
    OkBtn = buttons.Ok;
    CancelBtn = buttons.Cancel;

    auto* grid = new QGridLayout;
    grid->addWidget(RxLabel3, 0, 0);
    grid->addLayout(fontRow, 1, 0);
    grid->addWidget(RadioGroup1, 0, 1, 3, 1);
    grid->addWidget(RxLabel2, 2, 0);
    grid->addWidget(ScrollBox1, 3, 0);
    grid->addWidget(RxLabel1, 4, 0);
    grid->addWidget(TxtMemo, 5, 0);
    grid->addWidget(buttons.Box, 6, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(SelFont, &QPushButton::clicked, this, &TAddTextForm::SelFontClick);
    connect(TxtMemo, &QPlainTextEdit::textChanged, this, &TAddTextForm::TxtMemoChange);
    FormActivate();
}

TAddTextForm::~TAddTextForm() {
    FormSettings s(kForm);
    s.setValue(QStringLiteral("FontDialog1.Font.Name"), FontDialog1.Name);
    s.setValue(QStringLiteral("FontDialog1.Font.Height"), FontDialog1.Height);
    s.setValue(QStringLiteral("FontDialog1.Font.Bold"), FontDialog1.Bold);
    s.setValue(QStringLiteral("FontDialog1.Font.Italic"), FontDialog1.Italic);
    s.setValue(QStringLiteral("FontDialog1.Font.Underline"), FontDialog1.Underline);
    s.setValue(QStringLiteral("FontDialog1.Font.StrikeOut"), FontDialog1.StrikeOut);
    s.setValue(QStringLiteral("FontDialog1.Font.Color"), FontDialog1.Color.name());
    s.setValue(QStringLiteral("TxtMemo.Lines"), TxtMemo->toPlainText().split(QLatin1Char('\n')));
    s.setValue(QStringLiteral("Leftb.Checked"), Leftb->isChecked());
    s.setValue(QStringLiteral("Rightb.Checked"), Rightb->isChecked());
    s.setValue(QStringLiteral("Zentr.Checked"), Zentr->isChecked());
}

void TAddTextForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // centred on the screen, not on the document window
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    FormActivate();
}

void TAddTextForm::FormActivate() {
    FntLabel->setText(FontDialog1.Name + QStringLiteral(" ; Größe:") +
                      QString::number(FontPointsOfPixels(FontDialog1.Height)));
    updatePreview();
}

bool TAddTextForm::runFontDialog(TDialogFont& font) {
    if (FontDialogHook)
        return FontDialogHook(font);
    TFontColourDialog dialog(this, font);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font = dialog.chosen(font);
    return true;
}

void TAddTextForm::SelFontClick() {
    const QColor swatch = swatch_ ? swatch_() : FontDialog1.Color;
    TDialogFont font = FontDialog1;
    font.Color = swatch;
    if (!runFontDialog(font))
        return;
    FontDialog1 = font;
    if (font.Color.rgb() != swatch.rgb() && setForeColour_)
        setForeColour_(font.Color);
    FormActivate();
}

TTextRequest TAddTextForm::Request() const {
    TTextRequest r;
    for (const QString& line : TxtMemo->toPlainText().split(QLatin1Char('\n')))
        r.Lines.push_back(line.toStdString());
    r.Family = FontDialog1.Name.toStdString();
    r.PixelSize = FontDialog1.Height;
    r.Bold = FontDialog1.Bold;
    r.Italic = FontDialog1.Italic;
    r.Underline = FontDialog1.Underline;
    r.StrikeOut = FontDialog1.StrikeOut;
    r.Align = Zentr->isChecked() ? kAlignCenter : (Rightb->isChecked() ? kAlignRight : kAlignLeft);
    return r;
}

void TAddTextForm::updatePreview() {
    preview_ = QImage();
    const QString first = TxtMemo->toPlainText().section(QLatin1Char('\n'), 0, 0);
    const TTextFont font{
        FontDialog1.Name.toStdString(), FontDialog1.Height,   FontDialog1.Bold, FontDialog1.Italic,
        FontDialog1.Underline,          FontDialog1.StrikeOut};
    DibHolder mask;
    if (RenderTextMask({first.toStdString()}, font, kAlignLeft, mask.get()) ==
        TextRenderResult::Ok) {
        const QColor colour = swatch_ ? swatch_() : FontDialog1.Color;
        const int32_t w = DibWidth(&mask.get()), h = DibHeight(&mask.get());
        preview_ = QImage(w, h, QImage::Format_ARGB32);
        preview_.fill(Qt::transparent);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                if (getpixel(&mask.get(), x, y) == 1)
                    preview_.setPixelColor(x, y, colour);
    }
    const QSize area = ScrollBox1->viewport()->size();
    FontPaintBox->resize(preview_.size().expandedTo(area));
    FontPaintBox->update();
}

void TAddTextForm::FontPaintBoxPaint(QPainter& painter) {
    if (!preview_.isNull())
        painter.drawImage(0, 0, preview_);
}

void TAddTextForm::TxtMemoChange() {
    updatePreview();
}

bool TAddTextForm::Run() {
    return RunModal(*this, RunHook);
}

} // namespace pixorama::ui
