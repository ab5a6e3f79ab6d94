// Measuring, deleting and the clean pass on a real device image.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "EngineFixture.h"
#include "catalogue/Catalogue.h"
#include "clean/Engine.h"
#include "clean/SpecialItems.h"
#include "clean/Utilities.h"

namespace tidy::test {
namespace {

using catalogue::kItemCookies;
using catalogue::kItemTemp;
using clean::CleanMode;
using text::ToUtf8;

constexpr char kPrograms[] = "\\Windows\\Start Menu\\Programs";

class Engine : public ::testing::Test {
  protected:
    explicit Engine(const std::string& toml = "", const std::string& reg = "") : d(toml, reg) {}
    void SetUp() override {
        d.dev.MakeDir(kPrograms);
        d.Start();
        for (auto& f : run().catalogue.folderTable) f = u"\\JunkFolder\\";
        run().catalogue.folderTable[kItemTemp] = u"\\Temp\\";
    }
    app::RunState& run() { return *d.run; }
    void Select(std::initializer_list<int> items) {
        for (int i : items) run().catalogue.selection[i] = 1;
    }
    std::string Clean(CleanMode mode = CleanMode::Interactive) {
        return ToUtf8(clean::CleanSelected(run(), mode));
    }
    int32_t Measure(const std::string& folder, int item = kItemTemp) {
        run().catalogue.itemSizes[item] = 0;
        clean::FolderSize(run(), W(folder), item);
        return run().catalogue.itemSizes[item];
    }

    EngineDevice d;
};

TEST_F(Engine, TempIsMeasuredAndEmptiedExceptWinceNls) {
    d.dev.WriteFile("\\Temp\\a.txt", std::string(10, 'a'));
    d.dev.WriteFile("\\Temp\\wince.nls", std::string(100, 'n'));
    d.dev.WriteFile("\\Temp\\sub\\b.txt", std::string(20, 'b'));
    d.dev.WriteFile("\\Temp\\sub\\deeper\\c.txt", std::string(5, 'c'));
    d.dev.MakeDir("\\Temp\\empty");

    EXPECT_EQ(Measure("\\Temp\\"), 35);
    EXPECT_EQ(clean::FileSize(run(), u"\\TEMP\\WINCE.NLS"), 0);
    EXPECT_EQ(clean::FileSize(run(), u"\\Temp\\a.txt"), 10);

    Select({kItemTemp});
    EXPECT_EQ(Clean(), "3 Files and 3 Folders of 35 Bytes Cleared!");
    EXPECT_TRUE(d.dev.Exists("\\Temp\\wince.nls"));
    EXPECT_TRUE(d.dev.Exists("\\Temp"));
    EXPECT_FALSE(d.dev.Exists("\\Temp\\a.txt"));
    EXPECT_FALSE(d.dev.Exists("\\Temp\\sub"));
    EXPECT_FALSE(d.dev.Exists("\\Temp\\empty"));
    EXPECT_FALSE(clean::DeleteFileCounted(run(), u"\\temp\\Wince.NLS"));
    EXPECT_TRUE(d.dev.Exists("\\Temp\\wince.nls"));
    EXPECT_TRUE(d.ui.boxes.empty());
}

TEST_F(Engine, CookiesAndHistoryKeepTheirFirstLevelSubfolders) {
    for (int item : {catalogue::kItemCookies, catalogue::kItemHistory}) {
        std::string root = item == kItemCookies ? "\\Windows\\Cookies" : "\\Windows\\History";
        d.dev.WriteFile(root + "\\a.txt", "aa");
        d.dev.WriteFile(root + "\\sub\\b.txt", "bbb");
        d.dev.WriteFile(root + "\\sub\\deep\\c.txt", "c");
        run().catalogue.folderTable[item] = W(root + "\\");
    }
    Select({kItemCookies, catalogue::kItemHistory});
    EXPECT_EQ(Clean(), "6 Files and 2 Folders of 12 Bytes Cleared!");
    for (std::string root : {"\\Windows\\Cookies", "\\Windows\\History"}) {
        EXPECT_TRUE(d.dev.Exists(root + "\\sub")) << root;
        EXPECT_FALSE(d.dev.Exists(root + "\\sub\\deep")) << root;
        EXPECT_FALSE(d.dev.Exists(root + "\\sub\\b.txt")) << root;
        EXPECT_FALSE(d.dev.Exists(root + "\\a.txt")) << root;
    }
}

TEST_F(Engine, RootAndWindowsFolderAreNeverEmptied) {
    d.dev.WriteFile("\\keep.txt", "k");
    d.dev.WriteFile("\\Windows\\system.dll", "s");
    for (const char16_t* folder : {u"\\", u"\\Windows\\", u"\\WINDOWS\\", u"\\windows\\"}) {
        EXPECT_FALSE(clean::DeleteFolderContents(run(), folder, true)) << ToUtf8(folder);
    }
    run().catalogue.folderTable[9] = u"\\";
    run().catalogue.folderTable[10] = u"\\windows\\";
    Select({9, 10});
    EXPECT_EQ(Clean(), "No Files Removed.");
    EXPECT_TRUE(d.dev.Exists("\\keep.txt"));
    EXPECT_TRUE(d.dev.Exists("\\Windows\\system.dll"));
    EXPECT_EQ(Measure("\\"), 0);
}

TEST_F(Engine, ReadOnlyFileIsDeletedAndCounted) {
    d.dev.WriteFile("\\Temp\\ro.txt", "12345");
    ASSERT_EQ(::chmod(d.dev.HostPath("\\Temp\\ro.txt").c_str(), 0444), 0);
    Select({kItemTemp});
    EXPECT_EQ(Clean(), "1 File and 0 Folders of 5 Bytes Cleared!");
    EXPECT_FALSE(d.dev.Exists("\\Temp\\ro.txt"));
}

TEST_F(Engine, EmptyFilesStillCount) {
    for (const char* n : {"\\Temp\\1", "\\Temp\\2", "\\Temp\\3"}) d.dev.WriteFile(n, "");
    Select({kItemTemp});
    EXPECT_EQ(Clean(), "3 Files and 0 Folders of 0 Bytes Cleared!");
    // The counters stay until the next pass.
    EXPECT_EQ(ToUtf8(clean::ResultMessage(run())), "3 Files and 0 Folders of 0 Bytes Cleared!");
    EXPECT_EQ(Clean(), "No Files Removed.");
}

TEST_F(Engine, DeletionHelpersReportWhatHappened) {
    d.dev.WriteFile("\\Temp\\a", "abc");
    d.dev.WriteFile("\\Temp\\b", "abcd");
    d.dev.WriteFile("\\Temp\\wince.nls", "n");
    EXPECT_TRUE(clean::DeleteFileUncounted(run(), u"\\Temp\\a"));
    EXPECT_EQ(run().clean.filesDeleted, 0);
    EXPECT_FALSE(clean::DeleteFileCounted(run(), u"\\Temp\\a"));  // gone already
    EXPECT_TRUE(clean::DeleteFileCounted(run(), u"\\temp\\B"));
    EXPECT_EQ(run().clean.filesDeleted, 1);
    EXPECT_EQ(run().clean.bytesDeleted, 4);
    clean::DeleteFileQuietly(run(), u"\\Temp\\wince.nls");  // no exception for it here
    EXPECT_FALSE(d.dev.Exists("\\Temp\\wince.nls"));
    // Enumeration found nothing: false, and nothing counted.
    EXPECT_FALSE(clean::DeleteFolderContents(run(), u"\\Temp\\", true));
    EXPECT_FALSE(clean::DeleteFolderContents(run(), u"\\Missing\\", true));
    EXPECT_EQ(clean::FileSizeByOpen(run(), u"\\Missing.txt"), 0);
}

class EngineInUse : public Engine {
  protected:
    EngineInUse()
        : Engine(R"(
[faults]
in_use = ["\\Temp\\open.dat", "\\Temp\\sub\\busy.dat"]
)") {}
};

TEST_F(EngineInUse, FilesInUseAreSkippedAndTheirFoldersStay) {
    d.dev.WriteFile("\\Temp\\open.dat", "1234567");
    d.dev.WriteFile("\\Temp\\sub\\busy.dat", "12");
    d.dev.WriteFile("\\Temp\\sub\\free.dat", "123");
    d.dev.WriteFile("\\Temp\\other.dat", "1");
    Select({kItemTemp});
    EXPECT_EQ(Clean(), "2 Files and 0 Folders of 4 Bytes Cleared!");
    EXPECT_TRUE(d.dev.Exists("\\Temp\\open.dat"));
    EXPECT_TRUE(d.dev.Exists("\\Temp\\sub\\busy.dat"));
    EXPECT_FALSE(d.dev.Exists("\\Temp\\sub\\free.dat"));
    EXPECT_EQ(::access(d.dev.HostPath("\\Temp\\open.dat").c_str(), W_OK), 0);
}

TEST_F(Engine, LinksInsideTempAreNeverFollowed) {
    namespace fs = std::filesystem;
    // Outside the image, and inside it but outside Temp.
    fs::create_directories(d.dev.dir + "/outside/dir");
    WriteHostFile(d.dev.dir + "/outside/dir/precious.txt", std::string(1000, 'p'));
    WriteHostFile(d.dev.dir + "/outside/file.txt", std::string(2000, 'f'));
    d.dev.WriteFile("\\Keep\\inside.txt", std::string(3000, 'i'));
    d.dev.WriteFile("\\Temp\\real.txt", "rr");
    d.dev.MakeDir("\\Temp\\sub");
    fs::create_symlink(d.dev.dir + "/outside/dir", d.dev.HostPath("\\Temp\\linkdir"));
    fs::create_symlink(d.dev.dir + "/outside/file.txt", d.dev.HostPath("\\Temp\\linkfile"));
    fs::create_symlink("../../Keep", d.dev.HostPath("\\Temp\\sub\\linkkeep"));

    EXPECT_EQ(Measure("\\Temp\\"), 2);
    EXPECT_EQ(clean::FileSize(run(), u"\\Temp\\linkfile"), 0);
    EXPECT_EQ(Measure("\\Temp\\linkdir\\"), 0);

    Select({kItemTemp});
    Clean();
    EXPECT_EQ(ReadHostFile(d.dev.dir + "/outside/dir/precious.txt"), std::string(1000, 'p'));
    EXPECT_EQ(ReadHostFile(d.dev.dir + "/outside/file.txt"), std::string(2000, 'f'));
    EXPECT_EQ(d.dev.ReadFile("\\Keep\\inside.txt"), std::string(3000, 'i'));
    EXPECT_FALSE(d.dev.Exists("\\Temp\\real.txt"));
    // Nothing behind a link was counted.
    EXPECT_EQ(run().clean.bytesDeleted, 2);
}

TEST_F(Engine, PathsThatLeaveTheImageAreRefused) {
    namespace fs = std::filesystem;
    WriteHostFile(d.dev.dir + "/secret.txt", "s");
    EXPECT_FALSE(clean::DeleteFileCounted(run(), u"\\..\\secret.txt"));
    EXPECT_FALSE(clean::DeleteFolderContents(run(), u"\\Temp\\..\\..\\", true));
    EXPECT_FALSE(clean::PathExists(run(), u"\\..\\secret.txt"));
    EXPECT_TRUE(fs::exists(d.dev.dir + "/secret.txt"));
}

struct PassCase {
    const char* what;
    std::vector<int> items;
    bool tempBytes;  // a file with content waits in \Temp
    bool address;    // one Internet address is stored
    const char* message;
};

class CleanPassMessages : public ::testing::TestWithParam<PassCase> {};

TEST_P(CleanPassMessages, Message) {
    const PassCase& c = GetParam();
    EngineDevice d("", std::string(R"([HKEY_LOCAL_MACHINE\Comm]
"BootCount"=dword:00000007
)") + (c.address ? R"([HKEY_LOCAL_MACHINE\Explorer\AddressHistory]
"0"="http://example.com/"
)"
                 : ""));
    d.dev.MakeDir(kPrograms);
    d.dev.MakeDir("\\Temp");
    if (c.tempBytes) d.dev.WriteFile("\\Temp\\a.txt", "abc");
    d.Start();
    for (auto& f : d.run->catalogue.folderTable) f = u"\\JunkFolder\\";
    d.run->catalogue.folderTable[kItemTemp] = u"\\Temp\\";
    for (int i : c.items) d.run->catalogue.selection[i] = 1;
    EXPECT_EQ(ToUtf8(clean::CleanSelected(*d.run, CleanMode::Express)), c.message);
    EXPECT_TRUE(d.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Engine, CleanPassMessages,
    ::testing::Values(
        PassCase{"nothing selected", {}, true, true, ""},
        PassCase{"boot count only", {30}, false, false, ""},
        PassCase{"addresses only", {29}, false, true, "Internet Addresses Cleared!"},
        PassCase{"addresses only, none stored", {29}, false, false, ""},
        PassCase{"addresses with files",
                 {0, 29},
                 true,
                 true,
                 "1 File and 0 Folders of 3 Bytes Cleared!"},
        PassCase{"addresses with an empty folder", {0, 29}, false, true, "No Files Removed."},
        PassCase{"recent programs only", {28}, false, false, "Recent Program List Cleared!"},
        PassCase{"recent programs with bytes",
                 {0, 28},
                 true,
                 false,
                 "1 File and 0 Folders of 3 Bytes Cleared!"},
        PassCase{
            "recent programs, no bytes", {0, 28}, false, false, "Recent Program List Cleared!"},
        PassCase{"a missing single file", {24}, false, false, "No Files Removed."},
        PassCase{"empty Temp", {0}, false, false, "No Files Removed."}),
    [](const auto& info) {
        std::string n = info.param.what;
        for (char& ch : n)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST_F(Engine, MissingStartMenuIsReportedAndThePassGoesOn) {
    std::filesystem::remove_all(d.dev.HostPath(kPrograms));
    d.dev.WriteFile("\\Temp\\a.txt", "abc");
    Select({kItemTemp, catalogue::kItemRecentPrograms});
    EXPECT_EQ(Clean(), "1 File and 0 Folders of 3 Bytes Cleared!");
    ASSERT_EQ(d.ui.boxes.size(), 1u);
    EXPECT_EQ(d.ui.boxes[0].text, "Unable to find Start Menu folder");
    EXPECT_EQ(d.ui.boxes[0].caption, "Tidymatic");
    EXPECT_EQ(d.ui.boxes[0].type, 0u);
    EXPECT_TRUE(d.ui.boxes[0].owned);
    EXPECT_EQ(d.dev.Journal().find("shell"), std::string::npos);

    // Without a main window nothing is shown.
    d.ui.boxes.clear();
    run().flags.messageOwner = nullptr;
    Clean();
    EXPECT_TRUE(d.ui.boxes.empty());
}

TEST_F(Engine, StartupPassLeavesTheRegistryItemsAlone) {
    d.dev.WriteFile("\\Temp\\a.txt", "abc");
    Select({kItemTemp, 28, 29, 30});
    EXPECT_EQ(Clean(CleanMode::Startup), "");
    EXPECT_FALSE(d.dev.Exists("\\Temp\\a.txt"));
    EXPECT_EQ(run().catalogue.selection[28], 0);
    EXPECT_EQ(run().catalogue.selection[29], 0);
    EXPECT_EQ(run().catalogue.selection[30], 0);
    EXPECT_EQ(d.dev.Journal(), "");
}

TEST(ResultMessage, Texts) {
    struct Case {
        int32_t files, folders, bytes;
        const char* text;
    } cases[] = {
        {0, 0, 0, "No Files Removed."},
        {0, 0, -5, "No Files Removed."},
        {1, 0, 512, "1 File and 0 Folders of 512 Bytes Cleared!"},
        {2, 1, 2048, "2 Files and 1 Folder of 2.0 KB Cleared!"},
        {1, 1, 1, "1 File and 1 Folder of 1 Bytes Cleared!"},
        {0, 3, 0, "0 Files and 3 Folders of 0 Bytes Cleared!"},
        {3, 0, 0, "3 Files and 0 Folders of 0 Bytes Cleared!"},
        {5, 0, -100, "5 Files and 0 Folders of 0 Bytes Cleared!"},
        {0, 0, 1048577, "0 Files and 0 Folders of 1.0 MB Cleared!"},
    };
    TempDevice dev;
    auto image = dev.Open();
    app::RunState run(*image);
    for (const Case& c : cases) {
        run.clean.filesDeleted = c.files;
        run.clean.foldersRemoved = c.folders;
        run.clean.bytesDeleted = c.bytes;
        EXPECT_EQ(ToUtf8(clean::ResultMessage(run)), c.text);
    }
}

TEST(Utilities, ProgramPlaceVersionAndExistence) {
    TempDevice dev(R"(program = "\\Apps\\Tidy\\Tidymatic.exe"
[version]
major = 6
minor = 0
build = 1
)");
    dev.WriteFile("\\Temp\\a.txt", "x");
    auto image = dev.Open();
    app::RunState run(*image);
    EXPECT_EQ(ToUtf8(clean::ProgramPath(run)), "\\Apps\\Tidy\\Tidymatic.exe");
    EXPECT_EQ(ToUtf8(clean::ProgramFolder(run)), "\\Apps\\Tidy\\");
    EXPECT_TRUE(clean::IsPlatform5OrLater(run));
    EXPECT_FALSE(clean::IsPlatform52OrLater(run));  // 6.0 does not pass
    for (const char16_t* p : {u"\\Temp", u"\\Temp\\", u"\\temp\\A.TXT"}) {
        EXPECT_TRUE(clean::PathExists(run, p)) << ToUtf8(p);
    }
    EXPECT_FALSE(clean::PathExists(run, u"\\Temp\\b.txt"));
    EXPECT_TRUE(clean::EntryFound(run, u"\\Temp"));
    EXPECT_TRUE(clean::EntryFound(run, u"\\Temp\\a.txt"));
    EXPECT_FALSE(clean::EntryFound(run, u"\\Nothing"));
    EXPECT_TRUE(clean::RootFolderExists(run, u"temp"));
    // No window: no message, and the answer is 0.
    EXPECT_EQ(clean::ShowMessageOk(run, u"hello"), 0);
    clean::OpenWithShell(run, u"http://example.com/");
    EXPECT_EQ(dev.Journal(), "shell\t\thttp://example.com/\t\n");
}

TEST(Utilities, VersionChecks) {
    struct Case {
        const char* version;
        bool five, fiveTwo;
    } cases[] = {
        {"major = 4\nminor = 21", false, false},
        {"major = 5\nminor = 1", true, false},
        {"major = 5\nminor = 2", true, true},
        {"major = 7\nminor = 0", true, false},
        {"major = 5\nminor = 2\nreadable = false", false, false},
    };
    for (const Case& c : cases) {
        TempDevice dev(std::string("[version]\n") + c.version + "\n");
        auto image = dev.Open();
        app::RunState run(*image);
        EXPECT_EQ(clean::IsPlatform5OrLater(run), c.five) << c.version;
        EXPECT_EQ(clean::IsPlatform52OrLater(run), c.fiveTwo) << c.version;
    }
}

}  // namespace
}  // namespace tidy::test
