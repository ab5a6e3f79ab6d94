#pragma once
// What the Options dialog reads and changes on the device: the Internet Explorer cache root,
// the mail-attachment folder, the three custom folders and the start-up option. The dialog
// (OptionsDlg.h) only moves values between these operations and its controls.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "settings/OptionsState.h"

namespace tidy::app {
struct RunState;
}

namespace tidy::settings {

inline constexpr char16_t kDefaultCustomFolder[] = u"\\My Documents\\Temp";
inline constexpr char16_t kShellFoldersKey[] =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char16_t kInternalAttachFolder[] = u"\\Windows\\Messaging\\Attachments";
inline constexpr char16_t kCustomValueNames[3][8] = {u"Custom", u"Custom2", u"Custom3"};

// "Windows" for "\Windows\": the Windows folder without its first and last character.
std::u16string WindowsName(const OptionsState& o);
// The guest profile root, "Windows\Profiles\guest" on a standard device.
std::u16string GuestProfile(const OptionsState& o);
// "\R\Temporary Internet Files", "\R\Cookies", "\R\History" for root R.
std::array<std::u16string, 3> IeFolderSet(const std::u16string& root);
// The attachment folder of location index (0 internal memory, i storage card i - 1); empty for
// an index that names no location.
std::u16string AttachFolderFor(const OptionsState& o, int index);

// ---- Opening. Refreshes the state in the dialog's order: storage cards and special folders,
// cache root, start-up state, custom folders (storing defaults at once when any was missing),
// mail location. Resets the start-up bookkeeping of the last opening.
void LoadOptions(app::RunState& run);
// The pieces of LoadOptions.
void ReadStorageCards(app::RunState& run);
void LookupOptionFolders(app::RunState& run);
void ReadCacheRoot(app::RunState& run);
void ReadCustomFolders(app::RunState& run);
void ReadMailLocation(app::RunState& run);
// Closing: the card list lives only while the dialog is open.
void CloseOptions(app::RunState& run);

// The combo boxes: items in order and the item selected at opening.
std::vector<std::u16string> CacheRootItems(const OptionsState& o);
int CacheRootSelection(const OptionsState& o);
std::vector<std::u16string> MailLocationItems(const OptionsState& o);
// 0, or 1 + the position of the last card whose name occurs in the attachment folder.
int MailLocationIndex(const OptionsState& o);

// What a custom-folder Browse leaves in its edit box, given the picker's result (a folder
// ending in a backslash, or empty after Cancel): nothing for Cancel, the device root or the
// Windows folder.
std::optional<std::u16string> CustomFolderFromPicker(const OptionsState& o,
                                                     const std::u16string& picked);

enum class CustomFolderSave { Saved, Rejected };
// Drops one trailing character that is not a letter or digit from each folder, then stores
// all three when none is empty or "\Windows"; otherwise (or when the settings key cannot be
// written) puts every folder back to its saved value.
CustomFolderSave ValidateAndSaveCustomFolders(app::RunState& run);

// Moves the files (not the subfolders) of folder from into folder to. A source is deleted only
// after its copy succeeded; a file of the same name in to is replaced only by a complete copy.
void MoveMailAttachments(app::RunState& run, const std::u16string& from, const std::u16string& to);

// What the dialog's controls hold when "Apply Settings" is chosen.
struct ApplyInput {
    std::array<std::u16string, 3> customFolders;  // edits 1022, 1023, 1029
    bool startupChecked = false;                  // check box 1026
    std::u16string cacheRoot;                     // text of the selected item of 1024
    int mailIndex = 0;                            // selection of 1025
};
// Applies the settings with their questions and messages. The edit boxes then show
// run.options.customFolders.
void ApplySettings(app::RunState& run, const ApplyInput& input);

}  // namespace tidy::settings
