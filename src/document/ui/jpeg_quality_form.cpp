// The JPEG quality dialog.
#include "document/ui/jpeg_quality_form.h"

#include "platform/ui/settings_store.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace pixorama::ui {

std::function<bool(TJpegQForm&)> TJpegQForm::RunHook;

namespace {
const QString kForm = QStringLiteral("TJpegQForm");
const QString kKey = QStringLiteral("QualED1");
} // namespace

TJpegQForm::TJpegQForm(QWidget* parent)
    : QDialog(parent), QualED1(new QSlider(Qt::Horizontal)), QualEd2(new QSpinBox) {
    setObjectName(kForm);
    setWindowTitle(QStringLiteral("JPEG-Speicherqualität setzen"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* text = new QLabel(QStringLiteral("Je stärker das Bild komprimiert wird, je geringer die "
                                           "Qualität und der Speicherverbrauch."));
    text->setWordWrap(true);

    QualED1->setObjectName(QStringLiteral("QualED1"));
    QualED1->setRange(1, 99);
    QualED1->setTickPosition(QSlider::TicksBelow);
    QualED1->setTickInterval(10);
    QualEd2->setObjectName(QStringLiteral("QualEd2"));
    QualEd2->setRange(1, 99);
    const int stored = FormSettings(kForm).intValue(kKey, 75);
    QualED1->setValue(stored >= 1 && stored <= 99 ? stored : 75);
    QualEd2->setValue(QualED1->value());
    connect(QualED1, &QSlider::valueChanged, QualEd2, &QSpinBox::setValue);
    connect(QualEd2, &QSpinBox::valueChanged, QualED1, &QSlider::setValue);

    auto* group = new QGroupBox(QStringLiteral("Qualität"));
    auto* g = new QVBoxLayout(group);
    auto* sliderRow = new QHBoxLayout;
    sliderRow->addWidget(new QLabel(QStringLiteral("Niedrige Qualität")));
    sliderRow->addWidget(QualED1, 1);
    sliderRow->addWidget(new QLabel(QStringLiteral("Hohe Qualität")));
    g->addLayout(sliderRow);
    auto* numberRow = new QHBoxLayout;
    numberRow->addWidget(new QLabel(QStringLiteral("Voreinstellung: 75")));
    numberRow->addStretch(1);
    numberRow->addWidget(new QLabel(QStringLiteral("Als Zahl:")));
    numberRow->addWidget(QualEd2);
    g->addLayout(numberRow);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("A&bbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(group);
    layout->addWidget(buttons);
    resize(420, sizeHint().height());
}

int TJpegQForm::Quality() const {
    return QualED1->value();
}

bool TJpegQForm::Run() {
    const bool ok = RunHook ? RunHook(*this) : exec() == QDialog::Accepted;
    if (ok)
        FormSettings(kForm).setValue(kKey, QualED1->value());
    return ok;
}

} // namespace pixorama::ui
