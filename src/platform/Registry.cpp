#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/FileIo.h"
#include "platform/Jail.h"
#include "platform/Text.h"

namespace tidy::platform {

namespace {

int RootIndex(HKey k) {
    if (k == HKEY_CLASSES_ROOT) return 0;
    if (k == HKEY_CURRENT_USER) return 1;
    if (k == HKEY_LOCAL_MACHINE) return 2;
    return -1;
}

std::string DirOf(const std::string& file) {
    size_t p = file.rfind('/');
    return p == std::string::npos ? "." : (p == 0 ? "/" : file.substr(0, p));
}

std::string BaseOf(const std::string& file) {
    size_t p = file.rfind('/');
    return p == std::string::npos ? file : file.substr(p + 1);
}

}  // namespace

bool RegistryStore::ReadFile(RegTree& tree, FileId& id, std::string& error) {
    id = FileId{};
    Fd fd(::open(file_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        if (errno == ENOENT) return true;  // no file yet: an empty registry
        error = file_ + ": " + std::strerror(errno);
        return false;
    }
    struct stat st;
    std::string bytes;
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || !ReadAll(fd.Get(), bytes)) {
        error = file_ + ": cannot be read";
        return false;
    }
    std::vector<RegOp> ops;
    if (!ParseRegFile(bytes, file_, *cp_, ops, error)) return false;
    for (auto& op : ops) tree.Apply(std::move(op));
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = st.st_size;
    id.mtime = st.st_mtim;
    return true;
}

bool RegistryStore::Load(const std::string& file, const std::string& lockFile, const CodePage* cp,
                         std::string& error) {
    std::lock_guard<std::mutex> lock(mu_);
    file_ = file;
    lockFile_ = lockFile;
    cp_ = cp;
    RegTree t;
    if (!ReadFile(t, loaded_, error)) return false;
    tree_ = std::move(t);
    pending_.clear();
    return true;
}

bool RegistryStore::Resolve(HKey key, int& root, std::vector<std::u16string>& path,
                            RegNode*& node) {
    root = RootIndex(key);
    if (root >= 0) {
        path.clear();
    } else {
        auto it = handles_.find(key);
        if (it == handles_.end()) return false;
        root = it->second.root;
        path = it->second.path;
    }
    node = tree_.Find(root, path);
    return true;
}

void RegistryStore::Record(RegOp op) {
    tree_.Apply(op);
    pending_.push_back(std::move(op));
}

long RegistryStore::OpenKey(HKey base, const std::u16string& subkey, HKey& out, bool create) {
    std::lock_guard<std::mutex> lock(mu_);
    int root;
    std::vector<std::u16string> path;
    RegNode* node;
    if (!Resolve(base, root, path, node)) return kRegInvalidHandle;
    if (!node) return kRegNotFound;
    for (auto& n : SplitKeyPath(subkey)) path.push_back(std::move(n));
    if (!tree_.Find(root, path)) {
        if (!create) return kRegNotFound;
        RegOp op;
        op.kind = RegOp::kCreateKey;
        op.root = root;
        op.path = path;
        Record(std::move(op));
    }
    out = next_++;
    handles_[out] = Handle{root, std::move(path)};
    return kRegOk;
}

long RegistryStore::QueryValue(HKey key, const std::u16string& name, uint32_t* type, uint8_t* data,
                               uint32_t* size) {
    std::lock_guard<std::mutex> lock(mu_);
    int root;
    std::vector<std::u16string> path;
    RegNode* node;
    if (!Resolve(key, root, path, node)) return kRegInvalidHandle;
    if (!node) return kRegNotFound;
    RegValue* v = node->Value(text::Fold(name));
    if (!v) return kRegNotFound;
    if (type) *type = v->type;
    uint32_t need = static_cast<uint32_t>(v->data.size());
    if (!data) {
        if (size) *size = need;
        return kRegOk;
    }
    if (!size) return kRegInvalidParameter;
    if (*size < need) {
        *size = need;
        return kRegMoreData;
    }
    if (need) std::memcpy(data, v->data.data(), need);
    *size = need;
    return kRegOk;
}

long RegistryStore::SetValue(HKey key, const std::u16string& name, uint32_t type,
                             const uint8_t* data, uint32_t size) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!data && size) return kRegInvalidParameter;
    int root;
    std::vector<std::u16string> path;
    RegNode* node;
    if (!Resolve(key, root, path, node)) return kRegInvalidHandle;
    if (!node) return kRegNotFound;
    RegOp op;
    op.kind = RegOp::kSetValue;
    op.root = root;
    op.path = std::move(path);
    op.value.name = name;
    op.value.type = type;
    if (size) op.value.data.assign(data, data + size);
    // Writing what is already there changes nothing and leaves nothing to save.
    if (RegValue* old = node->Value(text::Fold(name));
        old && old->type == type && old->data == op.value.data)
        return kRegOk;
    Record(std::move(op));
    return kRegOk;
}

long RegistryStore::DeleteValue(HKey key, const std::u16string& name) {
    std::lock_guard<std::mutex> lock(mu_);
    int root;
    std::vector<std::u16string> path;
    RegNode* node;
    if (!Resolve(key, root, path, node)) return kRegInvalidHandle;
    if (!node || !node->Value(text::Fold(name))) return kRegNotFound;
    RegOp op;
    op.kind = RegOp::kDeleteValue;
    op.root = root;
    op.path = std::move(path);
    op.value.name = name;
    Record(std::move(op));
    return kRegOk;
}

long RegistryStore::DeleteKey(HKey key, const std::u16string& subkey) {
    std::lock_guard<std::mutex> lock(mu_);
    int root;
    std::vector<std::u16string> path;
    RegNode* node;
    if (!Resolve(key, root, path, node)) return kRegInvalidHandle;
    if (!node) return kRegNotFound;
    auto names = SplitKeyPath(subkey);
    if (names.empty()) return kRegInvalidParameter;
    for (auto& n : names) path.push_back(std::move(n));
    if (!tree_.Find(root, path)) return kRegNotFound;
    RegOp op;
    op.kind = RegOp::kDeleteKey;
    op.root = root;
    op.path = std::move(path);
    Record(std::move(op));
    return kRegOk;
}

long RegistryStore::EnumKey(HKey key, uint32_t index, std::u16string& name) {
    std::lock_guard<std::mutex> lock(mu_);
    int root;
    std::vector<std::u16string> path;
    RegNode* node;
    if (!Resolve(key, root, path, node)) return kRegInvalidHandle;
    if (!node) return kRegNotFound;
    if (index >= node->subkeys.size()) return kRegNoMoreItems;
    name = node->subkeys[index]->name;
    return kRegOk;
}

long RegistryStore::EnumValue(HKey key, uint32_t index, std::u16string& name) {
    std::lock_guard<std::mutex> lock(mu_);
    int root;
    std::vector<std::u16string> path;
    RegNode* node;
    if (!Resolve(key, root, path, node)) return kRegInvalidHandle;
    if (!node) return kRegNotFound;
    if (index >= node->values.size()) return kRegNoMoreItems;
    name = node->values[index].name;
    return kRegOk;
}

long RegistryStore::Flush(HKey key) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (RootIndex(key) < 0 && !handles_.count(key)) return kRegInvalidHandle;
    }
    std::string error;
    if (!Save(error)) {
        std::fprintf(stderr, "tidymatic: the registry was not saved: %s\n", error.c_str());
        return kRegAccessDenied;
    }
    return kRegOk;
}

long RegistryStore::CloseKey(HKey key) {
    std::lock_guard<std::mutex> lock(mu_);
    if (RootIndex(key) >= 0) return kRegOk;
    return handles_.erase(key) ? kRegOk : kRegInvalidHandle;
}

void RegistryStore::Apply(const std::vector<RegOp>& ops) {
    std::lock_guard<std::mutex> lock(mu_);
    for (const auto& op : ops) Record(op);
}

bool RegistryStore::HasPending() {
    std::lock_guard<std::mutex> lock(mu_);
    return !pending_.empty();
}

size_t RegistryStore::OpenHandles() {
    std::lock_guard<std::mutex> lock(mu_);
    return handles_.size();
}

bool RegistryStore::MergeFromDisk(std::string& error) {
    struct stat st;
    FileId now;
    if (::stat(file_.c_str(), &st) == 0) {
        now.exists = true;
        now.dev = st.st_dev;
        now.ino = st.st_ino;
        now.size = st.st_size;
        now.mtime = st.st_mtim;
    }
    // Unchanged, or removed under us (nothing to merge: our copy is the newest there is).
    if (now == loaded_ || !now.exists) return true;
    RegTree fresh;
    FileId id;
    if (!ReadFile(fresh, id, error)) return false;
    for (const auto& op : pending_) fresh.Apply(op);
    tree_ = std::move(fresh);
    loaded_ = id;
    return true;
}

bool RegistryStore::Refresh(std::string& error) {
    std::lock_guard<std::mutex> lock(mu_);
    return MergeFromDisk(error);
}

bool RegistryStore::Save(std::string& error) {
    std::lock_guard<std::mutex> lock(mu_);
    if (pending_.empty()) return true;
    Fd lockFd(::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!lockFd.Valid()) {
        error = lockFile_ + ": " + std::strerror(errno);
        return false;
    }
    while (::flock(lockFd.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            error = lockFile_ + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!MergeFromDisk(error)) return false;  // the lock goes with lockFd
    std::string textOut = WriteRegFile(tree_);
    Fd dir(::open(DirOf(file_).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid() || !ReplaceFileAtomically(dir.Get(), BaseOf(file_), textOut, 0644)) {
        error = file_ + ": " + std::strerror(errno);
        return false;
    }
    struct stat st;
    if (::stat(file_.c_str(), &st) == 0) {
        loaded_.exists = true;
        loaded_.dev = st.st_dev;
        loaded_.ino = st.st_ino;
        loaded_.size = st.st_size;
        loaded_.mtime = st.st_mtim;
    }
    pending_.clear();
    return true;
}

}  // namespace tidy::platform
