#pragma once
// device.toml: what only a real device knows. Every key has a default, so an empty file is a
// standard device (Windows CE 5.2, 240 x 320). Unknown keys are errors, so a misspelt key
// cannot silently fall back to its default.
//
//   program      = "\\Program Files\\Tidymatic\\Tidymatic.exe"  # the program's own path
//   code_page    = 1252        # ANSI code page of 8-bit text files and 8-bit registry exports
//   sleep_scale  = 1.0         # waits take milliseconds * sleep_scale (0: no waiting)
//   storage_cards = ["Storage Card"]   # card folders of fs/, in the order the device reports
//   [version]    major = 5, minor = 2, build = 20757, readable = true (false: the query fails)
//   [screen]     width = 240, height = 320, caption = 26, border = 1, dialog_frame = 3, menu = 26
//   [folders]    programs, startup, start_menu, app_data, windows: device paths; "" = none
//   [faults]     in_use = ["\\Temp\\open.dat"]   # files that cannot be opened or deleted
//   [attributes] "\\Windows\\x.dll" = ["hidden", "system", "archive"]

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tidy::platform {

struct DeviceConfig {
    uint32_t major = 5, minor = 2, build = 20757;
    bool versionReadable = true;
    int width = 240, height = 320, caption = 26, border = 1, dialogFrame = 3, menu = 26;
    std::u16string programs = u"\\Windows\\Start Menu\\Programs";
    std::u16string startup = u"\\Windows\\StartUp";
    std::u16string startMenu = u"\\Windows\\Start Menu";
    std::u16string appData = u"\\Application Data";
    std::u16string windows = u"\\Windows";
    std::vector<std::u16string> storageCards{u"Storage Card"};
    std::u16string program = u"\\Program Files\\Tidymatic\\Tidymatic.exe";
    int codePage = 1252;
    double sleepScale = 1.0;
    std::vector<std::u16string> inUse;  // folded device paths
    // Folded device path -> hidden / system / archive bits.
    std::map<std::u16string, uint32_t> attributes;
};

// Parses device.toml text; on failure error names the file, the line and the reason.
bool ParseDeviceConfig(const std::string& text, const std::string& fileName, DeviceConfig& out,
                       std::string& error);

// Normalises a device path for lookups: folded, backslashes, no doubled or trailing separators.
std::u16string NormalisedKey(std::u16string_view devicePath);

}  // namespace tidy::platform
