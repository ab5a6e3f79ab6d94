#pragma once
// The user's own list of files to delete, kept in "files.dat" beside the program: UTF-16
// little-endian, no byte-order mark, each entry followed by CR LF.

#include <string>
#include <vector>

namespace tidy::app {
struct RunState;
}

namespace tidy::customfiles {

// A folder path ending in a backslash followed by a file name or wildcard pattern.
using CustomFileEntry = std::u16string;
using CustomFileList = std::vector<CustomFileEntry>;

// "files.dat" in the program's folder; empty when that folder is unknown.
std::u16string CustomFileListPath(app::RunState& run);

// Empties list and fills it from "files.dat", without duplicates (exact comparison). A missing
// or unreadable file gives an empty list and no message.
void LoadCustomFileList(app::RunState& run, CustomFileList& list);

// Writes list to "files.dat" (deletes the file when the list is empty), tells the user, and
// empties the list.
void SaveCustomFileList(app::RunState& run, CustomFileList& list);

// The bytes of "files.dat" for list, and the list those bytes read back as; the file
// operations above use them.
std::string EncodeCustomFileList(const CustomFileList& list);
void DecodeCustomFileList(const std::string& bytes, CustomFileList& list);

}  // namespace tidy::customfiles
