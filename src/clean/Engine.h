#pragma once
// Measuring and deleting: folder sizes, counted deletions, the clean pass and its result
// message, and the size texts.

#include <cstdint>
#include <string>

namespace tidy::app {
struct RunState;
}

namespace tidy::clean {

enum class CleanMode { Interactive, Express, Startup };

// Adds the size of every file under folder (ending in a backslash) to item's size entry.
void FolderSize(app::RunState& run, const std::u16string& folder, int item);
int32_t FileSize(app::RunState& run, const std::u16string& path);
int32_t FileSizeByOpen(app::RunState& run, const std::u16string& path);

bool DeleteFileCounted(app::RunState& run, const std::u16string& path);
bool DeleteFileUncounted(app::RunState& run, const std::u16string& path);
void DeleteFileQuietly(app::RunState& run, const std::u16string& path);
bool DeleteFolderContents(app::RunState& run, const std::u16string& folder, bool removeSubfolders);

std::u16string CleanSelected(app::RunState& run, CleanMode mode);

std::u16string FormatSize(int32_t n);
std::u16string FormatSizeOrZero(int32_t n);
std::u16string ResultMessage(const app::RunState& run);

}  // namespace tidy::clean
