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

#include <functional>
#include <sstream>

#include "advanced/AdvancedDlg.h"
#include "ui/framework/UiThread.h"
#include "ui/text/TextFrontEnd.h"

namespace tidy::test {

// Opens the Advanced dialog (as many times as `openings` says) in one fresh run on device p
// while the text front end reads script; returns what the front end printed. The dialog owns
// the questions, as the main window does in the program.
inline std::string RunAdvancedScript(platform::Platform& p, const std::string& script,
                                     int openings = 1) {
    ui::UiThread ui;
    std::istringstream in(script);
    std::ostringstream out;
    ui::text::TextFrontEnd fe(ui, &in, out);
    ui.AddFrontEnd(&fe);
    fe.Start();
    {
        app::RunState run(p, &ui);
        for (int i = 0; i < openings; ++i) {
            advanced::CAdvancedDlg dlg(run, ui);
            run.flags.messageOwner = &dlg;
            dlg.DoModal();
            run.flags.messageOwner = nullptr;
        }
    }
    fe.Stop();
    ui.RemoveFrontEnd(&fe);
    return out.str();
}

// The lines of out that start with prefix, in order.
inline std::vector<std::string> LinesStarting(const std::string& out, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
}

// The list rows of the last drawing of the dialog before the n-th "== Advanced ==" counted
// from the end (n = 0: the last drawing).
inline std::vector<std::string> LastRows(const std::string& out) {
    std::vector<std::string> rows;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        if (line == "== Advanced ==") rows.clear();
        if (line.rfind("[x] ", 0) == 0 || line.rfind("[ ] ", 0) == 0) rows.push_back(line);
    }
    return rows;
}

}  // namespace tidy::test
