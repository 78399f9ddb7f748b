// A host for tests: records every message box and progress value.
#pragma once

#include "document/host.h"

#include <string>
#include <vector>

namespace pixorama {

class RecordingHost : public Host {
  public:
    struct Message {
        std::string text, caption;
        int flags;
    };
    std::vector<Message> messages;
    std::vector<int> progress;
    int answer = IDOK; // what every message box answers
    int menuUpdates = 0, histogramUpdates = 0;

    void SetProSatus(int percent) override { progress.push_back(percent); }
    int MessageBox(const std::string& text, const std::string& caption, int flags) override {
        messages.push_back({text, caption, flags});
        return answer;
    }
    void UpdateMenuItems() override { ++menuUpdates; }
    void Updatehistogramm() override { ++histogramUpdates; }
};

} // namespace pixorama
