#include "app/Log.h"

#include "app/RunState.h"
#include "clean/Utilities.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"

namespace tidy::app {

namespace {

// Empty when the program's folder is unknown: there is then nowhere to log.
std::u16string LogPath(RunState& run) {
    std::u16string folder = clean::ProgramFolder(run);
    if (folder.empty()) return folder;
    return folder + u"tidymatic.log";
}

}  // namespace

void StartLog(RunState& run) {
    std::u16string debug;
    // Only the exact text "1" switches logging on; a number value reads as absent.
    if (settings::ReadSetting(run, u"Debug", debug) && debug == u"1") run.flags.loggingOn = 1;

    // A log never outlives the run that wrote it, whether logging is on or off.
    std::u16string path = LogPath(run);
    if (!path.empty()) run.platform.DeleteFile(path);
}

void WriteLog(RunState& run, const std::u16string& text) {
    if (run.flags.loggingOn.load() != 0) AppendLogLine(run, text);
}

void AppendLogLine(RunState& run, const std::u16string& text) {
    std::u16string path = LogPath(run);
    if (path.empty()) return;
    // Opened, written and closed per line: the refresh thread logs too, without a lock.
    run.platform.AppendText(path, text::ToUtf8(text) + "\n");
}

}  // namespace tidy::app
