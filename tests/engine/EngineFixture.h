#pragma once
// A device image with a run on it and a user interface that records what it was asked to show.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/RunState.h"
#include "platform/Text.h"
#include "support/TempDevice.h"
#include "ui/framework/UiServices.h"

namespace tidy::test {

class RecordingUi : public ui::UiServices {
  public:
    struct Box {
        bool owned;
        std::string caption, text;
        unsigned type;
    };
    std::vector<Box> boxes;
    int waitDepth = 0, waitBegins = 0;
    int answer = ui::IDOK;

    int MessageBox(ui::Window* owner, const std::u16string& text, const std::u16string& caption,
                   unsigned type) override {
        boxes.push_back({owner != nullptr, text::ToUtf8(caption), text::ToUtf8(text), type});
        return answer;
    }
    void BeginWaitCursor() override {
        ++waitDepth;
        ++waitBegins;
    }
    void EndWaitCursor() override { --waitDepth; }
};

constexpr char kRegHeader[] = "Windows Registry Editor Version 5.00\n\n";

// Owns a temporary image, the open platform and a fresh run on it.
struct EngineDevice {
    explicit EngineDevice(const std::string& toml = "", const std::string& reg = "")
        : dev(toml, reg.empty() ? std::string() : kRegHeader + reg) {}

    void Start() {
        image = dev.Open();
        run = std::make_unique<app::RunState>(*image, &ui);
        // Message boxes appear only once a main window owns them.
        run->flags.messageOwner = reinterpret_cast<ui::Window*>(&ownerTag);
    }

    TempDevice dev;
    RecordingUi ui;
    std::unique_ptr<platform::DeviceImage> image;
    std::unique_ptr<app::RunState> run;
    int ownerTag = 0;
};

inline std::u16string W(const std::string& utf8) {
    return text::FromUtf8(utf8);
}

}  // namespace tidy::test
