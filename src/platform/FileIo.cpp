#include "platform/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

// The name finished content takes just before it replaces the file: hidden, and the same every
// time, so that one left by a process killed in between is removed by the next write.
std::string TemporaryName(const std::string& name) {
    return "." + name.substr(0, 200) + ".tidymatic~";
}

bool FillAndSync(int fd, std::string_view bytes, mode_t mode) {
    return WriteAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
}

// Gives the anonymous file fd the name in dirFd (fails with EEXIST when it is taken). Linking by
// descriptor needs a capability ordinary users lack; the /proc link of the descriptor does the same
// without it.
bool LinkAnonymous(int fd, int dirFd, const std::string& name) {
    if (::linkat(fd, "", dirFd, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == EEXIST) return false;
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, self, dirFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// The new name must survive a crash too (dirFd may be a path-only descriptor).
void SyncFolder(int dirFd) {
    Fd dir(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid()) ::fsync(dir.Get());
}

}  // namespace

bool ReplaceFileAtomically(int dirFd, const std::string& name, std::string_view bytes,
                           mode_t mode) {
    const std::string tmp = TemporaryName(name);
    Fd fd(::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (fd.Valid()) {
        // Until it is linked the file has no name: a failure or a kill leaves nothing.
        if (!FillAndSync(fd.Get(), bytes, mode)) return false;
        // A new file simply gets its name; one that exists is replaced by a rename.
        if (LinkAnonymous(fd.Get(), dirFd, name)) {
            SyncFolder(dirFd);
            return true;
        }
        if (errno != EEXIST) return false;
        ::unlinkat(dirFd, tmp.c_str(), 0);
        if (!LinkAnonymous(fd.Get(), dirFd, tmp)) return false;
    } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        // A file system without anonymous files: a named temporary, removed on failure.
        ::unlinkat(dirFd, tmp.c_str(), 0);
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
    SyncFolder(dirFd);
    return true;
}

}  // namespace tidy::platform
