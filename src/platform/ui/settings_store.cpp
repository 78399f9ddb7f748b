// QSettings in INI form under the user's config folder, one group per form.
#include "platform/ui/settings_store.h"

#include <QWidget>

namespace pixorama::ui {

FormSettings::FormSettings(const QString& formName)
    : settings_(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pixorama"),
                QStringLiteral("pixorama")) {
    settings_.beginGroup(formName);
}

FormSettings::~FormSettings() {
    settings_.endGroup();
    settings_.sync();
}

QVariant FormSettings::value(const QString& key, const QVariant& fallback) const {
    return settings_.value(key, fallback);
}

bool FormSettings::boolValue(const QString& key, bool fallback) const {
    const QVariant v = settings_.value(key);
    return v.isValid() ? v.toBool() : fallback;
}

int FormSettings::intValue(const QString& key, int fallback) const {
    bool ok = false;
    const int v = settings_.value(key).toInt(&ok);
    return ok ? v : fallback;
}

int FormSettings::intValue(const QString& key, int fallback, int min, int max) const {
    const int v = intValue(key, fallback);
    return v >= min && v <= max ? v : fallback;
}

double FormSettings::doubleValue(const QString& key, double fallback, double min,
                                 double max) const {
    bool ok = false;
    const double v = settings_.value(key).toDouble(&ok);
    return ok && v >= min && v <= max ? v : fallback;
}

void FormSettings::setValue(const QString& key, const QVariant& value) {
    settings_.setValue(key, value);
}

bool FormSettings::restorePlacement(QWidget* window) const {
    const QByteArray geometry = settings_.value(QStringLiteral("Placement")).toByteArray();
    if (geometry.isEmpty())
        return false;
    window->restoreGeometry(geometry);
    return true;
}

void FormSettings::storePlacement(const QWidget* window) {
    settings_.setValue(QStringLiteral("Placement"), window->saveGeometry());
}

} // namespace pixorama::ui
