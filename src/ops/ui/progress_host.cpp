// Progress that paints while an operation runs.
#include "ops/ui/progress_host.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QThread>

namespace pixorama::ui {

void TProgressHost::SetProSatus(int percent) {
    // the operations report from the thread that called them only; be sure of it anyway, as
    // the bar repaints at once
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    frame_.SetProSatus(percent);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

TBusyCursor::TBusyCursor() {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

TBusyCursor::~TBusyCursor() {
    QApplication::restoreOverrideCursor();
}

} // namespace pixorama::ui
