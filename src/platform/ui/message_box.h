// Message boxes with the Windows flags the program passes (buttons in the low nibble, icon in
// the next) and the Windows answers.  Tests install a hook that answers without a person.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace pixorama::ui {

// The application's title, the caption of message boxes that name none.
inline constexpr const char* kApplicationTitle = "Pixorama 1.0";

// Shows a modal message box; returns IDOK, IDCANCEL, IDYES, IDNO, ...  An empty caption is the
// application's title.
int ShowMessageBox(QWidget* parent, const QString& text, const QString& caption, int flags);

// While set, ShowMessageBox asks the hook instead of showing a box.
using MessageBoxHook = std::function<int(const QString& text, const QString& caption, int flags)>;
void SetMessageBoxHook(MessageBoxHook hook);

} // namespace pixorama::ui
