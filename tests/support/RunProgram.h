#pragma once
// Runs the tidymatic executable as a person or a script would, and captures what it prints.

#include <string>
#include <vector>

namespace tidy::test {

struct ProgramResult {
    int exitCode = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs the built executable with args, feeding input on standard input; waits for it to end
// (at most timeoutSeconds, then it is killed and exitCode is -1).
ProgramResult RunTidymatic(const std::vector<std::string>& args, const std::string& input = "",
                           int timeoutSeconds = 120);

// The lines of text, without line ends.
std::vector<std::string> Lines(const std::string& text);
// True when some line of text equals line.
bool HasLine(const std::string& text, const std::string& line);

}  // namespace tidy::test
