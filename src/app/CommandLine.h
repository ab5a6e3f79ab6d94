#pragma once
// The host command line of the tidymatic executable (not the device's own command line, which is
// what remains after the options).

#include <string>
#include <vector>

namespace tidy::app {

struct Options {
    enum class Action { Run, NewDevice, Boot, ImportReg, Help, Version };
    Action action = Action::Run;
    std::string device;             // --device DIR (empty: the default image)
    std::string ui = "web";         // --ui web|text
    int port = 0;                   // --port N (0: any free port)
    std::string newDevice;          // --new-device DIR
    std::string importFile;         // --import-reg FILE
    std::string deviceCommandLine;  // the words after the options, joined by single spaces
};

// Parses argv (without argv[0]). On a bad option returns false with a message in error.
bool ParseCommandLine(const std::vector<std::string>& args, Options& out, std::string& error);

std::string UsageText();

// $XDG_DATA_HOME/tidymatic/device, else ~/.local/share/tidymatic/device.
std::string DefaultDeviceDir();

}  // namespace tidy::app
