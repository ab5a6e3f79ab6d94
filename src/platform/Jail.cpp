#include "platform/Jail.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Platform.h"
#include "platform/Text.h"

namespace tidy::platform {

void Fd::Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::u16string DevicePath::Joined() const {
    if (names.empty()) return u"\\";
    std::u16string out;
    for (const auto& n : names) {
        out += u'\\';
        out += text::FromUtf8(n);
    }
    return out;
}

bool ParseDevicePath(std::u16string_view path, DevicePath& out, bool wildcardsInLast) {
    out.names.clear();
    if (path.empty() || (path[0] != u'\\' && path[0] != u'/')) return false;
    if (path.size() + 1 > kMaxPath) return false;
    size_t i = 0;
    std::vector<std::u16string_view> parts;
    while (i < path.size()) {
        while (i < path.size() && (path[i] == u'\\' || path[i] == u'/')) ++i;
        size_t j = i;
        while (j < path.size() && path[j] != u'\\' && path[j] != u'/') ++j;
        if (j > i) parts.push_back(path.substr(i, j - i));
        i = j;
    }
    for (size_t k = 0; k < parts.size(); ++k) {
        auto p = parts[k];
        if (p == u"." || p == u"..") return false;
        for (char16_t c : p) {
            if (c == 0) return false;
            if ((c == u'*' || c == u'?') && !(wildcardsInLast && k + 1 == parts.size()))
                return false;
        }
        out.names.push_back(text::ToUtf8(p));
    }
    return true;
}

namespace {

bool Glob(std::u16string_view p, std::u16string_view n) {
    // Iterative match with one backtracking point for the last '*'.
    size_t pi = 0, ni = 0, star = std::u16string_view::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == u'?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == u'*') {
            star = pi++;
            mark = ni;
        } else if (star != std::u16string_view::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == u'*') ++pi;
    return pi == p.size();
}

}  // namespace

bool MatchesPattern(std::u16string_view p, std::u16string_view n) {
    if (p == u"*" || p == u"*.*") return true;
    if (Glob(p, n)) return true;
    if (n.find(u'.') == std::u16string_view::npos) {
        if (p.size() >= 2 && p.substr(p.size() - 2) == u".*")
            return Glob(p.substr(0, p.size() - 2), n);
        if (!p.empty() && p.back() == u'.') return Glob(p.substr(0, p.size() - 1), n);
    }
    return false;
}

std::unique_ptr<Jail> Jail::Open(const std::string& root, std::string& error) {
    int fd = ::open(root.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        error = root + ": " + std::strerror(errno);
        return nullptr;
    }
    auto j = std::unique_ptr<Jail>(new Jail());
    j->root_ = Fd(fd);
    return j;
}

Fd Jail::Reopen(int pathFd) {
    return Fd(::openat(pathFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool Jail::FindIgnoringCase(int dirFd, const std::string& name, std::string& found) {
    Fd rd = Reopen(dirFd);
    if (!rd.Valid()) return false;
    DIR* d = ::fdopendir(rd.Get());
    if (!d) return false;
    rd.Release();
    std::u16string want = text::Fold(text::FromUtf8(name));
    bool any = false;
    while (dirent* e = ::readdir(d)) {
        const char* n = e->d_name;
        if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) continue;
        if (text::Fold(text::FromUtf8(n)) != want) continue;
        // Several host spellings may fold alike; take the smallest so the choice is stable.
        if (!any || found > n) found = n;
        any = true;
    }
    ::closedir(d);
    return any;
}

Fd Jail::OpenBeneath(const std::string& rel) const {
    if (openat2_ != 0) {
        open_how how{};
        how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        long fd = ::syscall(SYS_openat2, root_.Get(), rel.c_str(), &how, sizeof(how));
        if (fd >= 0) {
            openat2_ = 1;
            return Fd(static_cast<int>(fd));
        }
        if (errno == ENOSYS || errno == EPERM) {
            openat2_ = 0;  // not in this kernel or refused by a sandbox: walk instead
        } else {
            return Fd();
        }
    }
    errno = ENOSYS;
    return Fd();
}

Fd Jail::OpenDir(const DevicePath& path, size_t count, bool forReading) const {
    Fd cur;
    if (count == 0) {
        cur = Fd(::openat(root_.Get(), ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    } else {
        std::string rel;
        for (size_t i = 0; i < count; ++i) {
            if (i) rel += '/';
            rel += path.names[i];
        }
        cur = OpenBeneath(rel);
        if (!cur.Valid() && (errno == ENOENT || errno == ENOSYS)) {
            // Another spelling somewhere on the way, or no openat2: one folder at a time, each
            // opened beneath the previous one without following links.
            cur = Fd(::openat(root_.Get(), ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
            for (size_t i = 0; i < count && cur.Valid(); ++i) {
                const std::string& n = path.names[i];
                int fd =
                    ::openat(cur.Get(), n.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (fd < 0 && errno == ENOENT) {
                    std::string found;
                    if (FindIgnoringCase(cur.Get(), n, found))
                        fd = ::openat(cur.Get(), found.c_str(),
                                      O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                }
                cur = Fd(fd);
                if (cur.Valid()) {
                    // O_PATH | O_NOFOLLOW can yield the link itself; never step onto one.
                    struct stat st;
                    if (::fstat(cur.Get(), &st) != 0 || !S_ISDIR(st.st_mode)) cur.Reset();
                }
            }
        }
    }
    if (!cur.Valid() || !forReading) return cur;
    return Reopen(cur.Get());
}

bool Jail::ResolveLeaf(const DevicePath& path, Leaf& leaf, int knownParent) const {
    if (path.names.empty()) return false;
    if (knownParent >= 0) {
        leaf.parent = knownParent;
    } else {
        leaf.owned = OpenDir(path, path.names.size() - 1);
        if (!leaf.owned.Valid()) return false;
        leaf.parent = leaf.owned.Get();
    }
    leaf.name = path.names.back();
    leaf.exists = ::fstatat(leaf.parent, leaf.name.c_str(), &leaf.st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!leaf.exists && errno == ENOENT) {
        std::string found;
        if (FindIgnoringCase(leaf.parent, leaf.name, found)) {
            leaf.name = found;
            leaf.exists =
                ::fstatat(leaf.parent, leaf.name.c_str(), &leaf.st, AT_SYMLINK_NOFOLLOW) == 0;
        }
    }
    return true;
}

}  // namespace tidy::platform
