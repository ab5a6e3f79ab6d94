#include "support/RunProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <sstream>

#ifndef TM_EXECUTABLE
#define TM_EXECUTABLE "tidymatic"
#endif

namespace tidy::test {

std::string TidymaticPath() {
    return TM_EXECUTABLE;
}

ProgramResult RunTidymatic(const std::vector<std::string>& args, const std::string& input,
                           int timeoutSeconds) {
    std::vector<std::string> argv{TidymaticPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunCommand(argv, input, timeoutSeconds);
}

ProgramResult RunCommand(const std::vector<std::string>& args, const std::string& input,
                         int timeoutSeconds, const RunLimits& limits) {
    ProgramResult result;
    if (args.empty()) return result;
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return result;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (limits.fileSizeLimit >= 0) {
            signal(SIGXFSZ, SIG_IGN);  // stays ignored across exec
            rlimit rl{static_cast<rlim_t>(limits.fileSizeLimit),
                      static_cast<rlim_t>(limits.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &rl);
        }
        std::vector<char*> argv;
        std::vector<std::string> copy(args);
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    // Feed the input and read both outputs without letting any pipe fill up.
    size_t written = 0;
    if (input.empty()) {
        close(in[1]);
        in[1] = -1;
    } else {
        fcntl(in[1], F_SETFL, O_NONBLOCK);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    bool outOpen = true, errOpen = true;
    char buf[65536];
    while (outOpen || errOpen) {
        pollfd fds[3];
        int n = 0;
        if (outOpen) fds[n++] = {out[0], POLLIN, 0};
        if (errOpen) fds[n++] = {err[0], POLLIN, 0};
        if (in[1] >= 0) fds[n++] = {in[1], POLLOUT, 0};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, static_cast<nfds_t>(n), static_cast<int>(left)) < 0) continue;
        for (int i = 0; i < n; ++i) {
            if (!fds[i].revents) continue;
            if (fds[i].fd == in[1]) {
                ssize_t w = write(in[1], input.data() + written, input.size() - written);
                if (w > 0) written += static_cast<size_t>(w);
                if (w < 0 || written == input.size()) {
                    close(in[1]);
                    in[1] = -1;
                }
                continue;
            }
            ssize_t r = read(fds[i].fd, buf, sizeof buf);
            bool isOut = fds[i].fd == out[0];
            if (r <= 0) {
                (isOut ? outOpen : errOpen) = false;
            } else {
                (isOut ? result.out : result.err).append(buf, static_cast<size_t>(r));
            }
        }
    }
    if (in[1] >= 0) close(in[1]);
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
    for (const auto& l : Lines(text))
        if (l == line) return true;
    return false;
}

}  // namespace tidy::test
