// The open and save dialogs over QFileDialog, with the raster library's "desc|pattern|..."
// filter texts turned into Qt's "desc (*.a *.b)" form in this one place.  Tests install hooks
// that answer without a person.
#pragma once

#include "platform/dialog_filter.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QWidget;

namespace pixorama::ui {

// Qt's form of one filter entry; "*.*" becomes "*" (every file, as on Windows).
QString ToQtFilter(const DialogFilter& filter);
QStringList ToQtFilters(const std::vector<DialogFilter>& filters);

// Empty when cancelled.
QString GetOpenImageName(QWidget* parent, const std::vector<DialogFilter>& filters);

struct SaveAnswer {
    QString path;    // empty when cancelled
    int filter = -1; // index of the chosen filter
};
// Save dialog with the overwrite prompt; preselects filter `selected` and the name `suggested`.
// extensions: per filter, the one a name typed without an extension gets (".png"; empty: none),
// before the overwrite prompt looks at the name.
SaveAnswer GetSaveImageName(QWidget* parent, const std::vector<DialogFilter>& filters, int selected,
                            const QString& suggested, const QStringList& extensions = {});

using OpenDialogHook = std::function<QString(const QStringList& filters)>;
using SaveDialogHook =
    std::function<SaveAnswer(const QStringList& filters, int selected, const QString& suggested)>;
void SetOpenDialogHook(OpenDialogHook hook);
void SetSaveDialogHook(SaveDialogHook hook);

} // namespace pixorama::ui
