#pragma once
// Small utilities every module uses. Each exists once, here.

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace tidy::app {
struct RunState;
}

namespace tidy::clean {

// The attribute query succeeds for path (files and folders, with or without trailing backslash).
bool PathExists(app::RunState& run, const std::u16string& path);
// A folder enumeration started on path (no wildcard) yields an entry.
bool EntryFound(app::RunState& run, const std::u16string& path);
// PathExists("\" + name + "\"); used with storage card names.
bool RootFolderExists(app::RunState& run, const std::u16string& name);
std::u16string ProgramPath(app::RunState& run);
// ProgramPath up to and including its last backslash.
std::u16string ProgramFolder(app::RunState& run);
bool IsPlatform5OrLater(app::RunState& run);
bool IsPlatform52OrLater(app::RunState& run);
// A message box captioned "Tidymatic" owned by the message owner; shows nothing and returns 0
// while no owner is recorded.
int ShowMessage(app::RunState& run, const std::u16string& text, unsigned type);
int ShowMessageOk(app::RunState& run, const std::u16string& text);
// Opens target (web address, document or program) through the shell, no parameters.
void OpenWithShell(app::RunState& run, const std::u16string& target);
// The device's wide-to-narrow conversion.
std::string ToNarrow(app::RunState& run, const std::u16string& text);

// Registry reading as every module does it: ask the size, read into a buffer one character
// longer, end the text at its first null. A value that is not text (REG_SZ or REG_EXPAND_SZ)
// counts as absent.
bool ReadRegString(platform::Platform& p, platform::HKey key, const std::u16string& name,
                   std::u16string& out);
// A four-byte number value; any other type or size counts as absent.
bool ReadRegDword(platform::Platform& p, platform::HKey key, const std::u16string& name,
                  uint32_t& out);
// Writes a text value with its terminator (data size = 2 * length + 2).
bool WriteRegString(platform::Platform& p, platform::HKey key, const std::u16string& name,
                    const std::u16string& value);

}  // namespace tidy::clean
