// Another program changing a folder while the engine walks it: files and folders that vanish
// after the enumeration listed them, and files that become locked. The walk goes on, counts
// only what it really removed and leaves the rest.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>

#include "catalogue/Catalogue.h"
#include "clean/Engine.h"
#include "engine/EngineFixture.h"
#include "support/ForwardingPlatform.h"

namespace tidy::test {
namespace {

namespace fs = std::filesystem;
using catalogue::kItemTemp;

// The image, with a hook that runs once right after the first enumeration of a folder, and
// paths that refuse to open or be deleted from a moment on (as a file another program opens).
class ChangingPlatform : public ForwardingPlatform {
  public:
    using ForwardingPlatform::ForwardingPlatform;
    std::u16string watchedPattern;
    std::function<void(const std::u16string& first)> afterFirstFind;
    std::set<std::u16string> locked;

    std::unique_ptr<platform::FindHandle> FindFirst(const std::u16string& pattern,
                                                    platform::FindData& first,
                                                    bool foldersOnly) override {
        auto h = ForwardingPlatform::FindFirst(pattern, first, foldersOnly);
        if (afterFirstFind && pattern == watchedPattern) {
            auto hook = std::move(afterFirstFind);
            afterFirstFind = nullptr;
            hook(h ? first.name : std::u16string());
        }
        return h;
    }
    bool GetStatus(const std::u16string& path, platform::FileStatus& s) override {
        return !locked.count(path) && ForwardingPlatform::GetStatus(path, s);
    }
    bool DeleteFile(const std::u16string& path) override {
        return !locked.count(path) && ForwardingPlatform::DeleteFile(path);
    }
};

struct WalkCase {
    const char* name;
    // Runs with the name of the entry the listing gave first (it was read before the change).
    std::function<void(TempDevice&, ChangingPlatform&, const std::u16string&)> change;
    const char* message;                 // the clean's result
    std::vector<std::string> remaining;  // under \Temp afterwards
    int32_t measured;                    // what measuring saw
};

// Measuring got the first entry before the change: at most the largest file's size.
constexpr int32_t kFirstEntryOnly = -1;
// All but the file that vanished (4 bytes, or 8 when the listing gave "c.dat" first).
constexpr int32_t kMinusVictim = -2;

TEST(WalkFaults, FilesAndFoldersThatVanishOrLockDuringAWalk) {
    // The file that vanishes is one the listing has not handed out yet: "c.dat", or "d.dat"
    // when "c.dat" came first (then 4 bytes more are left to count).
    const WalkCase cases[] = {
        {"a listed file vanishes",
         [](TempDevice& d, ChangingPlatform&, const std::u16string& first) {
             fs::remove(d.HostPath(first == u"c.dat" ? "\\Temp\\d.dat" : "\\Temp\\c.dat"));
         },
         "5 Files and 1 Folder of %d Bytes Cleared!",
         {},
         kMinusVictim},
        {"a listed folder vanishes",
         [](TempDevice& d, ChangingPlatform&, const std::u16string&) {
             fs::remove_all(d.HostPath("\\Temp\\sub"));
         },
         "4 Files and 0 Folders of 15 Bytes Cleared!",
         {},
         15},
        {"a file becomes locked",
         [](TempDevice&, ChangingPlatform& p, const std::u16string&) {
             p.locked.insert(u"\\Temp\\d.dat");
         },
         "5 Files and 1 Folder of 55 Bytes Cleared!",
         {"d.dat"},
         63},
        {"the folder itself vanishes",
         [](TempDevice& d, ChangingPlatform&, const std::u16string&) {
             fs::remove_all(d.HostPath("\\Temp"));
         },
         "No Files Removed.",
         {},
         kFirstEntryOnly},
    };
    for (const WalkCase& c : cases) {
        for (bool measuring : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (measuring ? " (measuring)" : " (cleaning)"));
            EngineDevice d;
            d.dev.MakeDir("\\Windows\\Start Menu\\Programs");
            int32_t size = 1;
            for (const char* n : {"a.dat", "b.dat", "c.dat", "d.dat"}) {
                d.dev.WriteFile(std::string("\\Temp\\") + n, std::string(size, 'x'));
                size *= 2;
            }
            d.dev.WriteFile("\\Temp\\sub\\x.dat", std::string(16, 'x'));
            d.dev.WriteFile("\\Temp\\sub\\y.dat", std::string(32, 'y'));

            auto image = d.dev.Open();
            ChangingPlatform changing(*image);
            app::RunState run(changing, &d.ui);
            run.flags.messageOwner = reinterpret_cast<ui::Window*>(&d.ownerTag);
            for (auto& f : run.catalogue.folderTable) f = u"\\JunkFolder\\";
            run.catalogue.folderTable[kItemTemp] = u"\\Temp\\";
            run.catalogue.selection[kItemTemp] = 1;
            changing.watchedPattern = u"\\Temp\\*.*";
            std::u16string firstListed;
            changing.afterFirstFind = [&](const std::u16string& first) {
                firstListed = first;
                c.change(d.dev, changing, first);
            };

            if (measuring) {
                clean::FolderSize(run, u"\\Temp\\", kItemTemp);
                // Measuring counts what the listing reported; a folder that went away counts
                // nothing.
                int32_t got = run.catalogue.itemSizes[kItemTemp];
                const int32_t minusVictim = firstListed == u"c.dat" ? 55 : 59;
                if (c.measured == kMinusVictim) {
                    EXPECT_EQ(got, minusVictim);
                } else if (c.measured == kFirstEntryOnly) {
                    EXPECT_GE(got, 0);
                    EXPECT_LE(got, 8);
                } else {
                    EXPECT_EQ(got, c.measured);
                }
                continue;
            }
            const int32_t deleted = firstListed == u"c.dat" ? 55 : 59;
            char expected[80];
            std::snprintf(expected, sizeof expected, c.message, deleted);
            EXPECT_EQ(text::ToUtf8(clean::CleanSelected(run, clean::CleanMode::Interactive)),
                      expected);
            std::vector<std::string> left;
            std::error_code ec;
            for (auto it = fs::recursive_directory_iterator(d.dev.HostPath("\\Temp"), ec);
                 !ec && it != fs::end(it); it.increment(ec))
                left.push_back(fs::relative(it->path(), d.dev.HostPath("\\Temp")).string());
            std::sort(left.begin(), left.end());
            EXPECT_EQ(left, c.remaining);
        }
    }
}

}  // namespace
}  // namespace tidy::test
