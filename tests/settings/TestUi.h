#pragma once
// Helpers of the settings tests: a user interface that records message boxes and answers
// questions from a queue, and registry reading through the device interface.

#include <deque>
#include <string>
#include <vector>

#include "app/RunState.h"
#include "clean/Utilities.h"
#include "platform/Text.h"
#include "ui/framework/UiServices.h"

namespace tidy::test {

class RecordingUi : public ui::UiServices {
  public:
    int MessageBox(ui::Window*, const std::u16string& text, const std::u16string& caption,
                   unsigned type) override {
        shown.push_back(text::ToUtf8(text));
        captions.push_back(text::ToUtf8(caption));
        types.push_back(type);
        if (!answers.empty()) {
            int a = answers.front();
            answers.pop_front();
            return a;
        }
        return (type & 0xF) == ui::MB_YESNO ? ui::IDYES : ui::IDOK;
    }
    void BeginWaitCursor() override { ++waits; }
    void EndWaitCursor() override { --waits; }

    std::vector<std::string> shown;
    std::vector<std::string> captions;
    std::vector<unsigned> types;
    std::deque<int> answers;
    int waits = 0;
};

// A text value, or "<absent>".
inline std::string RegText(platform::Platform& p, platform::HKey root, const std::u16string& key,
                           const std::u16string& name) {
    platform::RegKey k(p);
    std::u16string value;
    if (!k.Open(root, key) || !clean::ReadRegString(p, k.Handle(), name, value)) return "<absent>";
    return text::ToUtf8(value);
}

}  // namespace tidy::test
