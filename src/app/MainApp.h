#pragma once
// The application object: reads the device command line, picks the run mode and runs the main
// window once.

#include <string>

#include "ui/framework/Geometry.h"

namespace tidy::platform {
class Platform;
}
namespace tidy::ui {
class UiThread;
}

namespace tidy::app {

struct RunState;

// The device's screen as the dialogs lay themselves out on it (its system metrics).
ui::ScreenMetrics ScreenOf(platform::Platform& p);

// The switch a device command line selects: "-e", "-s" or "-x" when the whole line (trimmed,
// case ignored) is one of them, otherwise "" (interactive).
std::u16string RunSwitch(const std::u16string& commandLine);
// True for "-r", "-c" and "-n": the program ends at once, touching nothing.
bool EndsAtOnce(const std::u16string& commandLine);

class CMainApp {
  public:
    CMainApp(RunState& run, ui::UiThread& ui) : run_(run), ui_(ui) {}
    // Runs the program; returns false in every case, as the framework expects when the program
    // has no message loop of its own.
    bool InitInstance();

  private:
    RunState& run_;
    ui::UiThread& ui_;
};

}  // namespace tidy::app
