// The device's file system on an image folder: names, enumeration, attributes, deletion.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "platform/Jail.h"
#include "platform/Text.h"
#include "support/TempDevice.h"

using namespace tidy;
using platform::FindData;
using test::TempDevice;
using text::FromUtf8;
using text::ToUtf8;

namespace {

std::set<std::string> List(platform::Platform& p, const std::string& pattern,
                           bool foldersOnly = false) {
    std::set<std::string> out;
    FindData d;
    auto h = p.FindFirst(FromUtf8(pattern), d, foldersOnly);
    if (!h) return out;
    do {
        EXPECT_TRUE(out.insert(ToUtf8(d.name)).second) << "listed twice: " << ToUtf8(d.name);
    } while (h->Next(d));
    return out;
}

}  // namespace

TEST(Pattern, MatchesAsTheDeviceDoes) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*.*", "readme", true},
        {"*.*", "a.b.c", true},
        {"*", ".hidden", true},
        {"*.txt", "a.TXT", true},
        {"*.txt", "a.txt.bak", false},
        {"*.txt", "txt", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c", "abbc", false},
        {"*.", "noext", true},
        {"*.", "a.b", false},
        {"a*.*", "abc", true},
        {"thumbs.db", "Thumbs.db", true},
        {"*cache*", "MyCacheDir", true},
        {"*.tmp", "x.tmp", true},
        {"~*.tmp", "~wrd0001.tmp", true},
        {"~*.tmp", "wrd.tmp", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            platform::MatchesPattern(text::Fold(FromUtf8(c.pattern)), text::Fold(FromUtf8(c.name))),
            c.match)
            << c.pattern << " vs " << c.name;
    }
}

TEST(FileSystem, EnumeratesWithoutDotEntriesAndHonoursFoldersOnly) {
    TempDevice dev;
    dev.WriteFile("\\Temp\\a.txt", "12345");
    dev.WriteFile("\\Temp\\B.log", "");
    dev.WriteFile("\\Temp\\noext", "x");
    dev.MakeDir("\\Temp\\Sub");
    auto img = dev.Open();
    EXPECT_EQ(List(*img, "\\Temp\\*.*"), (std::set<std::string>{"a.txt", "B.log", "noext", "Sub"}));
    EXPECT_EQ(List(*img, "\\temp\\*.LOG"), (std::set<std::string>{"B.log"}));
    EXPECT_EQ(List(*img, "\\Temp\\*.*", true), (std::set<std::string>{"Sub"}));
    EXPECT_TRUE(List(*img, "\\Temp\\*.zip").empty());
    EXPECT_TRUE(List(*img, "\\Missing\\*.*").empty());
    EXPECT_TRUE(List(*img, "\\Temp\\").empty());

    FindData d;
    auto h = img->FindFirst(u"\\TEMP\\A.TXT", d);  // no wildcard: the entry itself
    ASSERT_TRUE(h);
    EXPECT_EQ(d.name, u"a.txt");
    EXPECT_EQ(d.sizeLow, 5u);
    EXPECT_EQ(d.attributes, platform::kAttrNormal);
    EXPECT_FALSE(h->Next(d));
}

TEST(FileSystem, NamesIgnoreCaseAndKeepTheirCase) {
    TempDevice dev;
    dev.WriteFile("\\My Documents\\Report.DOC", "r");
    auto img = dev.Open();
    uint32_t a = 0;
    EXPECT_TRUE(img->GetAttributes(u"\\my documents\\report.doc", a));
    EXPECT_TRUE(img->GetAttributes(u"\\MY DOCUMENTS", a));
    EXPECT_EQ(a, platform::kAttrDirectory);
    EXPECT_TRUE(img->GetAttributes(u"\\", a));
    std::string bytes;
    EXPECT_TRUE(img->ReadFile(u"\\MY DOCUMENTS\\report.doc", bytes));
    EXPECT_EQ(bytes, "r");
    // Writing through another spelling replaces the stored file, keeping its name.
    EXPECT_TRUE(img->WriteFile(u"\\my documents\\REPORT.doc", "new"));
    EXPECT_EQ(dev.ReadFile("\\My Documents\\Report.DOC"), "new");
    EXPECT_EQ(List(*img, "\\My Documents\\*.*"), (std::set<std::string>{"Report.DOC"}));
    // A new folder keeps the spelling it was given.
    EXPECT_TRUE(img->CreateDirectory(u"\\my documents\\Ünïcode Ordner"));
    EXPECT_TRUE(dev.Exists("\\My Documents\\Ünïcode Ordner"));
    EXPECT_TRUE(img->GetAttributes(u"\\MY DOCUMENTS\\üNÏCODE ORDNER", a));
    EXPECT_FALSE(img->CreateDirectory(u"\\My Documents\\ÜNÏCODE ordner"));  // exists already
    EXPECT_FALSE(img->CreateDirectory(u"\\No\\Such\\Parent"));
}

TEST(FileSystem, RefusesOverlongAndMalformedPaths) {
    TempDevice dev;
    dev.WriteFile("\\a.txt", "x");
    auto img = dev.Open();
    uint32_t a;
    std::u16string longName(300, u'x');
    EXPECT_FALSE(img->CreateDirectory(u"\\" + longName));
    std::u16string atLimit = u"\\" + std::u16string(258, u'y');  // 259 + terminator = 260
    EXPECT_TRUE(img->WriteFile(atLimit.substr(0, 250), "ok"));
    EXPECT_FALSE(img->GetAttributes(u"a.txt", a));  // relative
    EXPECT_FALSE(img->GetAttributes(u"\\a*.txt", a));
    EXPECT_TRUE(img->GetAttributes(u"\\\\a.txt", a));  // doubled separators are one
}

TEST(FileSystem, ReadOnlyInUseFoldersAndMissingCannotBeDeleted) {
    TempDevice dev("[faults]\nin_use = [\"\\\\Temp\\\\open.dat\"]\n");
    dev.WriteFile("\\Temp\\ro.txt", "r");
    dev.WriteFile("\\Temp\\open.dat", "o");
    dev.WriteFile("\\Temp\\plain.txt", "p");
    dev.WriteFile("\\Temp\\Full\\x", "x");
    dev.MakeDir("\\Temp\\Empty");
    ::chmod(dev.HostPath("\\Temp\\ro.txt").c_str(), 0444);
    auto img = dev.Open();

    uint32_t a = 0;
    ASSERT_TRUE(img->GetAttributes(u"\\Temp\\ro.txt", a));
    EXPECT_EQ(a, platform::kAttrReadOnly);
    EXPECT_FALSE(img->DeleteFile(u"\\Temp\\ro.txt"));
    EXPECT_FALSE(img->DeleteFile(u"\\temp\\OPEN.DAT"));
    std::string bytes;
    EXPECT_FALSE(img->ReadFile(u"\\Temp\\open.dat", bytes));
    platform::FileStatus st;
    EXPECT_FALSE(img->GetStatus(u"\\Temp\\open.dat", st));
    EXPECT_FALSE(img->DeleteFile(u"\\Temp\\Empty"));
    EXPECT_FALSE(img->DeleteFile(u"\\Temp\\gone.txt"));
    EXPECT_FALSE(img->RemoveDirectory(u"\\Temp\\Full"));
    EXPECT_TRUE(dev.Exists("\\Temp\\ro.txt"));
    EXPECT_TRUE(dev.Exists("\\Temp\\open.dat"));

    EXPECT_TRUE(img->DeleteFile(u"\\TEMP\\Plain.txt"));
    EXPECT_FALSE(dev.Exists("\\Temp\\plain.txt"));
    EXPECT_TRUE(img->RemoveDirectory(u"\\Temp\\empty"));
    EXPECT_FALSE(dev.Exists("\\Temp\\Empty"));

    // Clearing read-only makes the file deletable; setting it protects again.
    EXPECT_TRUE(img->SetAttributes(u"\\Temp\\ro.txt", platform::kAttrNormal));
    EXPECT_TRUE(img->GetStatus(u"\\Temp\\ro.txt", st));
    EXPECT_EQ(st.size, 1u);
    EXPECT_EQ(st.attributes, platform::kAttrNormal);
    EXPECT_TRUE(
        img->SetAttributes(u"\\Temp\\ro.txt", platform::kAttrReadOnly | platform::kAttrHidden));
    ASSERT_TRUE(img->GetAttributes(u"\\Temp\\ro.txt", a));
    EXPECT_EQ(a, platform::kAttrReadOnly | platform::kAttrHidden);
    EXPECT_FALSE(img->WriteFile(u"\\Temp\\ro.txt", "changed"));
    EXPECT_FALSE(img->AppendText(u"\\Temp\\ro.txt", "more"));
    EXPECT_EQ(dev.ReadFile("\\Temp\\ro.txt"), "r");
}

TEST(FileSystem, CopyWriteAppendAndCards) {
    TempDevice dev(
        "storage_cards = [\"Storage Card\", \"SD Card\", \"Absent\"]\n"
        "[attributes]\n\"\\\\Storage Card\\\\desktop.ini\" = [\"hidden\", \"system\"]\n");
    dev.WriteFile("\\src.bin", std::string("a\0b", 3));
    dev.WriteFile("\\Storage Card\\desktop.ini", "[x]");
    dev.MakeDir("\\SD Card");
    auto img = dev.Open();

    EXPECT_TRUE(img->CopyFile(u"\\src.bin", u"\\dst.bin", true));
    EXPECT_EQ(dev.ReadFile("\\dst.bin"), std::string("a\0b", 3));
    EXPECT_TRUE(img->WriteFile(u"\\src.bin", "second"));
    EXPECT_FALSE(img->CopyFile(u"\\src.bin", u"\\DST.BIN", true));
    EXPECT_TRUE(img->CopyFile(u"\\src.bin", u"\\DST.BIN", false));
    EXPECT_EQ(dev.ReadFile("\\dst.bin"), "second");
    EXPECT_FALSE(img->CopyFile(u"\\missing", u"\\x", false));

    EXPECT_TRUE(img->AppendText(u"\\log.txt", "one\n"));
    EXPECT_TRUE(img->AppendText(u"\\LOG.TXT", "two\n"));
    EXPECT_EQ(dev.ReadFile("\\log.txt"), "one\ntwo\n");
    EXPECT_FALSE(img->WriteFile(u"\\nofolder\\x.txt", "x"));

    FindData d;
    std::vector<std::string> cards;
    auto h = img->FindFirstStorageCard(d);
    ASSERT_TRUE(h);
    do {
        cards.push_back(ToUtf8(d.name));
        EXPECT_EQ(d.attributes, platform::kAttrDirectory | platform::kAttrTemporary);
    } while (h->Next(d));
    EXPECT_EQ(cards, (std::vector<std::string>{"Storage Card", "SD Card"}));
    uint32_t a = 0;
    ASSERT_TRUE(img->GetAttributes(u"\\storage card\\DESKTOP.INI", a));
    EXPECT_EQ(a, platform::kAttrHidden | platform::kAttrSystem);
    ASSERT_TRUE(img->GetAttributes(u"\\Storage Card", a));
    EXPECT_EQ(a, platform::kAttrDirectory | platform::kAttrTemporary);
    dev.MakeDir("\\SD Card");
    EXPECT_FALSE(img->RemoveDirectory(u"\\SD Card"));  // a card folder stays
    // No temporary leftovers beside replaced files.
    EXPECT_EQ(List(*img, "\\*.*"),
              (std::set<std::string>{"src.bin", "dst.bin", "log.txt", "Storage Card", "SD Card"}));
}
