// Qt's own German texts (file and colour dialogs, standard buttons, context menus), so that the
// whole interface speaks German like the program's own texts, whatever the locale says.
#pragma once

class QCoreApplication;

namespace pixorama::ui {

// Loads Qt's German translations into app; false when they are not installed.
bool InstallGermanTranslations(QCoreApplication& app);

} // namespace pixorama::ui
