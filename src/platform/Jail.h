#pragma once
// The device's file system confined to one host folder (the image's fs/). Every path is
// resolved beneath an open descriptor of that folder, one component at a time or with
// openat2(RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS), and every stat, unlink, rmdir, mkdir and
// rename is done relative to the descriptor of the parent folder. A symbolic link is never
// followed: as a folder on the way it ends the lookup, as the last component it is the entry
// itself (a plain file of size 0 that cannot be opened; deleting it deletes the link).
// Names compare ignoring case and keep their case: the exact spelling is tried first and a
// folder is scanned for another spelling only when that fails.

#include <sys/stat.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace tidy::platform {

// An owned file descriptor.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& o) noexcept : fd_(o.Release()) {}
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) {
            Reset();
            fd_ = o.Release();
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }
    void Reset();

  private:
    int fd_ = -1;
};

// A device path split into host (UTF-8) names. An empty list is the root folder "\".
struct DevicePath {
    std::vector<std::string> names;
    std::u16string Joined() const;  // "\A\B" as the device spells it (root: "\")
};

// Splits an absolute device path ("\Temp\a.txt"; '/' also separates). Fails for a relative
// path, a "." or ".." component, a NUL, wildcards (unless allowed in the last component) and
// for a path longer than the device allows.
bool ParseDevicePath(std::u16string_view path, DevicePath& out, bool wildcardsInLast = false);

// Device wildcard match ignoring case: '*' any run, '?' one character; "*.*" matches every
// name (also names without a dot) and a pattern ending in ".*" or "." also matches the name
// without an extension.
bool MatchesPattern(std::u16string_view foldedPattern, std::u16string_view foldedName);

class Jail {
  public:
    // Opens root (must be a real folder, not a link).
    static std::unique_ptr<Jail> Open(const std::string& root, std::string& error);

    // The entry named by the last component of path: its parent folder, its name as stored on
    // the host (the spelling found, or the one given when it does not exist), and lstat data.
    struct Leaf {
        int parent = -1;  // the parent folder: owned below, or a descriptor the caller holds
        Fd owned;
        std::string name;
        bool exists = false;
        struct stat st {};
    };
    // Fails (false) when the path is the root or a folder on the way is missing or not a folder.
    // knownParent, when given, is an open descriptor of the parent folder (one an enumeration
    // holds): the folders on the way are not looked up again.
    bool ResolveLeaf(const DevicePath& path, Leaf& leaf, int knownParent = -1) const;

    // Opens the folder named by the first count names (O_PATH); invalid when it is missing,
    // not a folder or a link. forReading opens it for enumeration instead.
    Fd OpenDir(const DevicePath& path, size_t count, bool forReading = false) const;

    // Finds name in the folder ignoring case; found holds the stored spelling.
    static bool FindIgnoringCase(int dirFd, const std::string& name, std::string& found);

    // Opens "." of a path descriptor for reading as a folder.
    static Fd Reopen(int pathFd);

  private:
    Fd root_;
    // -1 untested, 0 missing, 1 usable; learnt by whichever thread resolves first.
    mutable std::atomic<int> openat2_{-1};
    Fd OpenBeneath(const std::string& rel) const;
};

}  // namespace tidy::platform
