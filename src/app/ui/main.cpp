// pixorama [FILES...]: the program.  Every argument is an image file opened at start.
#include "app/ui/main_form.h"
#include "platform/ui/translations.h"

#include <QApplication>
#include <QIcon>

#include <pictora.h>

#include <csignal>

namespace {

// Ended from outside while saving: the half-written temporary file goes too.
extern "C" void onTerminate(int sig) {
    PictoraRemovePendingFiles();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

} // namespace

int main(int argc, char** argv) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        std::signal(sig, onTerminate);
    // a save that reaches the file size limit (ulimit -f) fails with its message and leaves the
    // old file as it was; by default the signal would end the program and every open document
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Pixorama"));
    QApplication::setApplicationName(QStringLiteral("pixorama"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    // toolbar icons from the desktop's theme where it has them, else from Adwaita
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    // Qt's dialogs in German, as every text of the program is
    pixorama::ui::InstallGermanTranslations(app);

    pixorama::ui::TMainForm form(QApplication::arguments().mid(1));
    form.OpenBrowserAtStart = true;
    form.show();
    return QApplication::exec();
}
