// The about box.
#pragma once

#include <QDialog>

namespace pixorama::ui {

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

} // namespace pixorama::ui
