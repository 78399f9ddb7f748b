// TConfigBars ("ConfigBars"): which bars and windows of the frame are shown.
#pragma once

#include <QDialog>

#include <array>
#include <functional>

class QListWidget;

namespace pixorama::ui {

class TConfigBars : public QDialog {
    Q_OBJECT
  public:
    // The entries, in the list's order.
    enum Entry { Standard, Drawing, Colours, Controls, Histogram, EntryCount };

    explicit TConfigBars(QWidget* parent = nullptr);

    QListWidget* CheckList;

    void SetChecked(const std::array<bool, EntryCount>& states);
    std::array<bool, EntryCount> Checked() const;
    // Shows the dialog modally; true on OK.
    bool Run();

    // While set, Run() hands the dialog to the hook instead of showing it (tests).
    static std::function<bool(TConfigBars&)> RunHook;
};

} // namespace pixorama::ui
