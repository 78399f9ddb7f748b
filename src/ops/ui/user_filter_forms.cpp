// TUserFilterForm and TFilterEditForm.
#include "ops/ui/user_filter_forms.h"

#include "platform/ui/dialog_parts.h"
#include "platform/ui/message_box.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <climits>

namespace pixorama::ui {

namespace {

QSpinBox* spinEdit(const QString& name, int min, int max, int value) {
    auto* e = new QSpinBox;
    e->setObjectName(name);
    e->setRange(min, max);
    e->setValue(value);
    return e;
}

QPushButton* button(const char* caption, const char* name) {
    auto* b = new QPushButton(QString::fromUtf8(caption));
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

// ---- TFilterEditForm ----

TFilterEditForm::TFilterEditForm(QWidget* parent)
    : QDialog(parent), RxLabel1(new QLabel(QStringLiteral("Name des Filters:"))),
      NameEdit(new QLineEdit), RxLabel2(new QLabel(QStringLiteral("Divisor:"))),
      RxLabel3(new QLabel(QStringLiteral("Verschiebung:"))), Bevel1(new QFrame),
      RxLabel4(new QLabel(QStringLiteral("Filter Matrix:"))),
      DivEdit(spinEdit(QStringLiteral("DivEdit"), 1, 255, 1)),
      BiasEdit(spinEdit(QStringLiteral("BiasEdit"), INT_MIN, INT_MAX, 0)) {
    setObjectName(QStringLiteral("TFilterEditForm"));
    setWindowTitle(QStringLiteral("Benutzerdefinierter Filter"));
    SetFixedDialogFlags(this);
    RxLabel1->setObjectName(QStringLiteral("RxLabel1"));
    RxLabel2->setObjectName(QStringLiteral("RxLabel2"));
    RxLabel3->setObjectName(QStringLiteral("RxLabel3"));
    RxLabel4->setObjectName(QStringLiteral("RxLabel4"));
    NameEdit->setObjectName(QStringLiteral("NameEdit"));
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    RxLabel1->setBuddy(NameEdit);
    RxLabel2->setBuddy(DivEdit);
    RxLabel3->setBuddy(BiasEdit);

    // the weights column by column: SpinEdit0 ... SpinEdit4 are the left column, top to bottom
    auto* grid = new QGridLayout;
    for (int column = 0, k = 0; column < 5; ++column)
        for (int row = 0; row < 5; ++row, ++k) {
            SpinEdit[static_cast<size_t>(k)] =
                spinEdit(QStringLiteral("SpinEdit%1").arg(k), INT_MIN, INT_MAX, 0);
            grid->addWidget(SpinEdit[static_cast<size_t>(k)], row, column);
        }
    RxLabel4->setBuddy(SpinEdit[0]);

    auto* values = new QGridLayout;
    values->addWidget(RxLabel2, 0, 0);
    values->addWidget(DivEdit, 0, 1);
    values->addWidget(RxLabel3, 1, 0);
    values->addWidget(BiasEdit, 1, 1);

    const OkCancelButtons buttons = AddOkCancel(this);
    OkBtn = buttons.Ok;
    CancelBtn = buttons.Cancel;
    // OK closes only after the checks
    disconnect(buttons.Box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons.Box, &QDialogButtonBox::accepted, this, &TFilterEditForm::OkBtnClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RxLabel1);
    layout->addWidget(NameEdit);
    layout->addWidget(RxLabel4);
    layout->addLayout(grid);
    layout->addWidget(Bevel1);
    layout->addLayout(values);
    layout->addWidget(buttons.Box);
}

void TFilterEditForm::SetRecord(const TFilterRecord& f) {
    NameEdit->setText(QString::fromUtf8(FilterNameOf(f)));
    DivEdit->setValue(f.Divisor);
    BiasEdit->setValue(f.Bias);
    for (int k = 0; k < 25; ++k)
        SpinEdit[static_cast<size_t>(k)]->setValue(FilterWeight(f, k));
}

void TFilterEditForm::GetRecord(TFilterRecord& f) const {
    SetFilterName(f, NameEdit->text().toStdString());
    f.Divisor = DivEdit->value();
    f.Bias = BiasEdit->value();
    for (int k = 0; k < 25; ++k)
        FilterWeight(f, k) = SpinEdit[static_cast<size_t>(k)]->value();
}

void TFilterEditForm::OkBtnClick() {
    const std::string name = NameEdit->text().toStdString();
    bool ok = true;
    if (name.empty()) {
        ShowMessageBox(this, QString::fromUtf8(kTextFilterNameMissing), {}, MB_ICONSTOP);
        ok = false;
    } else if (name.size() > kUserFilterNameMax) {
        // the record's field holds 256 bytes and the terminator
        ShowMessageBox(this, QString::fromUtf8(kTextFilterNameTooLong), {}, MB_ICONSTOP);
        ok = false;
    }
    if (DivEdit->value() == 0) {
        ShowMessageBox(this, QString::fromUtf8(kTextDivisionByZero), {}, MB_ICONSTOP);
        ok = false;
    }
    if (ok)
        accept();
}

// ---- TUserFilterForm ----

TUserFilterForm::TUserFilterForm(QWidget* parent)
    : QDialog(parent), ListBox1(new QListWidget), ApplyBtn(button("Anwenden", "ApplyBtn")),
      CancelBtn(button("A&bbrechen", "CancelBtn")), NewBtn(button("&Neu...", "NewBtn")),
      EditBtn(button("B&earbeiten...", "EditBtn")), DelBtn(button("&Löschen", "DelBtn")) {
    setObjectName(QStringLiteral("TUserFilterForm"));
    setWindowTitle(QStringLiteral("Benutzerdefinierte Filter"));
    SetFixedDialogFlags(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ApplyBtn->setDefault(true);
    ApplyBtn->setAutoDefault(true);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {ApplyBtn, CancelBtn, NewBtn, EditBtn, DelBtn})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(ListBox1);
    layout->addLayout(buttons);

    connect(ApplyBtn, &QPushButton::clicked, this, &TUserFilterForm::ApplyBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(NewBtn, &QPushButton::clicked, this, &TUserFilterForm::NewBtnClick);
    connect(EditBtn, &QPushButton::clicked, this, &TUserFilterForm::EditBtnClick);
    connect(DelBtn, &QPushButton::clicked, this, &TUserFilterForm::DelBtnClick);
}

// The store is read once per opening: reading it again after the editor or the question closed
// would drop the changes made since, which are written only when the dialog closes.
void TUserFilterForm::FormActivate() {
    const TStoreRead read = ReadUserFilterStore(StoreFileName.toStdString(), Items);
    foreign_ = read.State == TStoreState::Foreign;
    if (foreign_)
        ShowMessageBox(this,
                       QString::fromStdString(ForeignStoreText(StoreFileName.toStdString())), {},
                       MB_ICONWARNING);
    FillListNew();
    if (ListBox1->count() > 0)
        ListBox1->setCurrentRow(0);
}

void TUserFilterForm::FillListNew() {
    ListBox1->clear();
    for (const TFilterRecord& f : Items)
        ListBox1->addItem(QString::fromStdString(FilterNameOf(f)));
    ListBox1->setCurrentRow(-1);
    ListBox1->clearSelection();
}

int TUserFilterForm::selectedLine() const {
    const QList<QListWidgetItem*> chosen = ListBox1->selectedItems();
    return chosen.isEmpty() ? -1 : ListBox1->row(chosen.front());
}

bool TUserFilterForm::runEditor(TFilterEditForm& editor) {
    return RunModal<TFilterEditForm>(editor, EditorHook);
}

void TUserFilterForm::NewBtnClick() {
    TFilterEditForm editor(this);
    editor.SetRecord(TFilterRecord{});
    if (!runEditor(editor))
        return;
    TFilterRecord f{};
    editor.GetRecord(f);
    Items.push_back(f);
    FillListNew();
}

void TUserFilterForm::EditBtnClick() {
    TFilterEditForm editor(this);
    const int i = selectedLine();
    if (i < 0 || Count() == 0)
        return;
    TFilterRecord& f = Items[static_cast<size_t>(i)];
    editor.SetRecord(f);
    if (!runEditor(editor))
        return;
    editor.GetRecord(f);
    FillListNew();
}

void TUserFilterForm::DelBtnClick() {
    const int i = selectedLine();
    if (i < 0 || Count() == 0)
        return;
    if (ShowMessageBox(this, QString::fromUtf8(kTextDeleteFilterQuestion),
                       QString::fromUtf8(kCaptionDeleteFilter),
                       MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    Items.erase(Items.begin() + i);
    FillListNew();
}

void TUserFilterForm::ApplyBtnClick() {
    if (selectedLine() < 0 || Count() == 0) {
        ShowMessageBox(this, QString::fromUtf8(kTextNoFilterChosen), {}, MB_ICONSTOP);
        return;
    }
    accept();
}

void TUserFilterForm::FormClose() {
    const int i = selectedLine();
    if (i >= 0 && i < Count())
        CurrentFilter = Items[static_cast<size_t>(i)];
    // a store of another program stays as it is; ours is written on every close
    if (!foreign_ && !StoreFileName.isEmpty()) {
        QDir().mkpath(QFileInfo(StoreFileName).absolutePath());
        WriteUserFilterStore(StoreFileName.toStdString(), Items);
    }
    Items.clear();
}

void TUserFilterForm::done(int result) {
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    QDialog::done(result);
}

bool TUserFilterForm::Run() {
    closed_ = false;
    FormActivate();
    return RunCentredModal(this);
}

} // namespace pixorama::ui
