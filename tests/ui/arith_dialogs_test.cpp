// The dialogs and commands of image arithmetic, channel split and combine and the user filters:
// the dialogs' lists and values, the menu commands end to end with their dialogs answered, and
// the filter store written on every close.
#include "ui_test_support.h"

#include "app/ui/main_form.h"
#include "document/ui/mdi_child.h"
#include "ops/arithmetic.h"
#include "ops/channels.h"
#include "ops/ui/comb_rgb_form.h"
#include "ops/ui/math_form.h"
#include "ops/ui/user_filter_forms.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <cstring>
#include <functional>
#include <memory>

using namespace pixorama;
using namespace pixorama::ui;
using pixorama::test::MessageRecorder;

namespace {

TDibRecord colourImage(int w, int h, int seed) {
    TDibRecord d;
    newdib(&d, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(&d, x, y,
                     ((x * 9 + seed) & 255) | (((y * 5 + seed * 3) & 255) << 8) |
                         (((x * y + seed) & 255) << 16));
    return d;
}

QByteArray pixels(const TDibRecord& d) {
    return QByteArray(reinterpret_cast<const char*>(d.Bits),
                      static_cast<qsizetype>(d.Info->bmiHeader.biSizeImage));
}

// Calls answer with the next modal dialog of type T once it shows.
template <class T> void whenModal(std::function<void(T&)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        answer(*dialog);
        // an answer cut short by a failed check must not leave the dialog waiting
        if (dialog->isVisible())
            dialog->reject();
    });
    timer->start();
}

TMDIChild* show(TMainForm& form, TDibRecord dib, const char* name) {
    form.ShowNewDocument(dib, name, true);
    return form.ActiveDocument();
}

TFilterRecord filter(const char* name, int divisor = 1) {
    TFilterRecord f;
    SetFilterName(f, name);
    f.Divisor = divisor;
    FilterWeight(f, 12) = 1;
    return f;
}

} // namespace

class ArithDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void mathFormListsAndValues() {
        DibHolder wide(colourImage(100, 50, 1)), tall(colourImage(50, 100, 2)),
            small(colourImage(30, 30, 3));
        TMatheForm f;
        QCOMPARE(f.windowTitle(), QStringLiteral("Mathematik"));
        f.SetDocuments({{QStringLiteral("a.bmp"), &wide.get()},
                        {QStringLiteral("b.bmp"), &tall.get()},
                        {QStringLiteral("a.bmp"), &small.get()}});
        f.FunktionBox->setCurrentIndex(4);
        f.FormActivate();
        QCOMPARE(f.Image1Box->count(), 3);
        QCOMPARE(f.FunktionBox->count(), kMathFunctionCount);
        QCOMPARE(f.FunktionBox->currentIndex(), 0);
        QCOMPARE(f.FunktionBox->itemText(3), QStringLiteral("Differenz"));
        QCOMPARE(f.Kanal2Box->itemText(1), QStringLiteral("Grün"));
        // both entries named a.bmp stand for the later document
        QCOMPARE(f.Image1(), &small.get());
        QCOMPARE(f.DestSizeLabel->text(), QStringLiteral("Ausgabegröße: 30 x 30"));
        f.Image2Box->setCurrentIndex(1);
        QCOMPARE(f.Image2(), &tall.get());
        QCOMPARE(f.DestSizeLabel->text(), QStringLiteral("Ausgabegröße: 50 x 100"));

        const TMathOptions defaults = f.Options();
        QCOMPARE(defaults.Divisor, 1);
        QCOMPARE(defaults.Shift, 0);
        QVERIFY(defaults.Clip && defaults.AllChannels);
        f.FunktionBox->setCurrentIndex(9);
        f.DivEdit->setValue(300); // beyond the range: 255
        f.AddEdit->setValue(-4);
        f.ClipCheck->setChecked(false);
        f.AllChanCheck->setChecked(false);
        f.Kanal1Box->setCurrentIndex(2);
        const TMathOptions o = f.Options();
        QCOMPARE(o.Function, TMathFunction::ExklusivOder);
        QCOMPARE(o.Divisor, 255);
        QCOMPARE(o.Shift, -4);
        QVERIFY(!o.Clip && !o.AllChannels);
        QCOMPARE(o.Channel1, 2);
        QCOMPARE(o.Channel2, 0);
    }

    void mathCommandMakesANewDocument() {
        auto form = test::ShownMainForm();
        QVERIFY(form);
        TMDIChild* first = show(*form, colourImage(40, 20, 1), "eins.bmp");
        show(*form, colourImage(20, 40, 2), "zwei.bmp");
        QAction* math = form->Action(QStringLiteral("Mathematik1"));
        QCOMPARE(math->statusTip(), QStringLiteral("Verknüpft zwei Bilder miteinander"));
        const QByteArray before = pixels(first->Doc().Dib);
        whenModal<TMatheForm>([](TMatheForm& d) {
            d.Image2Box->setCurrentIndex(1);
            d.FunktionBox->setCurrentIndex(3); // "Differenz"
            d.ClipCheck->setChecked(false);
            d.OkBtn->click();
        });
        math->trigger();
        TMDIChild* result = form->ActiveDocument();
        QVERIFY(result != nullptr);
        QVERIFY(QString::fromStdString(result->Doc().FileName).startsWith(QStringLiteral("NONAME")));
        QCOMPARE(form->Documents().size(), size_t{3});
        // the same as the core on the two sources, which stay as they were
        Host& host = form->CoreHost();
        TMathOptions o;
        o.Function = TMathFunction::Differenz;
        o.Clip = false;
        const std::vector<TMDIChild*> docs = form->Documents();
        DibHolder expected(MatheDib(docs[0]->Doc().Dib, docs[1]->Doc().Dib, o, host));
        QCOMPARE(pixels(result->Doc().Dib), pixels(expected.get()));
        QCOMPARE(pixels(first->Doc().Dib), before);
        QCOMPARE(first->Doc().UndoCount, 0);

        // cancelled: nothing new
        whenModal<TMatheForm>([](TMatheForm& d) { d.CancelBtn->click(); });
        math->trigger();
        QCOMPARE(form->Documents().size(), size_t{3});
    }

    void splitAndCombineCommands() {
        auto form = test::ShownMainForm();
        QVERIFY(form);
        TMDIChild* src = show(*form, colourImage(33, 17, 5), "bunt.bmp");
        const QByteArray original = pixels(src->Doc().Dib);
        QAction* split = form->Action(QStringLiteral("Farbekaneteilen1"));
        QCOMPARE(split->statusTip(), QStringLiteral("Teilet das Bild in seine Farbbestandteile"));
        split->trigger();
        std::vector<TMDIChild*> docs = form->Documents();
        QCOMPARE(docs.size(), size_t{4});
        QCOMPARE(QString::fromStdString(docs[1]->Doc().FileName), QStringLiteral("Rot1"));
        QCOMPARE(QString::fromStdString(docs[2]->Doc().FileName), QStringLiteral("Grün1"));
        QCOMPARE(QString::fromStdString(docs[3]->Doc().FileName), QStringLiteral("Blau1"));
        QCOMPARE(DibBitsPerPixel(&docs[1]->Doc().Dib), 8);
        QCOMPARE(form->ChannelCounter, 2);

        QAction* combine = form->Action(QStringLiteral("Farbkanlezusammenfgen1"));
        QCOMPARE(combine->statusTip(), QStringLiteral("Fügt ein Bild wieder zusammen"));
        whenModal<TCombRGBForm>([](TCombRGBForm& d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("Farbkanäle zusammenfügen"));
            QCOMPARE(d.ComboBox1->count(), 4);
            QCOMPARE(d.ComboBox1->currentIndex(), 0);
            d.ComboBox1->setCurrentIndex(1);
            d.ComboBox2->setCurrentIndex(2);
            d.ComboBox3->setCurrentIndex(3);
            d.OkBtn->click();
        });
        combine->trigger();
        docs = form->Documents();
        QCOMPARE(docs.size(), size_t{5});
        QCOMPARE(pixels(docs[4]->Doc().Dib), original);

        // a second split counts on; a combine of unequal sizes says so and makes nothing
        form->MdiArea()->setActiveSubWindow(src->SubWindow());
        split->trigger();
        QCOMPARE(QString::fromStdString(form->Documents()[5]->Doc().FileName),
                 QStringLiteral("Rot2"));
        show(*form, colourImage(5, 5, 1), "klein.bmp");
        MessageRecorder messages;
        whenModal<TCombRGBForm>([](TCombRGBForm& d) {
            d.ComboBox1->setCurrentIndex(d.ComboBox1->count() - 1);
            d.OkBtn->click();
        });
        const size_t count = form->Documents().size();
        combine->trigger();
        QCOMPARE(form->Documents().size(), count);
        QCOMPARE(messages.messages.size(), size_t{1});
        QCOMPARE(messages.messages[0].text, QString::fromUtf8(kTextCombineSizes));
    }

    void filterStoreWrittenOnEveryClose() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("UserFilt.dat"));
        QVERIFY(WriteUserFilterStore(path.toStdString(), {filter("A"), filter("B"), filter("C")}));
        MessageRecorder messages;
        {
            TUserFilterForm f;
            f.StoreFileName = path;
            f.FormActivate();
            QCOMPARE(f.ListBox1->count(), 3);
            QCOMPARE(f.ListBox1->currentRow(), 0);
            f.ListBox1->setCurrentRow(1);
            messages.answers.push_back(IDYES);
            f.DelBtnClick();
            QCOMPARE(messages.messages.back().caption, QStringLiteral("Sicherheitsabfrage"));
            QCOMPARE(f.ListBox1->count(), 2);
            QCOMPARE(f.ListBox1->item(1)->text(), QStringLiteral("C"));
            QVERIFY(f.ListBox1->selectedItems().isEmpty());
            // nothing chosen: the dialog stays
            f.ApplyBtnClick();
            QCOMPARE(messages.messages.back().text, QString::fromUtf8(kTextNoFilterChosen));
            QCOMPARE(f.result(), int(QDialog::Rejected));
            f.reject(); // "A&bbrechen" still writes
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 8 + 2 * 624);
        QCOMPARE(bytes.mid(8 + 108, 2), QByteArray("A\0", 2));
        QCOMPARE(bytes.mid(8 + 624 + 108, 2), QByteArray("C\0", 2));
    }

    void newFilterThroughTheEditor() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("UserFilt.dat"));
        MessageRecorder messages;
        TUserFilterForm f;
        f.StoreFileName = path;
        f.FormActivate(); // no file yet: an empty list, no message
        QCOMPARE(f.ListBox1->count(), 0);
        QVERIFY(messages.messages.empty());
        int shown = 0, startDivisor = 0;
        QString title;
        f.EditorHook = [&](TFilterEditForm& e) -> bool {
            ++shown;
            title = e.windowTitle();
            startDivisor = e.DivEdit->value();
            // without a name the editor stays open
            e.OkBtnClick();
            if (e.result() == QDialog::Accepted)
                return false;
            e.NameEdit->setText(QString(300, QLatin1Char('x')));
            e.OkBtnClick();
            if (e.result() == QDialog::Accepted)
                return false;
            e.NameEdit->setText(QStringLiteral("Links"));
            for (int k = 0; k < 5; ++k)
                e.SpinEdit[static_cast<size_t>(k)]->setValue(1);
            e.DivEdit->setValue(5);
            e.BiasEdit->setValue(-7);
            e.OkBtnClick();
            return e.result() == QDialog::Accepted;
        };
        f.NewBtnClick();
        QCOMPARE(shown, 1);
        QCOMPARE(title, QStringLiteral("Benutzerdefinierter Filter"));
        QCOMPARE(startDivisor, 1);
        QCOMPARE(messages.messages.size(), size_t{2});
        QCOMPARE(messages.messages[0].text, QString::fromUtf8(kTextFilterNameMissing));
        QCOMPARE(messages.messages[1].text, QString::fromUtf8(kTextFilterNameTooLong));
        QCOMPARE(f.ListBox1->count(), 1);
        QCOMPARE(f.ListBox1->item(0)->text(), QStringLiteral("Links"));
        f.reject();

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 8 + 624);
        std::vector<TFilterRecord> items;
        ParseUserFilterStore(reinterpret_cast<const uint8_t*>(bytes.constData()),
                             static_cast<size_t>(bytes.size()), items);
        QCOMPARE(items.size(), size_t{1});
        // the left column: record offsets 8, 12, 16, 20, 24
        for (int k = 0; k < 25; ++k)
            QCOMPARE(FilterWeight(items[0], k), k < 5 ? 1 : 0);
        QCOMPARE(items[0].Divisor, 5);
        QCOMPARE(items[0].Bias, -7);
    }

    void foreignStoreLeftAlone() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("UserFilt.dat"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("something else entirely");
        }
        MessageRecorder messages;
        TUserFilterForm f;
        f.StoreFileName = path;
        f.FormActivate();
        QCOMPARE(messages.messages.size(), size_t{1});
        QVERIFY(messages.messages[0].text.contains(path));
        QCOMPARE(f.ListBox1->count(), 0);
        f.EditorHook = [](TFilterEditForm& e) -> bool {
            e.NameEdit->setText(QStringLiteral("Neu"));
            e.OkBtnClick();
            return e.result() == QDialog::Accepted;
        };
        f.NewBtnClick();
        f.reject();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("something else entirely"));
    }

    void userFilterCommandAppliesTheChosenFilter() {
        QTemporaryDir dir;
        auto form = test::ShownMainForm();
        QVERIFY(form);
        form->ProgramFolder = dir.path() + QLatin1Char('/');
        TFilterRecord soft = filter("Weich", 9);
        for (int k = 0; k < 25; ++k)
            FilterWeight(soft, k) = 1;
        const std::string store = (dir.path() + QStringLiteral("/UserFilt.dat")).toStdString();
        QVERIFY(WriteUserFilterStore(store, {filter("Null", 0), soft}));
        TMDIChild* child = show(*form, colourImage(21, 13, 4), "bild.bmp");
        QAction* item = form->Action(QStringLiteral("BenutzerdefinierteFilter1"));
        QCOMPARE(item->statusTip(),
                 QStringLiteral("Lässt Sie eigene Filter erstellen, bearbeiten und anwenden"));
        QVERIFY(item->isEnabled()); // a 24-bit image

        DocumentState copy;
        Host& host = form->CoreHost();
        QVERIFY(AttachImage(copy, MakeDIBCopy(child->Doc().Dib, host)));
        DibFilter(copy, host, soft);
        whenModal<TUserFilterForm>([](TUserFilterForm& d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("Benutzerdefinierte Filter"));
            d.ListBox1->setCurrentRow(1);
            d.ApplyBtn->click();
        });
        item->trigger();
        QCOMPARE(pixels(child->Doc().Dib), pixels(copy.Dib));
        QCOMPARE(child->Doc().UndoCount, 1);

        // a stored divisor of 0 is refused before anything changes
        MessageRecorder messages;
        const QByteArray before = pixels(child->Doc().Dib);
        whenModal<TUserFilterForm>([](TUserFilterForm& d) {
            d.ListBox1->setCurrentRow(0);
            d.ApplyBtn->click();
        });
        item->trigger();
        QCOMPARE(pixels(child->Doc().Dib), before);
        QCOMPARE(child->Doc().UndoCount, 1);
        QCOMPARE(messages.messages.size(), size_t{1});
        QCOMPARE(messages.messages[0].text, QString::fromUtf8(kTextDivisionByZero));
    }
};

PIXORAMA_UI_TEST_MAIN(ArithDialogsTest)
#include "arith_dialogs_test.moc"
