#pragma once
// Runs the real program with faults injected by strace: the process killed (SIGKILL) at the
// k-th of a set of system calls, or those calls failing with an error, and compares device
// images before and after.

#include <map>
#include <string>
#include <vector>

#include "support/RunProgram.h"
#include "support/TempDevice.h"

namespace tidy::test {

// What strace does to the chosen calls: "signal=KILL" or "error=ENOSPC".
struct Injection {
    std::string calls;   // "unlinkat,renameat"
    std::string action;  // "signal=KILL"
    int when = 0;        // the k-th call (1-based); 0: every call
};

// The system calls that change a file system: a kill at any of them is a kill at any step of
// a deletion, a rename or a replacing write.
extern const char kMutatingCalls[];

// Runs tidymatic with args under strace with inj. Without an action the calls are only traced
// (without calls, the mutating ones); when traceFile is given, the traced calls go to it.
ProgramResult RunInjected(const Injection& inj, const std::vector<std::string>& args,
                          const std::string& input = "", const std::string& traceFile = "",
                          const RunLimits& limits = {});

// True when strace killed the program.
bool Killed(const ProgramResult& r);

// One call of a trace: its name and which of the calls of that name it is (1-based), which is
// how strace counts for an injection.
struct TracedCall {
    std::string name;
    int nth = 0;
    std::string line;  // as traced
};
std::vector<TracedCall> CallsInTrace(const std::string& traceFile);

// The calls to kill the program at: all of them when TIDYMATIC_FAULTS_ALL is set, else about
// `spread` of them evenly spaced, the first and the last included.
std::vector<TracedCall> KillPoints(const std::vector<TracedCall>& calls, int spread);

// Every entry of an image folder (relative path -> "dir", "link" or the file's bytes), leaving
// out what only exists while a program runs (the lock file) and the shell journal.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& dir);

// Replaces the content of dev's folder with a copy of the image in from.
void CopyImage(const std::string& from, const TempDevice& dev);

// Makes the built-in sample image in a new folder of dev (dev.dir + "/sample") with waits off.
std::string MakeSampleImage(const TempDevice& holder);

}  // namespace tidy::test
