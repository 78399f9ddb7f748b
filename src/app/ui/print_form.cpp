// The print dialog with its page preview, the printer set-up, and the print job.
#include "app/ui/print_form.h"

#include "app/pdf_print.h"
#include "document/display.h"
#include "platform/ui/dialog_parts.h"
#include "platform/ui/message_box.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace pixorama::ui {

std::function<bool(TPrintForm&)> TPrintForm::RunHook;
std::function<bool(QPrinter&)> TPrintForm::SetupHook;

QPrinter& MainPrinter() {
    static QPrinter* printer = [] {
        auto* p = new QPrinter(QPrinter::HighResolution);
        if (QPrinterInfo::availablePrinterNames().isEmpty()) {
            // no printer installed: print into a PDF file at the resolution of our PDF pages
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setResolution(kPdfPageDpi);
            p->setPageSize(QPageSize(QPageSize::A4));
        }
        return p;
    }();
    return *printer;
}

void TPrintPreviewBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (OnPaint) OnPaint(painter);
}

TPrintForm::TPrintForm(QPrinter& printer, const TDibRecord& dib, QWidget* parent)
    : QDialog(parent), PrintPaintBox(new TPrintPreviewBox),
      UseFullCheck(new QRadioButton(QStringLiteral("Seite voll nutzen"))),
      UserdefCheck(new QRadioButton(QStringLiteral("Benutzerdefiniert"))),
      BreitEdit(new QSpinBox), HochEdit(new QSpinBox),
      SverhCheck(new QCheckBox(QStringLiteral("Seitenverhältnis beibehalten"))),
      ZentrCheck(new QCheckBox(QStringLiteral("Zentrierte Ausgabe"))),
      PrintSetupBtn(new QPushButton(QStringLiteral("Drucker &einrichten..."))), printer_(printer),
      dib_(dib) {
    setWindowTitle(QStringLiteral("Bild drucken..."));
    SetFixedDialogFlags(this);
    setObjectName(QStringLiteral("TPrintForm"));
    PrintPaintBox->setObjectName(QStringLiteral("PrintPaintBox"));
    PrintPaintBox->setFixedSize(190, 190);
    PrintPaintBox->OnPaint = [this](QPainter& p) { PrintPaintBoxPaint(p); };
    UseFullCheck->setObjectName(QStringLiteral("UseFullCheck"));
    UserdefCheck->setObjectName(QStringLiteral("UserdefCheck"));
    BreitEdit->setObjectName(QStringLiteral("BreitEdit"));
    HochEdit->setObjectName(QStringLiteral("HochEdit"));
    SverhCheck->setObjectName(QStringLiteral("SverhCheck"));
    ZentrCheck->setObjectName(QStringLiteral("ZentrCheck"));
    PrintSetupBtn->setObjectName(QStringLiteral("PrintSetupBtn"));
    const TPrintOptions start;
    for (QSpinBox* e : {BreitEdit, HochEdit}) e->setRange(kPrintPercentMin, kPrintPercentMax);
    BreitEdit->setValue(start.Breite);
    HochEdit->setValue(start.Hoch);
    UseFullCheck->setChecked(start.UseFull);
    SverhCheck->setChecked(start.Sverh);
    ZentrCheck->setChecked(start.Zentr);

    auto* panel1 = new QWidget;
    panel1->setObjectName(QStringLiteral("Panel1"));
    auto* previewLayout = new QVBoxLayout(panel1);
    previewLayout->addWidget(new QLabel(QStringLiteral("Vorschau:")));
    previewLayout->addWidget(PrintPaintBox);

    auto* sizeGroup = new QGroupBox(QStringLiteral("Druckgröße"));
    auto* sizeLayout = new QFormLayout(sizeGroup);
    sizeLayout->addRow(UseFullCheck);
    sizeLayout->addRow(UserdefCheck);
    sizeLayout->addRow(QStringLiteral("Breite in %:"), BreitEdit);
    sizeLayout->addRow(QStringLiteral("Höhe in %:"), HochEdit);
    auto* optionsGroup = new QGroupBox(QStringLiteral("Druckoptionen"));
    auto* optionsLayout = new QVBoxLayout(optionsGroup);
    optionsLayout->addWidget(SverhCheck);
    optionsLayout->addWidget(ZentrCheck);

    auto* right = new QVBoxLayout;
    right->addWidget(sizeGroup);
    right->addWidget(optionsGroup);
    right->addWidget(PrintSetupBtn);
    right->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(panel1);
    top->addLayout(right);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    OkCancelButtons buttons = AddOkCancel(this, QStringLiteral("&OK"));
    buttons.Ok->setObjectName(QStringLiteral("OkBitBtn1"));
    buttons.Cancel->setObjectName(QStringLiteral("CancelBitBtn2"));
    layout->addWidget(buttons.Box);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto repaint = [this] { PrintPaintBox->update(); };
    connect(UseFullCheck, &QRadioButton::clicked, this, repaint);
    connect(SverhCheck, &QCheckBox::clicked, this, repaint);
    connect(ZentrCheck, &QCheckBox::clicked, this, repaint);
    connect(UserdefCheck, &QRadioButton::clicked, this, &TPrintForm::UserdefCheckClick);
    connect(BreitEdit, &QSpinBox::valueChanged, this, &TPrintForm::BreitEditChange);
    connect(HochEdit, &QSpinBox::valueChanged, this, &TPrintForm::HochEditChange);
    connect(PrintSetupBtn, &QPushButton::clicked, this, &TPrintForm::PrintSetupBtnClick);
}

TPrintOptions TPrintForm::Options() const {
    TPrintOptions o;
    o.UseFull = !UserdefCheck->isChecked();
    o.Breite = BreitEdit->value();
    o.Hoch = HochEdit->value();
    o.Sverh = SverhCheck->isChecked();
    o.Zentr = ZentrCheck->isChecked();
    return o;
}

void TPrintForm::PageSize(int32_t& width, int32_t& height) const {
    const QRect r = printer_.pageLayout().paintRectPixels(printer_.resolution());
    width = r.width();
    height = r.height();
}

bool TPrintForm::Run() {
    return RunModal(*this, RunHook);
}

void TPrintForm::PrintSetupBtnClick() {
    RunPrinterSetup(printer_, this);
    PrintPaintBox->update(); // the page shape may have changed
}

void TPrintForm::UserdefCheckClick() {
    if (!UserdefCheck->isChecked()) return;
    BreitEditChange();
    PrintPaintBox->update();
}

void TPrintForm::BreitEditChange() {
    if (coupling_) return;
    coupling_ = true;
    if (SverhCheck->isChecked()) {
        int32_t pw = 0, ph = 0;
        PageSize(pw, ph);
        HochEdit->setValue(
            CoupledHochPercent(BreitEdit->value(), pw, ph, DibWidth(&dib_), DibHeight(&dib_)));
    }
    PrintPaintBox->update();
    coupling_ = false;
}

void TPrintForm::HochEditChange() {
    if (coupling_) return;
    coupling_ = true;
    if (SverhCheck->isChecked()) {
        int32_t pw = 0, ph = 0;
        PageSize(pw, ph);
        BreitEdit->setValue(
            CoupledBreitePercent(HochEdit->value(), pw, ph, DibWidth(&dib_), DibHeight(&dib_)));
    }
    PrintPaintBox->update();
    coupling_ = false;
}

void TPrintForm::PrintPaintBoxPaint(QPainter& painter) {
    const int bw = PrintPaintBox->width(), bh = PrintPaintBox->height();
    QImage view(bw, bh, QImage::Format_RGB32);
    view.fill(PrintPaintBox->palette().color(QPalette::Window));
    int32_t pw = 0, ph = 0;
    PageSize(pw, ph);
    const TPrintPreview p =
        PrintPreviewLayout(bw, bh, pw, ph, DibWidth(&dib_), DibHeight(&dib_), Options());
    {
        QPainter page(&view);
        page.fillRect(QRect(p.page.x, p.page.y, p.page.w, p.page.h), Qt::white);
    }
    if (dib_.Bits != nullptr) {
        DisplaySurface surface;
        surface.pixels = reinterpret_cast<uint32_t*>(view.bits());
        surface.stride = static_cast<int32_t>(view.bytesPerLine() / 4);
        surface.width = bw;
        surface.height = bh;
        surface.bitsPerPixel = ScreenBitsPerPixel();
        DrawDib(surface, p.image.x, p.image.y, p.image.w, p.image.h, dib_, 0, 0, DibWidth(&dib_),
                DibHeight(&dib_), true, SRCCOPY, true, DisplayPalette{});
    }
    painter.drawImage(0, 0, view);
}

bool RunPrinterSetup(QPrinter& printer, QWidget* parent) {
    if (TPrintForm::SetupHook) return TPrintForm::SetupHook(printer);
    QPageSetupDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool PrintDib(QPrinter& printer, const TDibRecord& dib, const TPrintOptions& options,
              QWidget* parent) {
    if (dib.Bits == nullptr) return false;
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    const QString target = printer.outputFileName();
    if (toFile && target.isEmpty()) {
        const QString chosen = QFileDialog::getSaveFileName(
            parent, QStringLiteral("Drucken in Datei"), QString(), QStringLiteral("PDF (*.pdf)"));
        if (chosen.isEmpty()) return false; // nothing printed
        printer.setOutputFileName(chosen);
        const bool ok = PrintDib(printer, dib, options, parent);
        printer.setOutputFileName(QString());
        return ok;
    }
    // a file is written under a temporary name and renamed when complete
    const QString temp = target + QStringLiteral(".part");
    if (toFile) printer.setOutputFileName(temp);
    printer.setDocName(QString::fromUtf8(kPrintJobTitle));
    printer.setFullPage(false);
    QPainter painter;
    bool ok = painter.begin(&printer);
    if (ok) {
        const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
        const int32_t w = DibWidth(&dib), h = DibHeight(&dib);
        const TPageRect r = PrintImageRect(page.width(), page.height(), w, h, options);
        const int32_t band = std::min(PrintBandHeight(r.w), r.h);
        QImage rows(r.w, band, QImage::Format_RGB32);
        for (int32_t top = r.y; top < r.y + r.h; top += band) {
            rows.fill(Qt::white);
            DisplaySurface surface;
            surface.pixels = reinterpret_cast<uint32_t*>(rows.bits());
            surface.stride = static_cast<int32_t>(rows.bytesPerLine() / 4);
            surface.left = r.x;
            surface.top = top;
            surface.width = r.w;
            surface.height = std::min(band, r.y + r.h - top);
            surface.device = DeviceKind::Printer;
            DrawDib(surface, r.x, r.y, r.w, r.h, dib, 0, 0, w, h, false, SRCCOPY, true,
                    DisplayPalette{});
            painter.drawImage(QPoint(r.x, top), rows, QRect(0, 0, r.w, surface.height));
        }
        ok = painter.end();
    }
    if (toFile) {
        printer.setOutputFileName(target);
        if (ok) {
            QFile::remove(target);
            ok = QFile::rename(temp, target);
        }
        if (!ok) QFile::remove(temp);
    }
    if (!ok)
        ShowMessageBox(parent, QStringLiteral("Das Bild konnte nicht gedruckt werden"),
                       QStringLiteral("Fehler beim Drucken"), MB_ICONSTOP);
    return ok;
}

} // namespace pixorama::ui
