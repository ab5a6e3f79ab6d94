#pragma once
// The diagnostic log "tidymatic.log" beside the program: start-up steps and located folders,
// written only while the "Debug" setting is "1".

#include <string>

namespace tidy::app {

struct RunState;

// Reads the "Debug" setting into the logging flag, then deletes the log of an earlier run.
void StartLog(RunState& run);
// Appends text as one line when logging is on.
void WriteLog(RunState& run, const std::u16string& text);
// Appends text and a line end to the log file; a file that cannot be opened loses the line.
void AppendLogLine(RunState& run, const std::u16string& text);

}  // namespace tidy::app
