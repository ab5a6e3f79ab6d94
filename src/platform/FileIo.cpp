#include "platform/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/Jail.h"

namespace tidy::platform {

bool ReadAll(int fd, std::string& out) {
    out.clear();
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        out.append(buf, static_cast<size_t>(n));
    }
}

bool WriteAll(int fd, std::string_view s) {
    while (!s.empty()) {
        ssize_t n = ::write(fd, s.data(), s.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        s.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool ReadHostFile(const std::string& path, std::string& out, std::string& error) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid() || !ReadAll(fd.Get(), out)) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

namespace {

// A name for the finished content before it replaces the file: hidden, and unlikely to meet
// another writer's.
std::string TemporaryName(const std::string& name) {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx~", static_cast<unsigned long long>(rng()));
    return "." + name.substr(0, 200) + suffix;
}

bool FillAndSync(int fd, std::string_view bytes, mode_t mode) {
    return WriteAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
}

// Gives the anonymous file fd the name tmp in dirFd. Linking by descriptor needs a capability
// ordinary users lack; the /proc link of the descriptor does the same without it.
bool LinkAnonymous(int fd, int dirFd, const std::string& tmp) {
    if (::linkat(fd, "", dirFd, tmp.c_str(), AT_EMPTY_PATH) == 0) return true;
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, self, dirFd, tmp.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

bool ReplaceFileAtomically(int dirFd, const std::string& name, std::string_view bytes,
                           mode_t mode) {
    std::string tmp = TemporaryName(name);
    Fd fd(::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (fd.Valid()) {
        // Until it is linked the file has no name: a failure or a kill leaves nothing.
        if (!FillAndSync(fd.Get(), bytes, mode)) return false;
        if (!LinkAnonymous(fd.Get(), dirFd, tmp)) return false;
    } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        // A file system without anonymous files: a named temporary, removed on failure.
        fd = Fd(::openat(dirFd, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         0600));
        if (!fd.Valid()) return false;
        if (!FillAndSync(fd.Get(), bytes, mode)) {
            int saved = errno;
            ::unlinkat(dirFd, tmp.c_str(), 0);
            errno = saved;
            return false;
        }
    } else {
        return false;
    }
    fd.Reset();
    if (::renameat(dirFd, tmp.c_str(), dirFd, name.c_str()) != 0) {
        int saved = errno;
        ::unlinkat(dirFd, tmp.c_str(), 0);
        errno = saved;
        return false;
    }
    // The new name must survive a crash too (dirFd may be a path-only descriptor).
    Fd dir(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid()) ::fsync(dir.Get());
    return true;
}

}  // namespace tidy::platform
