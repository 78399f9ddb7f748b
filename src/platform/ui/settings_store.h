// Per-user settings of the forms: one INI file in the user's config folder
// ($XDG_CONFIG_HOME/Pixorama/pixorama.ini), one group per form.
#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

class QWidget;

namespace pixorama::ui {

class FormSettings {
  public:
    explicit FormSettings(const QString& formName);
    ~FormSettings();
    FormSettings(const FormSettings&) = delete;
    FormSettings& operator=(const FormSettings&) = delete;

    QVariant value(const QString& key, const QVariant& fallback = {}) const;
    bool boolValue(const QString& key, bool fallback) const;
    int intValue(const QString& key, int fallback) const;
    // A stored value counts only when it lies in min..max (what the control can show).
    int intValue(const QString& key, int fallback, int min, int max) const;
    double doubleValue(const QString& key, double fallback, double min, double max) const;
    void setValue(const QString& key, const QVariant& value);

    // Position, size and state of a top-level window; false when none was stored.
    bool restorePlacement(QWidget* window) const;
    void storePlacement(const QWidget* window);

    QString fileName() const { return settings_.fileName(); }

  private:
    QSettings settings_;
};

} // namespace pixorama::ui
