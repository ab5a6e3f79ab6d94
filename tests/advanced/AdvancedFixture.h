#pragma once
// A device image with a run on it and a user interface that answers questions from a script
// and records what it was asked.

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/RunState.h"
#include "platform/Text.h"
#include "support/TempDevice.h"
#include "ui/framework/UiServices.h"

namespace tidy::test {

class ScriptedUi : public ui::UiServices {
  public:
    std::vector<std::string> asked;  // every message text, in order
    std::vector<unsigned> types;
    std::deque<int> answers;  // taken in order; No once the script runs out
    int MessageBox(ui::Window*, const std::u16string& text, const std::u16string& caption,
                   unsigned type) override {
        EXPECT_EQ(text::ToUtf8(caption), "Tidymatic");
        asked.push_back(text::ToUtf8(text));
        types.push_back(type);
        if (answers.empty()) return ui::IDNO;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    // Answers Yes to the next n questions.
    void Yes(int n = 1) { answers.insert(answers.end(), n, ui::IDYES); }
    void No(int n = 1) { answers.insert(answers.end(), n, ui::IDNO); }
};

inline const char kRegHeader[] = "Windows Registry Editor Version 5.00\n\n";

// Owns a temporary image, the open platform and a fresh run on it.
struct AdvDevice {
    explicit AdvDevice(const std::string& toml = "", const std::string& reg = "")
        : dev(toml, std::string(kRegHeader) + reg) {}

    app::RunState& Start() {
        image = dev.Open();
        run = std::make_unique<app::RunState>(*image, &ui);
        // Questions appear only once a main window owns them.
        run->flags.messageOwner = reinterpret_cast<ui::Window*>(&ownerTag);
        return *run;
    }
    // Writes a shortcut file as the handheld does: "<length>#<target>".
    void Shortcut(const std::string& path, const std::string& target) {
        dev.WriteFile(path, std::to_string(text::FromUtf8(target).size()) + "#" + target);
    }
    // Closes the image (saving its registry) and reads registry.reg as saved.
    std::string SavedRegistry() {
        run.reset();
        image.reset();
        return dev.Registry();
    }

    TempDevice dev;
    ScriptedUi ui;
    std::unique_ptr<platform::DeviceImage> image;
    std::unique_ptr<app::RunState> run;
    int ownerTag = 0;
};

inline std::u16string W(const std::string& utf8) {
    return text::FromUtf8(utf8);
}
inline std::string N(const std::u16string& s) {
    return text::ToUtf8(s);
}

inline std::vector<std::string> N(const std::vector<std::u16string>& v) {
    std::vector<std::string> out;
    for (const auto& s : v) out.push_back(text::ToUtf8(s));
    return out;
}

}  // namespace tidy::test
