// The MRU table: its rows, counting and emptying both kinds of list, the "FCount" reset and the
// tick marks kept in the settings key. Every case runs on a device image built in the test.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>

#include "MruTestSupport.h"
#include "app/RunState.h"
#include "mru/MruTable.h"
#include "platform/SampleDevice.h"
#include "support/TempDevice.h"

using namespace tidy;
using namespace tidy::test;
using mru::MruEntryCount;

namespace {

const char kSettings[] = "HKEY_CURRENT_USER\\Software\\Norvane\\Tidymatic";

std::string Key(int row) {
    return kRowKeys[row];
}

TEST(MruTable, HoldsTheEightApplications) {
    TempDevice dev;
    auto p = dev.Open();
    app::RunState run(*p);
    mru::BuildMruTable(run);

    struct Row {
        const char16_t* label;
        platform::HKey root;
        const char16_t* key;
        const char16_t* value;
        int first;
    };
    const Row want[8] = {
        {u"HTC Streaming", platform::HKEY_LOCAL_MACHINE, u"Software\\HTC\\Streaming\\OpenUrlMRU",
         u"", 0},
        {u"Queuely", platform::HKEY_LOCAL_MACHINE, u"Software\\Apps\\Norvane Queuely", u"Playlist ",
         1},
        {u"UKNote", platform::HKEY_CURRENT_USER, u"Software\\UK-orunesa\\UKNote\\MRU", u"MRU", 0},
        {u"UKEditor", platform::HKEY_CURRENT_USER, u"Software\\UK-orunesa\\UKEditor\\FILE", u"MRU",
         0},
        {u"CEdit", platform::HKEY_CURRENT_USER,
         u"Software\\Logical Sky Cedit\\cedit\\Recent File List", u"File", 1},
        {u"File Explorer", platform::HKEY_CURRENT_USER,
         u"Software\\Microsoft\\File Explorer\\DialogMRU", u"MRUList", 0},
        {u"Resco Photo Viewer", platform::HKEY_LOCAL_MACHINE,
         u"Software\\Resco\\PicView\\RecentPaths\\RecentFiles", u"File", 0},
        {u"Adobe Reader LE", platform::HKEY_CURRENT_USER,
         u"Software\\Adobe\\AdobeReaderLE.25\\RecentFiles", u"", 0},
    };
    ASSERT_TRUE(mru::MruTableWellFormed(run));
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(run.mru.labels[i], want[i].label);
        EXPECT_EQ(run.mru.roots[i], want[i].root);
        EXPECT_EQ(run.mru.keyPaths[i], want[i].key);
        EXPECT_EQ(run.mru.valueNames[i], want[i].value);
        EXPECT_EQ(run.mru.firstNumbers[i], want[i].first);
        EXPECT_EQ(run.mru.flags[i], 0);  // no "MRU" value: nothing ticked
    }
    EXPECT_EQ(mru::SchemeOfRow(4), mru::MruScheme::Numbered);
    EXPECT_EQ(mru::SchemeOfRow(5), mru::MruScheme::LetterList);

    run.mru.flags[3] = 1;
    mru::ResetMruTable(run);
    EXPECT_FALSE(mru::MruTableWellFormed(run));
    EXPECT_TRUE(run.mru.labels.empty() && run.mru.keyPaths.empty() && run.mru.valueNames.empty());
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(run.mru.flags[i] == 0 && run.mru.roots[i] == 0 && run.mru.firstNumbers[i] == 0);
    // Without a table nothing is counted, nothing is touched.
    EXPECT_EQ(MruEntryCount(run, 0, true), 0);
}

struct CountCase {
    const char* name;
    int row;
    std::string values;  // the body of the row's key in a registry export; "" leaves it out
    int count;
    // After clearing: value name -> what ValueOf reports.
    std::map<std::string, std::string> after;
};

const CountCase kCountCases[] = {
    {"PlaylistsEndAtTheGap",
     1,
     "\"Playlist 1\"=\"a.m3u\"\n\"Playlist 2\"=\"b.m3u\"\n\"Playlist 4\"=\"d.m3u\"\n"
     "\"Volume\"=dword:00000050\n",
     2,
     {{"Playlist 1", "<absent>"},
      {"Playlist 2", "<absent>"},
      {"Playlist 4", "d.m3u"},
      {"Volume", "dword:80"}}},
    {"ListStartsAtTheFirstNumber", 6, "\"File1\"=\"\\\\x.jpg\"\n", 0, {{"File1", "\\x.jpg"}}},
    {"BareNumbers",
     0,
     "\"0\"=\"rtsp://a\"\n\"1\"=\"rtsp://b\"\n\"2\"=\"rtsp://c\"\n",
     3,
     {{"0", "<absent>"}, {"1", "<absent>"}, {"2", "<absent>"}}},
    {"EntriesOfAnyTypeCount",
     2,
     "\"MRU\"=\"keep\"\n\"MRU0\"=\"a\"\n\"MRU1\"=dword:00000001\n\"MRU2\"=hex:01,02\n",
     3,
     {{"MRU", "keep"}, {"MRU0", "<absent>"}, {"MRU1", "<absent>"}, {"MRU2", "<absent>"}}},
    {"DefaultValueIsNotAnEntry",
     7,
     "@=\"default\"\n\"0\"=\"a.pdf\"\n\"1\"=\"b.pdf\"\n",
     2,
     {{"", "default"}, {"0", "<absent>"}, {"1", "<absent>"}}},
    {"ApplicationNotInstalled", 3, "", -1, {{"MRU0", "<no key>"}}},
    {"EmptyKey", 3, "\"Other\"=\"x\"\n", 0, {{"Other", "x"}}},
    {"CEditResetsFCount",
     4,
     "\"File0\"=\"zero\"\n\"File1\"=\"a\"\n\"File2\"=\"b\"\n\"File3\"=\"c\"\n"
     "\"FCount\"=dword:00000003\n",
     3,
     {{"File0", "zero"}, {"File1", "<absent>"}, {"File3", "<absent>"}, {"FCount", "dword:0"}}},
    {"FCountThatIsNotANumberIsLeftAlone",
     4,
     "\"File1\"=\"a\"\n\"FCount\"=\"1\"\n",
     1,
     {{"File1", "<absent>"}, {"FCount", "1"}}},
    {"NoFCountNoneWritten",
     4,
     "\"File1\"=\"a\"\n",
     1,
     {{"File1", "<absent>"}, {"FCount", "<absent>"}}},
    {"CEditNotInstalled", 4, "", -1, {{"FCount", "<no key>"}}},
    {"LetterListTrimmed",
     5,
     "\"MRUList\"=\"  cab \"\n\"a\"=\"\\\\A\"\n\"b\"=\"\\\\B\"\n\"c\"=\"\\\\C\"\n\"d\"=\"\\\\D\"\n"
     "\"MRUList0\"=\"x\"\n",
     3,
     {{"MRUList", "<absent>"},
      {"a", "<absent>"},
      {"b", "<absent>"},
      {"c", "<absent>"},
      {"d", "\\D"},
      {"MRUList0", "x"},
      {" ", "<absent>"}}},
    {"LetterListMissing", 5, "\"a\"=\"x\"\n", 0, {{"a", "x"}}},
    {"LetterListEmpty",
     5,
     "\"MRUList\"=\"   \"\n\"a\"=\"x\"\n",
     0,
     {{"MRUList", "   "}, {"a", "x"}}},
    {"LetterListNotText",
     5,
     "\"MRUList\"=dword:00000061\n\"a\"=\"x\"\n",
     0,
     {{"MRUList", "dword:97"}, {"a", "x"}}},
    {"LetterListNamesMissingValues",
     5,
     "\"MRUList\"=\"ab\"\n\"a\"=\"x\"\n",
     2,
     {{"MRUList", "<absent>"}, {"a", "<absent>"}}},
};

void PrintTo(const CountCase& c, std::ostream* os) {
    *os << c.name;
}

class MruCount : public testing::TestWithParam<CountCase> {};

TEST_P(MruCount, CountsClearsAndFlushes) {
    const CountCase& c = GetParam();
    std::string reg = kRegHeader;
    if (!c.values.empty()) reg += "[" + Key(c.row) + "]\n" + c.values + "\n";
    // A neighbour of every row's key that must survive.
    reg += "[HKEY_CURRENT_USER\\Software\\Neighbour]\n\"0\"=\"n\"\n\"File1\"=\"n\"\n";
    TempDevice dev("", reg);
    auto p = dev.Open();
    app::RunState run(*p);
    mru::BuildMruTable(run);

    EXPECT_EQ(MruEntryCount(run, c.row, false), c.count);
    EXPECT_EQ(MruEntryCount(run, c.row, false), c.count) << "counting changed something";
    EXPECT_EQ(MruEntryCount(run, c.row, true), c.count);
    EXPECT_EQ(MruEntryCount(run, c.row, false), c.count < 0 ? -1 : 0);

    // What the clear left, as a second look at the saved image sees it.
    auto saved = dev.Open();
    for (const auto& [name, value] : c.after) {
        EXPECT_EQ(ValueOf(*p, Key(c.row), name), value) << name;
        EXPECT_EQ(ValueOf(*saved, Key(c.row), name), value) << name << " (saved)";
    }
    EXPECT_EQ(ValueOf(*saved, "HKEY_CURRENT_USER\\Software\\Neighbour", "0"), "n");
    EXPECT_EQ(ValueOf(*saved, "HKEY_CURRENT_USER\\Software\\Neighbour", "File1"), "n");
}

INSTANTIATE_TEST_SUITE_P(Schemes, MruCount, testing::ValuesIn(kCountCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MruTable, RowsOutsideTheirSchemeGiveZero) {
    std::string reg = kRegHeader;
    reg += "[" + Key(0) + "]\n\"0\"=\"a\"\n\n";
    reg += "[" + Key(1) + "]\n\"Playlist \"=\"ab\"\n\"a\"=\"x\"\n\"Playlist 1\"=\"y\"\n\n";
    TempDevice dev("", reg);
    auto p = dev.Open();
    app::RunState run(*p);
    mru::BuildMruTable(run);

    EXPECT_EQ(MruEntryCount(run, -1, true), 0);
    EXPECT_EQ(MruEntryCount(run, 8, true), 0);
    EXPECT_EQ(mru::CountNumberedValues(run, 8, true), 0);
    // The letter-list scheme serves rows 4 to 7 only.
    EXPECT_EQ(mru::CountLetterList(run, 0, true), 0);
    EXPECT_EQ(mru::CountLetterList(run, 1, true), 0);
    EXPECT_EQ(ValueOf(*p, Key(1), "a"), "x");
    EXPECT_EQ(ValueOf(*p, Key(1), "Playlist "), "ab");
    EXPECT_EQ(ValueOf(*p, Key(0), "0"), "a");
    EXPECT_EQ(MruEntryCount(run, 1, false), 1);
}

TEST(MruTable, ValuesThatCannotBeDeletedStayCounted) {
    std::string reg = kRegHeader;
    reg += "[" + Key(1) + "]\n\"Playlist 1\"=\"a\"\n\"Playlist 2\"=\"b\"\n\"Playlist 3\"=\"c\"\n\n";
    reg += "[" + Key(5) + "]\n\"MRUList\"=\"abc\"\n\"a\"=\"A\"\n\"b\"=\"B\"\n\"c\"=\"C\"\n\n";
    TempDevice dev("", reg);
    auto image = dev.Open();
    LockedValuesPlatform p(*image, {u"playlist 1", u"B"});
    app::RunState run(p);
    mru::BuildMruTable(run);

    EXPECT_EQ(MruEntryCount(run, 1, true), 3);
    EXPECT_EQ(ValueOf(p, Key(1), "Playlist 1"), "a");
    EXPECT_EQ(ValueOf(p, Key(1), "Playlist 2"), "<absent>");
    EXPECT_EQ(ValueOf(p, Key(1), "Playlist 3"), "<absent>");
    EXPECT_EQ(MruEntryCount(run, 1, false), 1);  // found again

    EXPECT_EQ(MruEntryCount(run, 5, true), 3);
    EXPECT_EQ(ValueOf(p, Key(5), "a"), "<absent>");
    EXPECT_EQ(ValueOf(p, Key(5), "b"), "B");
    EXPECT_EQ(ValueOf(p, Key(5), "c"), "<absent>");
    EXPECT_EQ(ValueOf(p, Key(5), "MRUList"), "<absent>");
}

TEST(MruTable, ClearSelectedEmptiesTickedRowsOnly) {
    std::string reg = kRegHeader;
    reg += "[" + Key(0) + "]\n\"0\"=\"a\"\n\n";
    reg += "[" + Key(2) + "]\n\"MRU0\"=\"a\"\n\n";
    reg += "[" + Key(4) + "]\n\"File1\"=\"a\"\n\"FCount\"=dword:00000001\n\n";
    reg += "[" + Key(5) + "]\n\"MRUList\"=\"a\"\n\"a\"=\"x\"\n\n";
    reg += "[" + Key(7) + "]\n\"0\"=\"a\"\n\n";
    TempDevice dev("", reg);
    auto p = dev.Open();
    app::RunState run(*p);
    mru::BuildMruTable(run);
    run.mru.flags = {7, 0, 0, 1, 1, 0, 0, -1};  // any non-zero value ticks; row 3 not installed

    mru::ClearSelectedMru(run);
    const int want[8] = {0, -1, 1, -1, 0, 1, -1, 0};
    for (int row = 0; row < 8; ++row) EXPECT_EQ(MruEntryCount(run, row, false), want[row]) << row;
    EXPECT_EQ(ValueOf(*p, Key(4), "FCount"), "dword:0");
    EXPECT_EQ(ValueOf(*p, Key(3), "MRU0"), "<no key>");  // nothing created
}

TEST(MruSelection, RoundTripThroughTheSettingsKey) {
    TempDevice dev;
    {
        auto p = dev.Open();
        app::RunState run(*p);
        mru::BuildMruTable(run);
        run.mru.flags = {1, 0, 5, 0, 0, 0, 0, 1};
        mru::SaveMruSelection(run);
        EXPECT_EQ(ValueOf(*p, kSettings, "MRU"), "85");
        auto saved = dev.Open();
        EXPECT_EQ(ValueOf(*saved, kSettings, "MRU"), "85");
    }
    auto p = dev.Open();
    app::RunState run(*p);
    mru::BuildMruTable(run);
    const std::array<int32_t, 8> want{1, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(run.mru.flags, want);

    run.mru.flags.fill(0);
    mru::SaveMruSelection(run);
    EXPECT_EQ(ValueOf(*p, kSettings, "MRU"), "0");
}

TEST(MruSelection, LoadsWhatIsStored) {
    struct Case {
        const char* stored;  // the export's data for "MRU"
        std::array<int32_t, 8> flags;
    };
    const Case cases[] = {
        {"\" 85 \"", {1, 0, 1, 0, 0, 0, 0, 1}},       {"\"ff\"", {1, 1, 1, 1, 1, 1, 1, 1}},
        {"\"1FF\"", {1, 1, 1, 1, 1, 1, 1, 1}},        {"\"0\"", {0, 0, 0, 0, 0, 0, 0, 0}},
        {"\"8G\"", {0, 0, 0, 0, 0, 0, 0, 0}},         {"\"\"", {0, 0, 0, 0, 0, 0, 0, 0}},
        {"dword:00000085", {0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        TempDevice dev("",
                       std::string(kRegHeader) + "[" + kSettings + "]\n\"MRU\"=" + c.stored + "\n");
        auto p = dev.Open();
        app::RunState run(*p);
        mru::BuildMruTable(run);
        EXPECT_EQ(run.mru.flags, c.flags);
    }
}

}  // namespace

namespace {

// The sample device carries recent-file lists for most of the eight applications.
TEST(MruSample, SampleDeviceHasRecentLists) {
    char tmpl[] = "/tmp/tm-mru-sample-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = std::string(tmpl) + "/image";
    std::string error;
    ASSERT_TRUE(platform::CreateSampleDevice(dir, error)) << error;
    {
        auto p = platform::DeviceImage::Open(dir, error);
        ASSERT_TRUE(p) << error;
        app::RunState run(*p);
        mru::BuildMruTable(run);
        const int want[8] = {3, 3, 4, -1, 3, 3, 2, 3};
        for (int row = 0; row < 8; ++row)
            EXPECT_EQ(MruEntryCount(run, row, false), want[row]) << row;
    }
    std::filesystem::remove_all(tmpl);
}

}  // namespace
