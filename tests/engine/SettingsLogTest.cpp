// The settings key, the diagnostic log and "files.dat" on a device image.

#include <gtest/gtest.h>

#include <filesystem>

#include "EngineFixture.h"
#include "app/Log.h"
#include "clean/Utilities.h"
#include "customfiles/CustomFileList.h"
#include "settings/SettingsStore.h"

namespace tidy::test {
namespace {

using text::ToUtf8;

constexpr char kKey[] = "[HKEY_CURRENT_USER\\Software\\Norvane\\Tidymatic]\n";

std::string Selection(const app::RunState& run) {
    std::string s;
    for (int32_t v : run.catalogue.selection) s += std::to_string(v);
    return s;
}

TEST(Settings, LoadSelection) {
    const std::string none(31, '0');
    const std::string five = "11111" + std::string(26, '0');
    struct Case {
        const char* values;
        std::string selection;  // starting from all entries at 2 ("unchanged" shows as 2)
    } cases[] = {
        {"\"Options\"=\"0\"\n", none},
        {"\"Options\"=\"1F\"\n", five},
        {"\"Options\"=\"1f\"\n", five},
        {"\"Options\"=\"7FFFFFFF\"\n", std::string(31, '1')},
        {"\"Options\"=\"10000001F\"\n", five},  // only the low 31 bits are items
        {"\"Options\"=\"1G\"\n", std::string(31, '2')},
        {"\"Options\"=\" 1F\"\n", std::string(31, '2')},
        {"\"Options\"=\"\"\n", std::string(31, '2')},
        {"\"Options\"=dword:0000001f\n", std::string(31, '2')},
        {"\"Other\"=\"1\"\n", std::string(31, '2')},
    };
    for (const Case& c : cases) {
        EngineDevice d("", std::string(kKey) + c.values);
        d.Start();
        d.run->catalogue.selection.fill(2);
        settings::LoadSelection(*d.run);
        EXPECT_EQ(Selection(*d.run), c.selection) << c.values;
    }
}

TEST(Settings, WidthDisappearsWhateverItsTypeEvenWithoutOptions) {
    for (const char* width : {"\"Width\"=dword:00000010\n", "\"Width\"=\"240\"\n"}) {
        EngineDevice d("", std::string(kKey) + width + "\"Custom\"=\"\\\\Keep\"\n");
        d.Start();
        settings::LoadSelection(*d.run);
        std::string reg = d.dev.Registry();
        EXPECT_EQ(reg.find("Width"), std::string::npos) << width;
        EXPECT_NE(reg.find("Custom"), std::string::npos) << width;
    }
    EngineDevice d;  // no key at all: nothing happens, nothing is created
    d.Start();
    settings::LoadSelection(*d.run);
    EXPECT_EQ(d.dev.Registry().find("Norvane"), std::string::npos);
}

TEST(Settings, SaveSelectionWritesFlushedUpperCaseHex) {
    EngineDevice d;
    d.Start();
    app::RunState& run = *d.run;
    std::u16string stored;
    settings::SaveSelection(run);
    ASSERT_TRUE(settings::ReadSetting(run, u"Options", stored));
    EXPECT_EQ(ToUtf8(stored), "0");

    for (int i : {28, 29, 30}) run.catalogue.selection[i] = 1;
    run.catalogue.selection[3] = 5;  // not a tick
    settings::SaveSelection(run);
    ASSERT_TRUE(settings::ReadSetting(run, u"Options", stored));
    EXPECT_EQ(ToUtf8(stored), "70000000");
    // Saved to the image at once, with its terminator.
    EXPECT_NE(d.dev.Registry().find("\"Options\"=\"70000000\""), std::string::npos);

    platform::RegKey key(run.platform);
    ASSERT_TRUE(key.Open(platform::HKEY_CURRENT_USER, settings::kSettingsKey));
    uint32_t type = 0, size = 0;
    ASSERT_EQ(run.platform.RegQueryValue(key.Handle(), u"Options", &type, nullptr, &size),
              platform::kRegOk);
    EXPECT_EQ(type, platform::REG_SZ);
    EXPECT_EQ(size, 18u);
}

TEST(Settings, MruFlagsAreTrimmedAndKeepTheirPlaces) {
    EngineDevice d("", std::string(kKey) + "\"MRU\"=\" 85 \"\n");
    d.Start();
    std::array<int32_t, 8> flags{};
    settings::LoadMruFlags(*d.run, flags);
    EXPECT_EQ(flags, (std::array<int32_t, 8>{1, 0, 1, 0, 0, 0, 0, 1}));

    flags = {0, 3, 0, 0, 0, 0, 0, 0};
    settings::SaveMruFlags(*d.run, flags);
    std::u16string stored;
    ASSERT_TRUE(settings::ReadSetting(*d.run, u"MRU", stored));
    EXPECT_EQ(ToUtf8(stored), "2");

    EngineDevice bad("", std::string(kKey) + "\"MRU\"=\"8X\"\n");
    bad.Start();
    flags.fill(7);
    settings::LoadMruFlags(*bad.run, flags);
    EXPECT_EQ(flags, (std::array<int32_t, 8>{7, 7, 7, 7, 7, 7, 7, 7}));
}

TEST(Settings, TextReadingRules) {
    // An odd-sized text, text ending early at a null, and a string that is not text.
    EngineDevice d("", std::string(kKey) +
                           "\"Odd\"=hex(1):41,00,42\n"
                           "\"Nul\"=hex(1):41,00,00,00,42,00,00,00\n"
                           "\"Bin\"=hex:41,00,00,00\n"
                           "\"Exp\"=hex(2):43,00,00,00\n");
    d.Start();
    std::u16string v;
    ASSERT_TRUE(settings::ReadSetting(*d.run, u"Odd", v));
    EXPECT_EQ(ToUtf8(v), "AB");
    ASSERT_TRUE(settings::ReadSetting(*d.run, u"Nul", v));
    EXPECT_EQ(ToUtf8(v), "A");
    EXPECT_FALSE(settings::ReadSetting(*d.run, u"Bin", v));
    ASSERT_TRUE(settings::ReadSetting(*d.run, u"Exp", v));
    EXPECT_EQ(ToUtf8(v), "C");
    EXPECT_FALSE(settings::ReadSetting(*d.run, u"Missing", v));
}

TEST(Log, OnlyTheTextOneSwitchesItOn) {
    struct Case {
        const char* debug;
        bool on;
    } cases[] = {
        {"\"Debug\"=\"1\"\n", true},           {"\"Debug\"=\"1 \"\n", false},
        {"\"Debug\"=\"01\"\n", false},         {"\"Debug\"=\"\"\n", false},
        {"\"Debug\"=dword:00000001\n", false}, {"", false},
    };
    for (const Case& c : cases) {
        EngineDevice d("", std::string(kKey) + c.debug);
        const std::string log = "\\Program Files\\Tidymatic\\tidymatic.log";
        d.dev.WriteFile(log, "old run\n");
        d.Start();
        app::StartLog(*d.run);
        EXPECT_EQ(d.run->flags.loggingOn.load() != 0, c.on) << c.debug;
        EXPECT_FALSE(d.dev.Exists(log)) << c.debug;  // deleted either way
        app::WriteLog(*d.run, u"Tidymatic loading");
        app::WriteLog(*d.run, u"Storage Folder Found: Speicherkarte \u00e4");
        app::WriteLog(*d.run, u"");
        EXPECT_EQ(d.dev.ReadFile(log),
                  c.on ? "Tidymatic loading\nStorage Folder Found: Speicherkarte \xc3\xa4\n\n" : "")
            << c.debug;
    }
}

TEST(Log, LineThatCannotBeWrittenIsLostAndTheNextTries) {
    EngineDevice d("[faults]\nin_use = [\"\\\\Program Files\\\\Tidymatic\\\\tidymatic.log\"]\n");
    d.dev.MakeDir("\\Program Files\\Tidymatic");
    d.Start();
    app::AppendLogLine(*d.run, u"lost");
    EXPECT_FALSE(d.dev.Exists("\\Program Files\\Tidymatic\\tidymatic.log"));

    EngineDevice e;
    e.dev.MakeDir("\\Program Files\\Tidymatic");
    e.Start();
    app::AppendLogLine(*e.run, u"a");
    app::AppendLogLine(*e.run, u"b");
    EXPECT_EQ(e.dev.ReadFile("\\Program Files\\Tidymatic\\tidymatic.log"), "a\nb\n");
}

TEST(CustomFileList, SaveLoadAndClearOnTheDevice) {
    EngineDevice d;
    d.dev.MakeDir("\\Program Files\\Tidymatic");
    d.Start();
    const std::string file = "\\Program Files\\Tidymatic\\files.dat";
    customfiles::CustomFileList list{u"\\A\\*.tmp", u"\\B\\x.log", u"\\a\\*.TMP"};
    customfiles::CustomFileList saved = list;
    customfiles::SaveCustomFileList(*d.run, list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(d.dev.ReadFile(file), customfiles::EncodeCustomFileList(saved));
    ASSERT_EQ(d.ui.boxes.size(), 1u);
    EXPECT_EQ(d.ui.boxes[0].text, "Custom file list has been saved.");
    EXPECT_EQ(d.ui.boxes[0].caption, "Tidymatic");
    EXPECT_EQ(d.ui.boxes[0].type, ui::MB_ICONINFORMATION);
    EXPECT_FALSE(d.ui.boxes[0].owned);

    customfiles::LoadCustomFileList(*d.run, list);
    EXPECT_EQ(list, saved);

    customfiles::CustomFileList empty;
    customfiles::SaveCustomFileList(*d.run, empty);
    EXPECT_FALSE(d.dev.Exists(file));
    EXPECT_EQ(d.ui.boxes.back().text, "Custom file list has been cleared.");
    customfiles::LoadCustomFileList(*d.run, list);
    EXPECT_TRUE(list.empty());
    // Clearing again, with no file to delete, still says so.
    customfiles::SaveCustomFileList(*d.run, empty);
    EXPECT_EQ(d.ui.boxes.size(), 3u);
}

TEST(CustomFileList, FileThatCannotBeWrittenOrReadLeavesNoMessageAndAnEmptyList) {
    EngineDevice d("[faults]\nin_use = [\"\\\\Program Files\\\\Tidymatic\\\\files.dat\"]\n");
    d.dev.WriteFile("\\Program Files\\Tidymatic\\files.dat",
                    customfiles::EncodeCustomFileList({u"\\A\\b"}));
    d.Start();
    customfiles::CustomFileList list{u"\\C\\d"};
    customfiles::SaveCustomFileList(*d.run, list);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(d.ui.boxes.empty());
    list = {u"stale"};
    customfiles::LoadCustomFileList(*d.run, list);
    EXPECT_TRUE(list.empty());
}

TEST(CustomFileList, MalformedFilesOnTheDevice) {
    EngineDevice d;
    const std::string file = "\\Program Files\\Tidymatic\\files.dat";
    d.Start();
    customfiles::CustomFileList list;
    for (const std::string& bytes :
         {std::string("\x5c\x00\x41", 3), std::string(1, '\0'), std::string(4096, '\0')}) {
        d.dev.WriteFile(file, bytes);
        customfiles::LoadCustomFileList(*d.run, list);
        EXPECT_TRUE(list.empty()) << bytes.size();
    }
    // There is no byte-order mark: one would read as part of the first entry.
    d.dev.WriteFile(file, std::string("\xff\xfe\\\0\r\0\n\0", 8));
    customfiles::LoadCustomFileList(*d.run, list);
    EXPECT_EQ(list, customfiles::CustomFileList{u"\uFEFF\\"});
    // A folder of that name is not a list.
    std::filesystem::remove(d.dev.HostPath(file));
    d.dev.MakeDir(file);
    customfiles::LoadCustomFileList(*d.run, list);
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace tidy::test
