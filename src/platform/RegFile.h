#pragma once
// The registry as data (a tree of keys with values), the changes that can be made to it, and
// its text form, the registry export (".reg").
//
// Reading accepts "Windows Registry Editor Version 5.00" and "REGEDIT4", UTF-8 (with or
// without a byte-order mark), UTF-16LE with a byte-order mark, and lines of 8-bit text that
// are not UTF-8 (decoded with the device's code page). It understands comments (;), key
// lines [ROOT\path], deletions [-ROOT\path] and "name"=-, the default value @, strings with
// \\ and \" escapes, dword:, hex: and hex(N): with continuation lines. In REGEDIT4 files the
// bytes of hex(2) and hex(7) are 8-bit text and are widened to UTF-16. Roots other than
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE (and their HKCR/HKCU/HKLM
// short forms), such as HKEY_USERS, do not exist on the device: their sections are skipped.
//
// Writing produces "Windows Registry Editor Version 5.00" as UTF-8 with LF line ends, every
// key in tree order (so empty keys survive), strings as "text" when they read back exactly,
// otherwise as hex(N).

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tidy::platform {

class CodePage;

struct RegValue {
    std::u16string name;  // empty: the default value
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

struct RegNode {
    std::u16string name;
    std::u16string folded;
    std::vector<std::unique_ptr<RegNode>> subkeys;  // in creation order
    std::vector<RegValue> values;                   // in creation order
    // Folded value name -> position in values, kept once a key holds many values (lookups in
    // a key of thousands of values would otherwise compare against each one).
    std::unique_ptr<std::unordered_map<std::u16string, size_t>> valueIndex;

    RegNode* Child(std::u16string_view folded) const;
    RegValue* Value(std::u16string_view foldedName);
    void AddValue(RegValue value);
    void EraseValue(std::u16string_view foldedName);
    std::unique_ptr<RegNode> Clone() const;
};

constexpr int kRegRoots = 3;  // classes root, current user, local machine
extern const char* const kRegRootNames[kRegRoots];

struct RegOp {
    enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue } kind = kCreateKey;
    int root = 0;
    std::vector<std::u16string> path;  // key names below the root
    RegValue value;                    // kSetValue: all; kDeleteValue: name only
};

class RegTree {
  public:
    RegTree();
    RegTree(const RegTree&) = delete;
    RegTree& operator=(const RegTree&) = delete;
    RegTree(RegTree&&) = default;
    RegTree& operator=(RegTree&&) = default;

    RegNode& Root(int i) { return *roots_[i]; }
    const RegNode& Root(int i) const { return *roots_[i]; }
    RegNode* Find(int root, const std::vector<std::u16string>& path) const;
    RegNode* Create(int root, const std::vector<std::u16string>& path);
    void Apply(const RegOp& op);
    void Apply(RegOp&& op);  // the same, taking the value's data

  private:
    std::unique_ptr<RegNode> roots_[kRegRoots];
    // The key Create found last: an export's values come key by key, so most lookups ask for
    // the same key again (a key among thousands of siblings is not scanned for every value).
    // Dropped whenever a key is deleted.
    struct LastKey {
        int root = -1;
        std::vector<std::u16string> path;
        RegNode* node = nullptr;
    } last_;
};

// Splits "A\B\C" into key names (empty names are dropped).
std::vector<std::u16string> SplitKeyPath(std::u16string_view path);

// Parses a registry export into changes. On failure error is "<file>:<line>: <reason>".
// skipped, when given, receives the roots whose sections were skipped.
bool ParseRegFile(const std::string& bytes, const std::string& fileName, const CodePage& cp,
                  std::vector<RegOp>& ops, std::string& error,
                  std::vector<std::string>* skipped = nullptr);

std::string WriteRegFile(const RegTree& tree);

}  // namespace tidy::platform
