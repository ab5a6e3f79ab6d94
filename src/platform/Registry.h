#pragma once
// The device's registry held in memory and persisted to registry.reg.
//
// Handles are per open and may be used from any thread (the background refresh and the user
// interface use the registry at once): one mutex guards the store. A handle names its key by
// path, so it keeps working when another process's saved changes are merged in.
//
// Persistence: changes since the last load or save are kept as a list. A save (RegFlushKey,
// and the end of the run) takes an exclusive lock on registry.lock; if registry.reg changed
// since this process read it (another process saved), it is read again and the pending
// changes are replayed on top, so neither process loses the other's saved writes. The new
// text goes to a file beside it, is synced and renamed over registry.reg, so a crash leaves
// the old or the new file. A save with nothing pending writes nothing. A file that cannot be
// parsed is never overwritten: the save fails and the changes stay pending.

#include <sys/stat.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/RegFile.h"

namespace tidy::platform {

class RegistryStore {
  public:
    // Reads file (a missing file is an empty registry). lockFile serialises saves.
    bool Load(const std::string& file, const std::string& lockFile, const CodePage* cp,
              std::string& error);

    long OpenKey(HKey root, const std::u16string& subkey, HKey& out, bool create);
    long QueryValue(HKey key, const std::u16string& name, uint32_t* type, uint8_t* data,
                    uint32_t* size);
    long SetValue(HKey key, const std::u16string& name, uint32_t type, const uint8_t* data,
                  uint32_t size);
    long DeleteValue(HKey key, const std::u16string& name);
    long DeleteKey(HKey key, const std::u16string& subkey);
    long EnumKey(HKey key, uint32_t index, std::u16string& name);
    long EnumValue(HKey key, uint32_t index, std::u16string& name);
    long Flush(HKey key);
    long CloseKey(HKey key);

    // Applies changes as if made through the calls above (pending until saved).
    void Apply(const std::vector<RegOp>& ops);
    // Saves pending changes (see above).
    bool Save(std::string& error);
    // Merges what another process saved since this one read the file, keeping pending changes.
    bool Refresh(std::string& error);
    bool HasPending();
    size_t OpenHandles();

  private:
    struct Handle {
        int root;
        std::vector<std::u16string> path;
    };
    struct FileId {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        timespec mtime{};
        bool operator==(const FileId& o) const {
            return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
                   mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
        }
    };

    // Both need mu_ held.
    bool Resolve(HKey key, int& root, std::vector<std::u16string>& path, RegNode*& node);
    bool ReadFile(RegTree& tree, FileId& id, std::string& error);
    bool MergeFromDisk(std::string& error);
    void Record(RegOp op);

    std::mutex mu_;
    std::string file_, lockFile_;
    const CodePage* cp_ = nullptr;
    RegTree tree_;
    std::vector<RegOp> pending_;
    FileId loaded_;
    std::map<HKey, Handle> handles_;
    HKey next_ = 0x1000;
};

}  // namespace tidy::platform
