// The frame's host for operations that may take long: every progress step lets the event loop
// paint (the status bar's bar, windows uncovered meanwhile), while clicks and keys wait until
// the operation is done.
#pragma once

#include "document/host.h"

namespace pixorama::ui {

class TProgressHost : public Host {
  public:
    explicit TProgressHost(Host& frame) : frame_(frame) {}
    void SetProSatus(int percent) override;
    int MessageBox(const std::string& text, const std::string& caption, int flags) override {
        return frame_.MessageBox(text, caption, flags);
    }
    void UpdateMenuItems() override { frame_.UpdateMenuItems(); }
    void Updatehistogramm() override { frame_.Updatehistogramm(); }

  private:
    Host& frame_;
};

// A busy cursor for the length of a scope.
class TBusyCursor {
  public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

} // namespace pixorama::ui
