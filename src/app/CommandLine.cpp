#include "app/CommandLine.h"

#include <cstdlib>

namespace tidy::app {

std::string UsageText() {
    return "Usage:\n"
           "  tidymatic [--device DIR] [--ui web|text] [--port N] [--] [SWITCH]\n"
           "  tidymatic --new-device DIR          create a device image with sample content\n"
           "  tidymatic --device DIR --boot       soft-reset and boot the image\n"
           "  tidymatic --device DIR --import-reg FILE\n"
           "\n"
           "SWITCH is the device command line: -e express clean, -s start-up clean,\n"
           "-x soft reset. Without --device the image in $XDG_DATA_HOME/tidymatic/device\n"
           "(or ~/.local/share/tidymatic/device) is used, created with sample content on\n"
           "first use. --ui web (default) prints the address of the window to open in a\n"
           "browser; --ui text reads commands from standard input.\n";
}

std::string DefaultDeviceDir() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/tidymatic/device";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/tidymatic/device";
}

bool ParseCommandLine(const std::vector<std::string>& args, Options& out, std::string& error) {
    out = Options{};
    std::vector<std::string> words;
    bool boot = false;
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = "option " + a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (optionsDone || a.size() < 3 || a.rfind("--", 0) != 0) {
            // Device switches ("-e", "-s", ...) and any other word belong to the device.
            if (a == "--") {
                optionsDone = true;
                continue;
            }
            words.push_back(a);
            continue;
        }
        if (a == "--device") {
            if (!value(out.device)) return false;
        } else if (a == "--ui") {
            if (!value(out.ui)) return false;
            if (out.ui != "web" && out.ui != "text") {
                error = "--ui must be web or text, not '" + out.ui + "'";
                return false;
            }
        } else if (a == "--port") {
            std::string v;
            if (!value(v)) return false;
            char* end = nullptr;
            long n = std::strtol(v.c_str(), &end, 10);
            if (!end || *end || n < 0 || n > 65535) {
                error = "--port must be a number from 0 to 65535, not '" + v + "'";
                return false;
            }
            out.port = static_cast<int>(n);
        } else if (a == "--new-device") {
            if (!value(out.newDevice)) return false;
            out.action = Options::Action::NewDevice;
        } else if (a == "--import-reg") {
            if (!value(out.importFile)) return false;
            out.action = Options::Action::ImportReg;
        } else if (a == "--boot") {
            boot = true;
            out.action = Options::Action::Boot;
        } else if (a == "--help") {
            out.action = Options::Action::Help;
            return true;
        } else if (a == "--version") {
            out.action = Options::Action::Version;
            return true;
        } else {
            error = "unknown option '" + a + "'";
            return false;
        }
    }
    int actions =
        (boot ? 1 : 0) + (!out.newDevice.empty() ? 1 : 0) + (!out.importFile.empty() ? 1 : 0);
    if (actions > 1) {
        error = "--new-device, --boot and --import-reg cannot be combined";
        return false;
    }
    if ((boot || !out.importFile.empty()) && out.device.empty()) {
        error = std::string(boot ? "--boot" : "--import-reg") + " needs --device DIR";
        return false;
    }
    if (out.action != Options::Action::Run && !words.empty()) {
        error = "unexpected argument '" + words.front() + "'";
        return false;
    }
    for (size_t i = 0; i < words.size(); ++i) {
        if (i) out.deviceCommandLine += ' ';
        out.deviceCommandLine += words[i];
    }
    return true;
}

}  // namespace tidy::app
