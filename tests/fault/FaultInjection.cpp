#include "FaultInjection.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/SampleDevice.h"

namespace fs = std::filesystem;

namespace tidy::test {

const char kMutatingCalls[] =
    "unlink,unlinkat,rmdir,rename,renameat,renameat2,link,linkat,chmod,fchmodat";

ProgramResult RunInjected(const Injection& inj, const std::vector<std::string>& args,
                          const std::string& input, const std::string& traceFile,
                          const RunLimits& limits) {
    // LeakSanitizer cannot run under a tracer; the rest of the sanitizers stay on.
    std::vector<std::string> argv{
        "env", "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1", "strace", "-f", "-qq",
        "-o",  traceFile.empty() ? "/dev/null" : traceFile};
    if (!inj.calls.empty() && inj.action.empty()) {
        argv.push_back("-e");
        argv.push_back("trace=" + inj.calls);
    } else if (!inj.calls.empty()) {
        argv.push_back("-e");
        argv.push_back("trace=" + inj.calls);
        std::string spec = "inject=" + inj.calls + ":" + inj.action;
        if (inj.when > 0) spec += ":when=" + std::to_string(inj.when);
        argv.push_back("-e");
        argv.push_back(spec);
    } else {
        argv.push_back("-e");
        argv.push_back(std::string("trace=") + kMutatingCalls);
    }
    argv.push_back(TidymaticPath());
    argv.insert(argv.end(), args.begin(), args.end());
    return RunCommand(argv, input, 300, limits);
}

bool Killed(const ProgramResult& r) {
    // strace ends with the signal that ended the program (or exits 128 + its number).
    return r.signal == SIGKILL || r.exitCode == 128 + SIGKILL;
}

std::vector<TracedCall> CallsInTrace(const std::string& traceFile) {
    std::istringstream in(ReadHostFile(traceFile));
    std::vector<TracedCall> calls;
    std::map<std::string, int> seen;
    for (std::string line; std::getline(in, line);) {
        // "<pid> name(args) = result"; signals and exits are "---" and "+++" lines, and a call
        // another thread interrupted continues on a "resumed>" line.
        if (line.find(" --- ") != std::string::npos || line.find(" +++ ") != std::string::npos)
            continue;
        if (line.find("resumed>") != std::string::npos) continue;
        size_t start = line.find(' ');
        if (start == std::string::npos) continue;
        start = line.find_first_not_of(' ', start);  // the pid is padded
        size_t paren = line.find('(');
        if (start == std::string::npos || paren == std::string::npos || paren < start) continue;
        std::string name = line.substr(start, paren - start);
        calls.push_back({name, ++seen[name], line});
    }
    return calls;
}

std::vector<TracedCall> KillPoints(const std::vector<TracedCall>& calls, int spread) {
    const int n = static_cast<int>(calls.size());
    if (std::getenv("TIDYMATIC_FAULTS_ALL") || n <= spread) return calls;
    std::vector<TracedCall> points;
    int last = -1;
    for (int i = 0; i < spread; ++i) {
        int k = static_cast<int>(static_cast<long long>(i) * (n - 1) / (spread - 1));
        if (k != last) points.push_back(calls[static_cast<size_t>(k)]);
        last = k;
    }
    return points;
}

Snapshot TakeSnapshot(const std::string& dir) {
    Snapshot snap;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        std::string rel = fs::relative(it->path(), dir).string();
        if (rel == "registry.lock" || rel == "journal.log") continue;
        if (it->is_symlink(ec))
            snap[rel] = "link";
        else if (it->is_directory(ec))
            snap[rel] = "dir";
        else
            snap[rel] = ReadHostFile(it->path());
    }
    return snap;
}

void CopyImage(const std::string& from, const TempDevice& dev) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dev.dir)) fs::remove_all(e.path(), ec);
    fs::copy(from, dev.dir, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    ASSERT_FALSE(ec) << ec.message();
}

std::string MakeSampleImage(const TempDevice& holder) {
    std::string dir = holder.dir + "/sample";
    std::string error;
    EXPECT_TRUE(platform::CreateSampleDevice(dir, error)) << error;
    std::string toml = ReadHostFile(dir + "/device.toml");
    WriteHostFile(dir + "/device.toml", "sleep_scale = 0\n" + toml);
    return dir;
}

}  // namespace tidy::test
