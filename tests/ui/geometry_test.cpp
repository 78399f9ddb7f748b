// The geometry, effect and deformation commands of the frame: menu items, dialogs answered
// through their run hook, one undo level per command, previews and cancel.
#include "ui_test_support.h"

#include "app/ui/main_form.h"
#include "document/selection.h"
#include "document/ui/mdi_child.h"
#include "ops/deformations.h"
#include "ops/geometry.h"
#include "ops/ui/geometry_forms.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include <memory>

using namespace pixorama;
using namespace pixorama::ui;

namespace {

class QuietHost : public Host {
  public:
    void SetProSatus(int) override {}
    int MessageBox(const std::string&, const std::string&, int) override { return IDOK; }
};

TDibRecord makeImage(int w, int h) {
    TDibRecord d;
    newdib(&d, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(&d, x, y, (x * 9) | ((y * 7) << 8) | ((x + y) << 16));
    return d;
}

QByteArray pixels(const TDibRecord& d) {
    return QByteArray(reinterpret_cast<const char*>(d.Bits),
                      static_cast<qsizetype>(d.Info->bmiHeader.biSizeImage));
}

// Answers the next dialog run with answer (which returns OK or not).
struct Answer {
    template <class Form> explicit Answer(std::function<bool(Form&)> answer) {
        TParamForm::RunHook = [answer](TParamForm& f) {
            Form* form = qobject_cast<Form*>(&f);
            return form != nullptr && answer(*form);
        };
    }
    ~Answer() { TParamForm::RunHook = nullptr; }
};

} // namespace

class TestGeometry : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<TMainForm> form_;
    TMDIChild* open(int w, int h) {
        form_->ShowNewDocument(makeImage(w, h), "test.bmp", true);
        return form_->ActiveDocument();
    }

  private slots:
    void init() {
        form_ = std::make_unique<TMainForm>();
        form_->resize(900, 600);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void cleanup() {
        for (TMDIChild* c : form_->Documents())
            c->Doc().Modified = false;
        form_.reset();
    }

    void menuItems() {
        QAction* rotate = form_->Action(QStringLiteral("Rotieren1"));
        QVERIFY(rotate != nullptr);
        QCOMPARE(rotate->shortcut().toString(QKeySequence::PortableText), QStringLiteral("Ctrl+R"));
        QCOMPARE(rotate->statusTip(), QStringLiteral("Rotiert das Bild"));
        QCOMPARE(form_->Action(QStringLiteral("ZurAuswahlverkleinern1"))->statusTip(),
                 QStringLiteral("Lässt nur die Auswahl übrig"));
        QCOMPARE(form_->Action(QStringLiteral("Deformationen1"))->statusTip(),
                 QStringLiteral("Deformiert das Bild"));
    }

    void resizeDialogKeepsTheAspect() {
        TResizeForm f;
        f.SetImageSize(100, 30);
        f.show();
        f.BreitEdit->setValue(50);
        QCOMPARE(f.HochEdit->value(), 15);
        f.BreitEdit->setValue(33);
        QCOMPARE(f.HochEdit->value(), 9);
        f.HochEdit->setValue(15);
        QCOMPARE(f.BreitEdit->value(), 50);
        f.SverhCheck->setChecked(false);
        f.BreitEdit->setValue(70);
        QCOMPARE(f.HochEdit->value(), 15);
        f.SverhCheck->setChecked(true);
        QCOMPARE(f.HochEdit->value(), 21);
    }

    void canvasDialogCentres() {
        TCanvasSForm f;
        f.SetImageSize(320, 200);
        f.show();
        f.BreitEdit->setValue(400);
        f.HochEdit->setValue(300);
        QCOMPARE(f.LeftEdit->value(), 40);
        QCOMPARE(f.TopEdit->value(), 50);
        f.BreitEdit->setValue(321);
        QCOMPARE(f.LeftEdit->value(), 0);
        QCOMPARE(f.OldBreitLabel->text(), QStringLiteral("320"));
    }

    void bordersAreSymmetric() {
        TAddBForm f;
        f.SymCheck->setChecked(true);
        f.LeftEdit->setValue(7);
        QCOMPARE(f.TopEdit->value(), 7);
        QCOMPARE(f.RightEdit->value(), 7);
        QCOMPARE(f.BottomEdit->value(), 7);
    }

    void resizeCommandTakesOneUndoLevel() {
        TMDIChild* child = open(40, 12);
        QVERIFY(child != nullptr);
        Answer a(std::function<bool(TResizeForm&)>([](TResizeForm& f) {
            f.BreitEdit->setValue(20); // the height follows: 6
            return true;
        }));
        form_->Action(QStringLiteral("Grendern1"))->trigger();
        QCOMPARE(DibWidth(&child->Doc().Dib), 20);
        QCOMPARE(DibHeight(&child->Doc().Dib), 6);
        QCOMPARE(child->Doc().UndoCount, 1);
    }

    void cancelledDialogChangesNothing() {
        TMDIChild* child = open(30, 20);
        const QByteArray before = pixels(child->Doc().Dib);
        Answer a(std::function<bool(TRotateForm&)>([](TRotateForm&) { return false; }));
        form_->Action(QStringLiteral("Rotieren1"))->trigger();
        QCOMPARE(pixels(child->Doc().Dib), before);
        QCOMPARE(child->Doc().UndoCount, 0);
    }

    void rotateAndMirrorFromTheMenu() {
        TMDIChild* child = open(30, 20);
        Answer a(std::function<bool(TRotateForm&)>([](TRotateForm& f) {
            f.Grad90Check->setChecked(true);
            f.RotRightCheck->setChecked(true);
            return true;
        }));
        form_->Action(QStringLiteral("Rotieren1"))->trigger();
        QCOMPARE(DibWidth(&child->Doc().Dib), 20);
        QuietHost host;
        DibHolder src(makeImage(30, 20));
        DibHolder want(RotRight(src.get(), host));
        QCOMPARE(pixels(child->Doc().Dib), pixels(want.get()));
        form_->Action(QStringLiteral("Horizontalspiegeln1"))->trigger();
        QCOMPARE(child->Doc().UndoCount, 2);
        DibHolder mirrored(MirrorH(want.get(), host));
        QCOMPARE(pixels(child->Doc().Dib), pixels(mirrored.get()));
    }

    void perspectivePreviewCancelAndOk() {
        TMDIChild* child = open(30, 20);
        const QByteArray before = pixels(child->Doc().Dib);
        {
            int slider = 0;
            bool changed = false;
            Answer a(std::function<bool(TPerspForm&)>([&](TPerspForm& f) {
                f.StarkEd2->setValue(60);
                slider = f.StarkED1->value();
                f.PreviewBtn->click();
                changed = pixels(child->Doc().Dib) != before;
                return false; // cancel after the preview
            }));
            form_->Action(QStringLiteral("Perspektive1"))->trigger();
            QCOMPARE(slider, 60);
            QVERIFY(changed);
        }
        QCOMPARE(pixels(child->Doc().Dib), before);
        QCOMPARE(child->Doc().UndoCount, 0);
        {
            Answer a(std::function<bool(TPerspForm&)>([](TPerspForm& f) {
                f.SkewCheck->click();
                f.StarkEd2->setValue(-40);
                f.OkBtn->click();
                return true;
            }));
            form_->Action(QStringLiteral("Perspektive1"))->trigger();
        }
        QCOMPARE(child->Doc().UndoCount, 1);
        DocumentState copy;
        QuietHost host;
        QVERIFY(AttachImage(copy, makeImage(30, 20)));
        PerspectiveCommand(copy, host, -40, true, false);
        QCOMPARE(pixels(child->Doc().Dib), pixels(copy.Dib));
        // the values are kept for the next run; reset sets the strength to 0
        TPerspForm again;
        int kept = 0, reset = 99;
        bool skew = false;
        Answer b(std::function<bool(TPerspForm&)>([&](TPerspForm& f) {
            kept = f.StarkEd2->value();
            skew = f.SkewCheck->isChecked();
            f.ResetBtn->click();
            reset = f.StarkEd2->value();
            return false;
        }));
        again.Run();
        QCOMPARE(kept, -40);
        QVERIFY(skew);
        QCOMPARE(reset, 0);
    }

    void bulgeOkMatchesTheCore() {
        TMDIChild* child = open(31, 21);
        Answer a(std::function<bool(TWoelbenForm&)>([](TWoelbenForm& f) {
            f.StarkED2->setValue(2.0);
            f.HorzCheck->setChecked(true);
            f.OkBtn->click();
            return true;
        }));
        form_->Action(QStringLiteral("Wlben1"))->trigger();
        DocumentState copy;
        QuietHost host;
        QVERIFY(AttachImage(copy, makeImage(31, 21)));
        BulgeCommand(copy, host, true, 2.0, false);
        QCOMPARE(pixels(child->Doc().Dib), pixels(copy.Dib));
        QCOMPARE(child->Doc().UndoCount, 1);
    }
};

PIXORAMA_UI_TEST_MAIN(TestGeometry)
#include "geometry_test.moc"
