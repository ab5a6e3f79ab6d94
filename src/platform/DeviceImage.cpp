#include "platform/DeviceImage.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/FileIo.h"
#include "platform/Text.h"

extern char** environ;

namespace tidy::platform {

namespace {

constexpr auto kProgramTimeout = std::chrono::seconds(120);

bool HasWildcard(const std::string& s) {
    return s.find_first_of("*?") != std::string::npos;
}

std::u16string Unquote(std::u16string_view s) {
    std::u16string t = text::Trim(s);
    if (t.size() >= 2 && t.front() == u'"' && t.back() == u'"') t = t.substr(1, t.size() - 2);
    return t;
}

std::vector<std::string> Words(const std::u16string& s) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && text::IsSpace(s[i])) ++i;
        size_t j = i;
        while (j < s.size() && !text::IsSpace(s[j])) ++j;
        if (j > i) out.push_back(text::ToUtf8(s.substr(i, j - i)));
        i = j;
    }
    return out;
}

// An enumeration over a list of names of one open folder, stat'ed as they are returned (an
// entry removed meanwhile is skipped).
class ListFind;

}  // namespace

class ImageFind : public FindHandle {
  public:
    ImageFind(DeviceImage& img, Fd dir, DevicePath dirPath, std::vector<std::string> names,
              bool foldersOnly)
        : img_(img),
          dir_(std::move(dir)),
          dirPath_(std::move(dirPath)),
          names_(std::move(names)),
          foldersOnly_(foldersOnly) {
        img_.AddOpenFolder(dirPath_, dir_.Get());
    }
    ~ImageFind() override { img_.RemoveOpenFolder(dir_.Get()); }

    bool Next(FindData& out) override {
        while (next_ < names_.size()) {
            const std::string& n = names_[next_++];
            struct stat st;
            if (::fstatat(dir_.Get(), n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            if (foldersOnly_ && !S_ISDIR(st.st_mode)) continue;
            out.attributes = img_.AttributesOf(st, dirPath_, n);
            out.sizeLow = S_ISREG(st.st_mode) ? static_cast<uint32_t>(st.st_size & 0xFFFFFFFFu) : 0;
            out.name = text::FromUtf8(n);
            return true;
        }
        return false;
    }

  private:
    DeviceImage& img_;
    Fd dir_;
    DevicePath dirPath_;
    std::vector<std::string> names_;
    bool foldersOnly_;
    size_t next_ = 0;
};

namespace {
class ListFind : public FindHandle {
  public:
    explicit ListFind(std::vector<FindData> items) : items_(std::move(items)) {}
    bool Next(FindData& out) override {
        if (next_ >= items_.size()) return false;
        out = items_[next_++];
        return true;
    }

  private:
    std::vector<FindData> items_;
    size_t next_ = 0;
};
}  // namespace

// ---------------------------------------------------------------------------------------------
// Opening.

std::unique_ptr<DeviceImage> DeviceImage::Open(const std::string& dirIn, std::string& error) {
    std::string dir = dirIn;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    struct stat st;
    if (dir.empty() || ::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = dirIn + ": no device image here (the folder does not exist)";
        return nullptr;
    }
    auto img = std::unique_ptr<DeviceImage>(new DeviceImage());
    img->dir_ = dir;
    std::string toml;
    const std::string tomlPath = dir + "/device.toml";
    if (::lstat(tomlPath.c_str(), &st) != 0) {
        error = tomlPath + ": missing, this is not a device image";
        return nullptr;
    }
    if (!ReadHostFile(tomlPath, toml, error)) return nullptr;
    if (!ParseDeviceConfig(toml, tomlPath, img->config_, error)) return nullptr;
    std::string e;
    img->jail_ = Jail::Open(dir + "/fs", e);
    if (!img->jail_) {
        error = e + " (the device's file system folder fs/ is missing or not a folder)";
        return nullptr;
    }
    img->codePage_ = CodePage::Open(img->config_.codePage, e);
    if (!img->codePage_) {
        error = tomlPath + ": code_page: " + e;
        return nullptr;
    }
    if (!img->registry_.Load(dir + "/registry.reg", dir + "/registry.lock", img->codePage_.get(),
                             error))
        return nullptr;
    img->attributes_ = img->config_.attributes;
    char exe[4096];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) img->selfExe_.assign(exe, static_cast<size_t>(n));
    DeviceImage* raw = img.get();
    img->resetHandler_ = [raw] {
        std::string err;
        if (!raw->registry_.Save(err))
            std::fprintf(stderr, "tidymatic: the registry was not saved: %s\n", err.c_str());
        std::fflush(nullptr);
        std::exit(0);
    };
    return img;
}

DeviceImage::~DeviceImage() {
    std::string err;
    if (!registry_.Save(err))
        std::fprintf(stderr, "tidymatic: the registry was not saved: %s\n", err.c_str());
}

// ---------------------------------------------------------------------------------------------
// File system.

bool DeviceImage::IsCardRoot(const DevicePath& dir, const std::string& name) const {
    if (!dir.names.empty()) return false;
    std::u16string f = text::Fold(text::FromUtf8(name));
    for (const auto& c : config_.storageCards)
        if (text::Fold(c) == f) return true;
    return false;
}

uint32_t DeviceImage::AttributesOf(const struct stat& st, const DevicePath& dir,
                                   const std::string& name) {
    uint32_t a = 0;
    if (S_ISDIR(st.st_mode)) a |= kAttrDirectory;
    if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) a |= kAttrReadOnly;
    if (S_ISDIR(st.st_mode) && IsCardRoot(dir, name)) a |= kAttrTemporary;
    {
        std::lock_guard<std::mutex> lock(attrMu_);
        if (!attributes_.empty()) {
            DevicePath p = dir;
            p.names.push_back(name);
            auto it = attributes_.find(NormalisedKey(p.Joined()));
            if (it != attributes_.end()) a |= it->second;
        }
    }
    return a ? a : kAttrNormal;
}

void DeviceImage::AddOpenFolder(const DevicePath& path, int fd) {
    std::lock_guard<std::mutex> lock(openMu_);
    openFolders_.push_back({&path, fd, std::this_thread::get_id()});
}

void DeviceImage::RemoveOpenFolder(int fd) {
    std::lock_guard<std::mutex> lock(openMu_);
    for (size_t i = openFolders_.size(); i-- > 0;) {
        if (openFolders_[i].fd == fd) {
            openFolders_.erase(openFolders_.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

bool DeviceImage::Resolve(const DevicePath& p, Jail::Leaf& leaf) {
    int known = -1;
    if (!p.names.empty()) {
        const size_t depth = p.names.size() - 1;
        const auto self = std::this_thread::get_id();
        std::lock_guard<std::mutex> lock(openMu_);
        // Innermost first: a walk deletes in the folder it enumerates last. Only this thread's
        // enumerations count, so the descriptor stays open while it is used.
        for (size_t i = openFolders_.size(); i-- > 0 && known < 0;) {
            const OpenFolder& f = openFolders_[i];
            if (f.thread != self || f.path->names.size() != depth) continue;
            if (std::equal(f.path->names.begin(), f.path->names.end(), p.names.begin()))
                known = f.fd;
        }
    }
    return jail_->ResolveLeaf(p, leaf, known);
}

bool DeviceImage::InUse(const DevicePath& p) const {
    if (config_.inUse.empty()) return false;
    std::u16string k = NormalisedKey(p.Joined());
    return std::find(config_.inUse.begin(), config_.inUse.end(), k) != config_.inUse.end();
}

std::unique_ptr<FindHandle> DeviceImage::FindFirst(const std::u16string& pattern, FindData& first,
                                                   bool foldersOnly) {
    DevicePath p;
    if (!ParseDevicePath(pattern, p, true) || p.names.empty()) return nullptr;
    // A trailing separator names no entry ("\Temp\" matches nothing).
    if (pattern.back() == u'\\' || pattern.back() == u'/') return nullptr;
    DevicePath dirPath;
    dirPath.names.assign(p.names.begin(), p.names.end() - 1);
    std::vector<std::string> names;
    Fd dir;
    if (!HasWildcard(p.names.back())) {
        Jail::Leaf leaf;
        if (!Resolve(p, leaf) || !leaf.exists) return nullptr;
        dir = Jail::Reopen(leaf.parent);
        names.push_back(leaf.name);
    } else {
        dir = jail_->OpenDir(p, p.names.size() - 1, true);
        if (!dir.Valid()) return nullptr;
        Fd scan(::dup(dir.Get()));
        DIR* d = scan.Valid() ? ::fdopendir(scan.Get()) : nullptr;
        if (!d) return nullptr;
        scan.Release();
        std::u16string pat = text::Fold(text::FromUtf8(p.names.back()));
        const bool all = pat == u"*" || pat == u"*.*";
        while (dirent* e = ::readdir(d)) {
            const char* n = e->d_name;
            if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0) continue;
            if (foldersOnly && e->d_type != DT_DIR && e->d_type != DT_UNKNOWN) continue;
            if (!all && !MatchesPattern(pat, text::Fold(text::FromUtf8(n)))) continue;
            names.emplace_back(n);
        }
        ::closedir(d);
        // A stable order whatever the host file system returns.
        std::sort(names.begin(), names.end());
    }
    if (!dir.Valid()) return nullptr;
    auto h = std::make_unique<ImageFind>(*this, std::move(dir), std::move(dirPath),
                                         std::move(names), foldersOnly);
    if (!h->Next(first)) return nullptr;
    return h;
}

bool DeviceImage::GetAttributes(const std::u16string& path, uint32_t& attributes) {
    DevicePath p;
    if (!ParseDevicePath(path, p)) return false;
    if (p.names.empty()) {
        attributes = kAttrDirectory;
        return true;
    }
    Jail::Leaf leaf;
    if (!Resolve(p, leaf) || !leaf.exists) return false;
    DevicePath dir;
    dir.names.assign(p.names.begin(), p.names.end() - 1);
    attributes = AttributesOf(leaf.st, dir, leaf.name);
    return true;
}

bool DeviceImage::GetStatus(const std::u16string& path, FileStatus& status) {
    DevicePath p;
    Jail::Leaf leaf;
    if (!ParseDevicePath(path, p) || !Resolve(p, leaf) || !leaf.exists) return false;
    if (!S_ISREG(leaf.st.st_mode) || InUse(p)) return false;
    // "Could it be opened for reading" is asked of the kernel without opening it: a clean reads
    // the status of every file it deletes, and an open and close per file would cost as much as
    // the deletion itself. The size is the one just read beside the name.
    if (::faccessat(leaf.parent, leaf.name.c_str(), R_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    DevicePath dir;
    dir.names.assign(p.names.begin(), p.names.end() - 1);
    status.size = static_cast<uint32_t>(leaf.st.st_size & 0xFFFFFFFFu);
    status.attributes = AttributesOf(leaf.st, dir, leaf.name);
    return true;
}

bool DeviceImage::SetAttributes(const std::u16string& path, uint32_t attributes) {
    DevicePath p;
    Jail::Leaf leaf;
    if (!ParseDevicePath(path, p) || !Resolve(p, leaf) || !leaf.exists) return false;
    if (S_ISLNK(leaf.st.st_mode)) return false;
    mode_t mode = leaf.st.st_mode & 07777;
    mode_t want = (attributes & kAttrReadOnly) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
    if (want != mode && ::fchmodat(leaf.parent, leaf.name.c_str(), want, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    std::lock_guard<std::mutex> lock(attrMu_);
    uint32_t bits = attributes & (kAttrHidden | kAttrSystem | kAttrArchive);
    std::u16string key = NormalisedKey(p.Joined());
    if (bits)
        attributes_[key] = bits;
    else
        attributes_.erase(key);
    return true;
}

bool DeviceImage::DeleteFile(const std::u16string& path) {
    DevicePath p;
    Jail::Leaf leaf;
    if (!ParseDevicePath(path, p) || !Resolve(p, leaf) || !leaf.exists) return false;
    if (S_ISDIR(leaf.st.st_mode)) return false;
    if (!S_ISLNK(leaf.st.st_mode) && !(leaf.st.st_mode & S_IWUSR)) return false;
    if (InUse(p)) return false;
    // unlinkat removes the entry itself: a link goes, its target stays.
    if (::unlinkat(leaf.parent, leaf.name.c_str(), 0) != 0) return false;
    std::lock_guard<std::mutex> lock(attrMu_);
    if (!attributes_.empty()) attributes_.erase(NormalisedKey(p.Joined()));
    return true;
}

bool DeviceImage::RemoveDirectory(const std::u16string& path) {
    DevicePath p;
    Jail::Leaf leaf;
    if (!ParseDevicePath(path, p) || !Resolve(p, leaf) || !leaf.exists) return false;
    if (!S_ISDIR(leaf.st.st_mode) || !(leaf.st.st_mode & S_IWUSR)) return false;
    DevicePath dir;
    dir.names.assign(p.names.begin(), p.names.end() - 1);
    if (IsCardRoot(dir, leaf.name)) return false;  // a card's folder is its mount point
    return ::unlinkat(leaf.parent, leaf.name.c_str(), AT_REMOVEDIR) == 0;
}

bool DeviceImage::CreateDirectory(const std::u16string& path) {
    DevicePath p;
    Jail::Leaf leaf;
    if (!ParseDevicePath(path, p) || !Resolve(p, leaf) || leaf.exists) return false;
    return ::mkdirat(leaf.parent, leaf.name.c_str(), 0777) == 0;
}

namespace {
// May leaf be replaced by new content? (a plain writable file not in use, or nothing yet)
bool Replaceable(const Jail::Leaf& leaf) {
    if (!leaf.exists) return true;
    return S_ISREG(leaf.st.st_mode) && (leaf.st.st_mode & S_IWUSR);
}
mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}
}  // namespace

bool DeviceImage::CopyFile(const std::u16string& from, const std::u16string& to,
                           bool failIfExists) {
    DevicePath src, dst;
    Jail::Leaf sl, dl;
    if (!ParseDevicePath(from, src) || !ParseDevicePath(to, dst)) return false;
    if (!Resolve(src, sl) || !sl.exists || !S_ISREG(sl.st.st_mode) || InUse(src)) return false;
    if (!Resolve(dst, dl) || (dl.exists && failIfExists) || !Replaceable(dl) || InUse(dst))
        return false;
    Fd fd(::openat(sl.parent, sl.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    std::string bytes;
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !ReadAll(fd.Get(), bytes))
        return false;
    // The copy keeps the source's attributes, read-only included.
    return ReplaceFileAtomically(dl.parent, dl.name, bytes, st.st_mode & 0777);
}

bool DeviceImage::ReadFile(const std::u16string& path, std::string& bytes) {
    DevicePath p;
    Jail::Leaf leaf;
    if (!ParseDevicePath(path, p) || !Resolve(p, leaf) || !leaf.exists) return false;
    if (!S_ISREG(leaf.st.st_mode) || InUse(p)) return false;
    Fd fd(::openat(leaf.parent, leaf.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return ReadAll(fd.Get(), bytes);
}

bool DeviceImage::WriteFile(const std::u16string& path, const std::string& bytes) {
    DevicePath p;
    Jail::Leaf leaf;
    if (!ParseDevicePath(path, p) || !Resolve(p, leaf)) return false;
    if (!Replaceable(leaf) || InUse(p)) return false;
    return ReplaceFileAtomically(leaf.parent, leaf.name, bytes,
                                 leaf.exists ? (leaf.st.st_mode & 0777) : NewFileMode());
}

bool DeviceImage::AppendText(const std::u16string& path, const std::string& textIn) {
    DevicePath p;
    Jail::Leaf leaf;
    if (!ParseDevicePath(path, p) || !Resolve(p, leaf)) return false;
    if (!Replaceable(leaf) || InUse(p)) return false;
    Fd fd(::openat(leaf.parent, leaf.name.c_str(),
                   O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
    struct stat st;
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return WriteAll(fd.Get(), textIn);
}

std::unique_ptr<FindHandle> DeviceImage::FindFirstStorageCard(FindData& first) {
    std::vector<FindData> cards;
    for (const auto& c : config_.storageCards) {
        DevicePath p;
        Jail::Leaf leaf;
        if (!ParseDevicePath(u"\\" + c, p) || p.names.size() != 1) continue;
        if (!Resolve(p, leaf) || !leaf.exists || !S_ISDIR(leaf.st.st_mode)) continue;
        FindData d;
        d.attributes = AttributesOf(leaf.st, DevicePath{}, leaf.name);
        d.name = text::FromUtf8(leaf.name);
        cards.push_back(std::move(d));
    }
    auto h = std::make_unique<ListFind>(std::move(cards));
    if (!h->Next(first)) return nullptr;
    return h;
}

std::u16string DeviceImage::SpecialFolder(int csidl) {
    switch (csidl) {
        case kCsidlPrograms:
            return config_.programs;
        case kCsidlStartup:
            return config_.startup;
        case kCsidlStartMenu:
            return config_.startMenu;
        case kCsidlAppData:
            return config_.appData;
        case kCsidlWindows:
            return config_.windows;
        default:
            return {};
    }
}

// ---------------------------------------------------------------------------------------------
// Registry.

long DeviceImage::RegOpenKey(HKey root, const std::u16string& subkey, HKey& out) {
    return registry_.OpenKey(root, subkey, out, false);
}
long DeviceImage::RegCreateKey(HKey root, const std::u16string& subkey, HKey& out) {
    return registry_.OpenKey(root, subkey, out, true);
}
long DeviceImage::RegQueryValue(HKey key, const std::u16string& name, uint32_t* type, uint8_t* data,
                                uint32_t* size) {
    return registry_.QueryValue(key, name, type, data, size);
}
long DeviceImage::RegSetValue(HKey key, const std::u16string& name, uint32_t type,
                              const uint8_t* data, uint32_t size) {
    return registry_.SetValue(key, name, type, data, size);
}
long DeviceImage::RegDeleteValue(HKey key, const std::u16string& name) {
    return registry_.DeleteValue(key, name);
}
long DeviceImage::RegDeleteKey(HKey key, const std::u16string& subkey) {
    return registry_.DeleteKey(key, subkey);
}
long DeviceImage::RegEnumKey(HKey key, uint32_t index, std::u16string& name) {
    return registry_.EnumKey(key, index, name);
}
long DeviceImage::RegEnumValue(HKey key, uint32_t index, std::u16string& name) {
    return registry_.EnumValue(key, index, name);
}
long DeviceImage::RegFlushKey(HKey key) {
    return registry_.Flush(key);
}
long DeviceImage::RegCloseKey(HKey key) {
    return registry_.CloseKey(key);
}

// ---------------------------------------------------------------------------------------------
// Shell and system.

void DeviceImage::Journal(std::initializer_list<std::u16string> fields) {
    std::string line;
    bool firstField = true;
    for (const auto& f : fields) {
        if (!firstField) line += '\t';
        firstField = false;
        std::string s = text::ToUtf8(f);
        for (char& c : s)
            if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        line += s;
    }
    line += '\n';
    std::lock_guard<std::mutex> lock(journalMu_);
    Fd fd(::open((dir_ + "/journal.log").c_str(),
                 O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd.Valid() || !WriteAll(fd.Get(), line))
        std::fprintf(stderr, "tidymatic: cannot write %s/journal.log\n", dir_.c_str());
}

bool DeviceImage::CreateShortcut(const std::u16string& path, const std::u16string& target) {
    DevicePath p;
    Jail::Leaf leaf;
    if (!ParseDevicePath(path, p) || !Resolve(p, leaf)) return false;
    if (!Replaceable(leaf) || InUse(p)) return false;
    // A target that already carries its "<length>#" prefix is stored as given; any other gets
    // one, so the file always has the form the device writes.
    size_t digits = 0;
    while (digits < target.size() && target[digits] >= u'0' && target[digits] <= u'9') ++digits;
    bool prefixed = digits > 0 && digits < target.size() && target[digits] == u'#';
    std::string body = prefixed ? text::ToUtf8(target)
                                : std::to_string(target.size()) + "#" + text::ToUtf8(target);
    return ReplaceFileAtomically(leaf.parent, leaf.name, body,
                                 leaf.exists ? (leaf.st.st_mode & 0777) : NewFileMode());
}

bool DeviceImage::ReadShortcut(const std::u16string& path, std::u16string& target) {
    std::string bytes;
    if (!ReadFile(path, bytes)) return false;
    std::u16string t;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            t += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8));
    } else {
        t = IsValidUtf8(bytes) ? text::FromUtf8(bytes) : codePage_->ToWide(bytes);
    }
    // "<length>#<target>": the number is not trusted (some writers count only the program).
    size_t hash = t.find(u'#');
    if (hash == std::u16string::npos || hash == 0) return false;
    for (size_t i = 0; i < hash; ++i)
        if (t[i] < u'0' || t[i] > u'9') return false;
    target = text::TrimRight(t.substr(hash + 1));
    return true;
}

bool DeviceImage::IsProgram(std::u16string_view path) const {
    return text::EqualsIgnoreCase(Unquote(path), config_.program);
}

void DeviceImage::StartProgram(const std::u16string& commandLine) {
    std::vector<std::string> words = Words(commandLine);
    std::u16string joined;
    for (const auto& w : words) {
        if (!joined.empty()) joined += u' ';
        joined += text::FromUtf8(w);
    }
    Journal({u"start", joined});
    std::vector<std::string> args = {selfExe_, "--device", dir_, "--ui", "text", "--"};
    args.insert(args.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int rc = selfExe_.empty()
                 ? ENOENT
                 : ::posix_spawn(&pid, selfExe_.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) {
        Journal({u"start-failed", text::FromUtf8(selfExe_ + ": " + std::strerror(rc))});
        return;
    }
    auto deadline = std::chrono::steady_clock::now() + kProgramTimeout;
    int status = 0;
    for (;;) {
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            Journal({u"start-failed", u"did not end within two minutes"});
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // The program changed the registry of this image: take its saved changes in.
    std::string err;
    if (!registry_.Refresh(err))
        std::fprintf(stderr, "tidymatic: the registry could not be re-read: %s\n", err.c_str());
}

void DeviceImage::ShellExecute(const std::u16string& file, const std::u16string& parameters,
                               const std::u16string& verb) {
    Journal({u"shell", verb, file, parameters});
    if (IsProgram(file)) {
        StartProgram(parameters);
        return;
    }
    std::u16string f = Unquote(file);
    if (f.size() < 4 || text::Fold(f.substr(f.size() - 4)) != u".lnk") return;
    std::u16string target, program, args;
    if (!ReadShortcut(f, target) || !SplitTarget(target, program, args) || !IsProgram(program))
        return;
    StartProgram(args + u" " + parameters);
}

bool DeviceImage::SplitTarget(const std::u16string& target, std::u16string& program,
                              std::u16string& args) const {
    // A program, quoted or not, followed by its arguments.
    std::u16string t = text::Trim(target);
    args.clear();
    if (t.empty()) return false;
    if (t[0] == u'"') {
        size_t close = t.find(u'"', 1);
        if (close == std::u16string::npos) return false;
        program = t.substr(1, close - 1);
        args = t.substr(close + 1);
    } else if (t.size() >= config_.program.size() &&
               text::EqualsIgnoreCase(t.substr(0, config_.program.size()), config_.program) &&
               (t.size() == config_.program.size() || text::IsSpace(t[config_.program.size()]))) {
        // The program's own path holds spaces; unquoted it is still recognised.
        program = t.substr(0, config_.program.size());
        args = t.substr(program.size());
    } else {
        size_t sp = t.find(u' ');
        program = t.substr(0, sp);
        if (sp != std::u16string::npos) args = t.substr(sp);
    }
    args = text::Trim(args);
    return true;
}

bool DeviceImage::KernelIoControl(uint32_t code) {
    if (code != kIoctlHalReboot) return false;
    Journal({u"softreset"});
    if (resetHandler_) resetHandler_();
    return true;
}

bool DeviceImage::GetVersion(Version& v) {
    if (!config_.versionReadable) return false;
    v.major = config_.major;
    v.minor = config_.minor;
    v.build = config_.build;
    return true;
}

int DeviceImage::GetSystemMetrics(int index) {
    switch (index) {
        case kSmCxScreen:
            return config_.width;
        case kSmCyScreen:
            return config_.height;
        case kSmCyCaption:
            return config_.caption;
        case kSmCyBorder:
            return config_.border;
        case kSmCyDlgFrame:
            return config_.dialogFrame;
        case kSmCyMenu:
            return config_.menu;
        default:
            return 0;
    }
}

void DeviceImage::Sleep(uint32_t ms) {
    double scaled = ms * config_.sleepScale;
    if (scaled >= 1.0)
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<int64_t>(scaled * 1000)));
}

std::u16string DeviceImage::AnsiToWide(const std::string& bytes) {
    return codePage_->ToWide(bytes);
}
std::string DeviceImage::WideToAnsi(const std::u16string& t) {
    return codePage_->FromWide(t);
}

// ---------------------------------------------------------------------------------------------
// Boot and import.

bool DeviceImage::BootDevice(std::string& error) {
    uint32_t count = 1;
    HKey k;
    if (registry_.OpenKey(HKEY_LOCAL_MACHINE, u"Comm", k, true) != kRegOk) {
        error = "cannot open HKEY_LOCAL_MACHINE\\Comm";
        return false;
    }
    uint32_t type = 0, old = 0, size = sizeof old;
    if (registry_.QueryValue(k, u"BootCount", &type, reinterpret_cast<uint8_t*>(&old), &size) ==
            kRegOk &&
        type == REG_DWORD && size == 4)
        count = old + 1;
    registry_.SetValue(k, u"BootCount", REG_DWORD, reinterpret_cast<const uint8_t*>(&count), 4);
    registry_.CloseKey(k);
    if (!registry_.Save(error)) return false;
    Journal({u"boot", text::FromUtf8(std::to_string(count))});

    std::u16string startup = config_.startup;
    if (startup.empty()) return true;
    FindData fd;
    std::vector<std::u16string> shortcuts;
    if (auto h = FindFirst(startup + u"\\*.*", fd)) {
        do {
            if (!(fd.attributes & kAttrDirectory)) shortcuts.push_back(startup + u"\\" + fd.name);
        } while (h->Next(fd));
    }
    for (const auto& s : shortcuts) {
        std::u16string target, program, args;
        if (s.size() < 4 || text::Fold(s.substr(s.size() - 4)) != u".lnk") continue;
        if (ReadShortcut(s, target) && SplitTarget(target, program, args) && IsProgram(program))
            ShellExecute(s, u"", u"open");
    }
    return true;
}

bool DeviceImage::Boot(const std::string& dir, std::string& error) {
    auto img = Open(dir, error);
    return img && img->BootDevice(error);
}

bool DeviceImage::ImportRegText(const std::string& bytes, const std::string& name,
                                std::string& error) {
    std::vector<RegOp> ops;
    if (!ParseRegFile(bytes, name, *codePage_, ops, error)) return false;
    registry_.Apply(ops);
    return registry_.Save(error);
}

bool DeviceImage::ImportReg(const std::string& dir, const std::string& regFile,
                            std::string& error) {
    auto img = Open(dir, error);
    if (!img) return false;
    std::string bytes;
    return ReadHostFile(regFile, bytes, error) && img->ImportRegText(bytes, regFile, error);
}

}  // namespace tidy::platform
