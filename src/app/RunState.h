#pragma once
// Everything one run of the program holds: the device it works on, the user interface it
// talks through, the process-wide flags and every module's tables. A run creates one; a test
// creates a fresh one.

#include <atomic>

#include "advanced/AdvancedState.h"
#include "catalogue/CatalogueState.h"
#include "clean/CleanState.h"
#include "customfiles/CustomFilesState.h"
#include "mru/MruState.h"
#include "platform/Platform.h"
#include "settings/OptionsState.h"
#include "ui/folderpicker/PickerState.h"
#include "ui/framework/UiServices.h"

namespace tidy::app {

// The process-wide flags. They are atomics because the background refresh reads them.
struct Flags {
    std::atomic<int> interactive{0};
    std::atomic<int> ready{0};
    std::atomic<int> listEventsLive{0};
    std::atomic<int> loggingOn{0};
    std::atomic<ui::Window*> messageOwner{nullptr};
};

struct RunState {
    explicit RunState(platform::Platform& p, ui::UiServices* u = nullptr) : platform(p), ui(u) {}
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    platform::Platform& platform;
    ui::UiServices* ui;

    Flags flags;
    catalogue::CatalogueState catalogue;
    clean::CleanState clean;
    advanced::AdvancedState advanced;
    mru::MruState mru;
    settings::OptionsState options;
    customfiles::CustomFilesState customFiles;
    folderpicker::PickerState picker;
};

}  // namespace tidy::app
