// QFileDialog for opening and saving images.
#include "platform/ui/file_dialogs.h"

#include <QFileDialog>

namespace pixorama::ui {
namespace {

OpenDialogHook& openHook() {
    static OpenDialogHook h;
    return h;
}
SaveDialogHook& saveHook() {
    static SaveDialogHook h;
    return h;
}

} // namespace

void SetOpenDialogHook(OpenDialogHook hook) {
    openHook() = std::move(hook);
}
void SetSaveDialogHook(SaveDialogHook hook) {
    saveHook() = std::move(hook);
}

QString ToQtFilter(const DialogFilter& filter) {
    QString description = QString::fromStdString(filter.Description);
    QStringList patterns;
    for (const std::string& p : filter.Patterns)
        patterns << (p == "*.*" ? QStringLiteral("*") : QString::fromStdString(p));
    // the library writes its patterns into the description already; Qt reads them from the
    // last parentheses, separated by blanks
    const QString own = QStringLiteral(" (") + QString::fromStdString([&] {
                            std::string joined;
                            for (const std::string& p : filter.Patterns)
                                joined += (joined.empty() ? "" : ";") + p;
                            return joined;
                        }()) +
                        QStringLiteral(")");
    if (description.endsWith(own))
        description.chop(own.size());
    return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
           QStringLiteral(")");
}

QStringList ToQtFilters(const std::vector<DialogFilter>& filters) {
    QStringList list;
    for (const DialogFilter& f : filters)
        list << ToQtFilter(f);
    return list;
}

QString GetOpenImageName(QWidget* parent, const std::vector<DialogFilter>& filters) {
    const QStringList qt = ToQtFilters(filters);
    if (openHook())
        return openHook()(qt);
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(qt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

SaveAnswer GetSaveImageName(QWidget* parent, const std::vector<DialogFilter>& filters, int selected,
                            const QString& suggested, const QStringList& extensions) {
    const QStringList qt = ToQtFilters(filters);
    if (saveHook())
        return saveHook()(qt, selected, suggested);
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(qt);
    if (selected >= 0 && selected < qt.size())
        dialog.selectNameFilter(qt[selected]);
    // a name typed without an extension gets the one of the chosen filter, before the
    // overwrite prompt looks at it (the same one saving gives it)
    auto suffixOf = [&](const QString& filter) {
        const int i = static_cast<int>(qt.indexOf(filter));
        if (i < 0 || i >= extensions.size())
            return QString();
        return extensions[i].startsWith(QLatin1Char('.')) ? extensions[i].mid(1) : extensions[i];
    };
    dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&](const QString& f) { dialog.setDefaultSuffix(suffixOf(f)); });
    if (!suggested.isEmpty())
        dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().first(),
            static_cast<int>(qt.indexOf(dialog.selectedNameFilter()))};
}

} // namespace pixorama::ui
