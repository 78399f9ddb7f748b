// QMessageBox behind the program's message boxes, with German button texts.
#include "platform/ui/message_box.h"

#include "platform/message_flags.h"

#include <QMessageBox>
#include <QPushButton>

namespace pixorama::ui {
namespace {

MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}

enum : int { MB_ABORTRETRYIGNORE = 2, MB_RETRYCANCEL = 5, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5 };

} // namespace

void SetMessageBoxHook(MessageBoxHook h) {
    hook() = std::move(h);
}

int ShowMessageBox(QWidget* parent, const QString& text, const QString& caption, int flags) {
    const QString title = caption.isEmpty() ? QString::fromUtf8(kApplicationTitle) : caption;
    if (hook())
        return hook()(text, title, flags);

    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (flags & 0xF0) {
    case MB_ICONSTOP:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    struct Button {
        const char* text;
        QMessageBox::ButtonRole role;
        int answer;
    };
    static const Button ok{"OK", QMessageBox::AcceptRole, IDOK};
    static const Button cancel{"Abbrechen", QMessageBox::RejectRole, IDCANCEL};
    static const Button yes{"&Ja", QMessageBox::YesRole, IDYES};
    static const Button no{"&Nein", QMessageBox::NoRole, IDNO};
    static const Button abort{"&Abbrechen", QMessageBox::RejectRole, IDABORT};
    static const Button retry{"&Wiederholen", QMessageBox::AcceptRole, IDRETRY};
    static const Button ignore{"&Ignorieren", QMessageBox::DestructiveRole, IDIGNORE};
    std::vector<Button> buttons;
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        buttons = {ok, cancel};
        break;
    case MB_ABORTRETRYIGNORE:
        buttons = {abort, retry, ignore};
        break;
    case MB_YESNOCANCEL:
        buttons = {yes, no, cancel};
        break;
    case MB_YESNO:
        buttons = {yes, no};
        break;
    case MB_RETRYCANCEL:
        buttons = {retry, cancel};
        break;
    default:
        buttons = {ok};
        break;
    }
    std::vector<std::pair<QAbstractButton*, int>> answers;
    for (const Button& b : buttons)
        answers.emplace_back(box.addButton(QString::fromUtf8(b.text), b.role), b.answer);
    box.setDefaultButton(static_cast<QPushButton*>(answers.front().first));
    // Escape answers like the window's close box: Cancel where there is one, else the first
    QAbstractButton* escape = answers.front().first;
    for (auto& [button, answer] : answers)
        if (answer == IDCANCEL || answer == IDNO)
            escape = button;
    for (auto& [button, answer] : answers)
        if (answer == IDCANCEL)
            escape = button;
    box.setEscapeButton(escape);
    box.exec();
    for (auto& [button, answer] : answers)
        if (box.clickedButton() == button)
            return answer;
    return (flags & 0x0F) == MB_OK ? IDOK : IDCANCEL;
}

} // namespace pixorama::ui
