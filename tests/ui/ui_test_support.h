// Shared pieces of the window tests: the program's start-up settings, a message box recorder
// behind the test seam, and image files made for a test.
#pragma once

#include "app/ui/main_form.h"
#include "document/dib.h"
#include "platform/ui/file_dialogs.h"
#include "platform/ui/message_box.h"

#include <QApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <memory>
#include <vector>

namespace pixorama::test {

struct RecordedMessage {
    QString text, caption;
    int flags;
};

// Answers message boxes from a queue (IDOK when empty) and remembers what they said.
class MessageRecorder {
  public:
    MessageRecorder() {
        ui::SetMessageBoxHook([this](const QString& text, const QString& caption, int flags) {
            messages.push_back({text, caption, flags});
            if (answers.empty())
                return static_cast<int>(IDOK);
            const int a = answers.front();
            answers.pop_front();
            return a;
        });
    }
    ~MessageRecorder() { ui::SetMessageBoxHook({}); }
    std::vector<RecordedMessage> messages;
    std::deque<int> answers;
};

// Writes a new image (white, as the New dialog makes it) as a BMP file; returns its path.
inline QString WriteBmp(const QString& path, int w, int h, int bpp) {
    DibHolder d(CreateNewImage(w, h, bpp));
    if (!d.ok())
        return {};
    return SaveDib(&d.get(), path.toUtf8().constData(), PICTORA_FORMAT_BMP, 0, nullptr, 0)
               ? path
               : QString();
}

// Bounding box of the dark pixels (each channel below 128) of an image, e.g. a printed page.
inline QRect DarkBox(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QRect box;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = rgb.pixel(x, y);
            if (qRed(c) < 128 && qGreen(c) < 128 && qBlue(c) < 128)
                box = box.united(QRect(x, y, 1, 1));
        }
    return box;
}

// The main window, shown at 1200 x 800 and exposed; nullptr when the platform does not show it.
inline std::unique_ptr<ui::TMainForm> ShownMainForm() {
    auto form = std::make_unique<ui::TMainForm>();
    form->resize(1200, 800);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    QCoreApplication::processEvents();
    return form;
}

} // namespace pixorama::test

// main() of a window test: offscreen platform, settings in a fresh folder, the program's names.
#define PIXORAMA_UI_TEST_MAIN(TestClass)                                                           \
    int main(int argc, char** argv) {                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        QTemporaryDir config;                                                                      \
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());                                        \
        QApplication app(argc, argv);                                                              \
        QApplication::setOrganizationName(QStringLiteral("Pixorama"));                             \
        QApplication::setApplicationName(QStringLiteral("pixorama"));                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
