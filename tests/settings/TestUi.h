#pragma once
// Helpers of the settings tests: a user interface that records message boxes and answers
// questions from a queue, and registry reading through the device interface.

#include <deque>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/RunState.h"
#include "clean/Utilities.h"
#include "platform/Text.h"
#include "ui/framework/UiServices.h"
#include "ui/framework/UiThread.h"
#include "ui/text/TextFrontEnd.h"

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

// Runs body (which opens a dialog modally) on a fresh run of device p while the text front end
// reads script; returns what the front end printed.
inline std::string RunScript(platform::Platform& p, const std::string& script,
                             const std::function<void(app::RunState&)>& body) {
    ui::UiThread ui;
    std::istringstream in(script);
    std::ostringstream out;
    ui::text::TextFrontEnd fe(ui, &in, out);
    ui.AddFrontEnd(&fe);
    fe.Start();
    {
        app::RunState run(p, &ui);
        body(run);
    }
    fe.Stop();
    ui.RemoveFrontEnd(&fe);
    return out.str();
}

// The texts of the message boxes shown, in order ("MSGBOX [Tidymatic] text (OK)" -> "text").
inline std::vector<std::string> MessageBoxes(const std::string& out) {
    std::vector<std::string> texts;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("MSGBOX [", 0) != 0) continue;
        const size_t start = line.find("] ");
        const size_t end = line.rfind(" (");
        if (start == std::string::npos || end == std::string::npos || end < start) continue;
        texts.push_back(line.substr(start + 2, end - start - 2));
    }
    return texts;
}

// The lines of out that report a refused command.
inline std::vector<std::string> Errors(const std::string& out) {
    std::vector<std::string> errors;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("ERROR", 0) == 0) errors.push_back(line);
    return errors;
}

}  // namespace tidy::test
