// SpeedBar1: the fourteen drawing tools as glyph buttons, exactly one of them down.  The mouse
// tools ask it which tool is selected on every mouse event.
#pragma once

#include "tools/tool_options.h"

#include <QToolBar>

#include <array>

class QButtonGroup;
class QToolButton;

namespace pixorama::ui {

class TToolPalette : public QToolBar {
    Q_OBJECT
  public:
    explicit TToolPalette(QWidget* parent = nullptr);

    // The selected-tool query.
    bool IsDown(Tool tool) const;
    Tool SelectedTool() const;
    QToolButton* Button(Tool tool) const { return buttons_[static_cast<size_t>(tool)]; }

  signals:
    // A tool button was clicked (ZoomBtnClick of every button).
    void ToolClicked();

  private:
    QButtonGroup* group_;
    std::array<QToolButton*, kToolCount> buttons_{};
};

} // namespace pixorama::ui
