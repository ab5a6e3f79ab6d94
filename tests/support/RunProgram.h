#pragma once
// Runs the tidymatic executable as a person or a script would, and captures what it prints.

#include <string>
#include <vector>

namespace tidy::test {

struct ProgramResult {
    int exitCode = -1;
    std::string out;  // standard output
    std::string err;  // standard error
    int signal = 0;   // the signal that ended it, if one did
};

struct RunLimits {
    // Largest size a file may reach (RLIMIT_FSIZE), -1 for none. Writes past it fail with
    // EFBIG as on a full disk (the signal the kernel would send is ignored).
    long long fileSizeLimit = -1;
};

// The built tidymatic executable.
std::string TidymaticPath();

// Runs argv (argv[0] looked up in PATH) as RunTidymatic does.
ProgramResult RunCommand(const std::vector<std::string>& argv, const std::string& input = "",
                         int timeoutSeconds = 120, const RunLimits& limits = {});

// Runs the built executable with args, feeding input on standard input; waits for it to end
// (at most timeoutSeconds, then it is killed and exitCode is -1).
ProgramResult RunTidymatic(const std::vector<std::string>& args, const std::string& input = "",
                           int timeoutSeconds = 120);

// The lines of text, without line ends.
std::vector<std::string> Lines(const std::string& text);
// True when some line of text equals line.
bool HasLine(const std::string& text, const std::string& line);

}  // namespace tidy::test
