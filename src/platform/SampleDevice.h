#pragma once
// A device image with realistic sample content, built from the files of resources/sample/
// compiled into the executable:
//   device.toml   the image's device.toml
//   *.files       file-system content, applied in name order (format below)
//   *.reg         registry exports, merged in name order after the files (as --import-reg)
// Each subsystem adds its own NN-name.files / NN-name.reg; nothing here needs to change.
//
// The .files format, one directive a line; blank lines and lines starting with '#' are skipped:
//   dir <path>                   a folder (and its parents)
//   file <size> <path>           a file of <size> bytes of filler text (same every time)
//   text <path>                  a text file whose lines follow, each written as "| <line>"
//   | <line>                     (a line of the text file above; lines end in CR LF)
//   shortcut <path> -> <target>  a shortcut file "<length>#<target>"
//   readonly <path>              makes an existing file or folder read-only
// Paths are absolute device paths ("\Temp\a.txt"); parents are created. Links cannot be made.

#include <string>
#include <string_view>

#include "platform/DeviceImage.h"

namespace tidy::platform {

// Creates the sample image in dir (created when missing; an existing folder must be empty).
// On failure error says why and nothing is left behind.
bool CreateSampleDevice(const std::string& dir, std::string& error);

// Applies one .files text to an open image; error names the file (name), line and reason.
bool ApplySampleFiles(DeviceImage& image, std::string_view content, const std::string& name,
                      std::string& error);

}  // namespace tidy::platform
