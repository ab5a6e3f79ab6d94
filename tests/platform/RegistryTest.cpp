// The registry of a device image: key and value semantics, the export format, saving.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/CodePage.h"
#include "platform/RegFile.h"
#include "platform/Text.h"
#include "support/TempDevice.h"

using namespace tidy;
using namespace tidy::platform;
using test::TempDevice;

namespace {

std::vector<uint8_t> Sz(std::u16string_view s) {
    std::vector<uint8_t> out;
    for (char16_t c : s) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    out.insert(out.end(), {0, 0});
    return out;
}

void SetSz(Platform& p, HKey root, const std::u16string& key, const std::u16string& name,
           const std::u16string& value, bool flush = true) {
    RegKey k(p);
    ASSERT_TRUE(k.Create(root, key));
    auto d = Sz(value);
    ASSERT_EQ(p.RegSetValue(k.Handle(), name, REG_SZ, d.data(), static_cast<uint32_t>(d.size())),
              kRegOk);
    if (flush) {
        ASSERT_EQ(p.RegFlushKey(k.Handle()), kRegOk);
    }
}

// Reads a value in two calls as the program does; "<absent>" when it cannot be read.
std::string Get(Platform& p, HKey root, const std::u16string& key, const std::u16string& name) {
    RegKey k(p);
    if (!k.Open(root, key)) return "<absent>";
    uint32_t type = 0, size = 0;
    if (p.RegQueryValue(k.Handle(), name, &type, nullptr, &size) != kRegOk) return "<absent>";
    std::vector<uint8_t> buf(size + 2);
    if (p.RegQueryValue(k.Handle(), name, &type, buf.data(), &size) != kRegOk) return "<error>";
    if (type == REG_DWORD) {
        uint32_t v;
        memcpy(&v, buf.data(), 4);
        return "dword:" + std::to_string(v);
    }
    std::u16string s;
    for (uint32_t i = 0; i + 1 < size; i += 2) {
        char16_t c = static_cast<char16_t>(buf[i] | (buf[i + 1] << 8));
        if (!c) break;
        s += c;
    }
    return text::ToUtf8(s);
}

std::vector<std::string> Subkeys(Platform& p, HKey root, const std::u16string& key) {
    std::vector<std::string> out;
    RegKey k(p);
    if (!k.Open(root, key)) return out;
    std::u16string n;
    for (uint32_t i = 0; p.RegEnumKey(k.Handle(), i, n) == kRegOk; ++i)
        out.push_back(text::ToUtf8(n));
    return out;
}

}  // namespace

TEST(Registry, KeysAndValuesIgnoreCaseKeepCaseAndDeleteRecursively) {
    TempDevice dev;
    auto img = dev.Open();
    SetSz(*img, HKEY_CURRENT_USER, u"Software\\Norvane\\Tidymatic", u"Options", u"1F");
    EXPECT_EQ(Get(*img, HKEY_CURRENT_USER, u"software\\NORVANE\\tidymatic", u"OPTIONS"), "1F");
    SetSz(*img, HKEY_CURRENT_USER, u"SOFTWARE\\norvane\\TIDYMATIC", u"options", u"2");
    RegKey k(*img);
    ASSERT_TRUE(k.Open(HKEY_CURRENT_USER, u"Software\\Norvane\\Tidymatic"));
    std::u16string name;
    ASSERT_EQ(img->RegEnumValue(k.Handle(), 0, name), kRegOk);
    EXPECT_EQ(name, u"Options");  // the first spelling stays
    EXPECT_EQ(img->RegEnumValue(k.Handle(), 1, name), kRegNoMoreItems);
    EXPECT_EQ(Subkeys(*img, HKEY_CURRENT_USER, u""), (std::vector<std::string>{"Software"}));

    // Size first, then data; a short buffer says how much is needed.
    uint32_t type = 0, size = 0;
    ASSERT_EQ(img->RegQueryValue(k.Handle(), u"Options", &type, nullptr, &size), kRegOk);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 4u);  // "2" and its terminator
    uint8_t small[2];
    size = 2;
    EXPECT_EQ(img->RegQueryValue(k.Handle(), u"Options", &type, small, &size), kRegMoreData);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(img->RegQueryValue(k.Handle(), u"Missing", &type, nullptr, &size), kRegNotFound);
    EXPECT_EQ(img->RegQueryValue(0xDEAD, u"Options", &type, nullptr, &size), kRegInvalidHandle);

    // Default value, binary, deletion of a value and of a key with subkeys.
    uint8_t bin[] = {1, 2, 3};
    ASSERT_EQ(img->RegSetValue(k.Handle(), u"", REG_BINARY, bin, 3), kRegOk);
    ASSERT_EQ(img->RegQueryValue(k.Handle(), u"", &type, nullptr, &size), kRegOk);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(img->RegDeleteValue(k.Handle(), u"options"), kRegOk);
    EXPECT_EQ(img->RegDeleteValue(k.Handle(), u"options"), kRegNotFound);
    SetSz(*img, HKEY_CURRENT_USER, u"Software\\Norvane\\Tidymatic\\Deep\\Deeper", u"x", u"y");
    RegKey parent(*img);
    ASSERT_TRUE(parent.Open(HKEY_CURRENT_USER, u"Software"));
    EXPECT_EQ(img->RegDeleteKey(parent.Handle(), u"NORVANE"), kRegOk);
    EXPECT_EQ(Get(*img, HKEY_CURRENT_USER, u"Software\\Norvane\\Tidymatic\\Deep\\Deeper", u"x"),
              "<absent>");
    // A handle to a deleted key reads as absent.
    EXPECT_EQ(img->RegQueryValue(k.Handle(), u"", &type, nullptr, &size), kRegNotFound);
    EXPECT_EQ(img->RegDeleteKey(parent.Handle(), u"Norvane"), kRegNotFound);
}

TEST(Registry, FlushPersistsAndAnotherOpenSeesIt) {
    TempDevice dev;
    {
        auto img = dev.Open();
        SetSz(*img, HKEY_LOCAL_MACHINE, u"Comm", u"Name", u"Ä \"quoted\" \\ back");
        RegKey k(*img);
        ASSERT_TRUE(k.Create(HKEY_LOCAL_MACHINE, u"Comm"));
        uint32_t v = 7;
        ASSERT_EQ(img->RegSetValue(k.Handle(), u"BootCount", REG_DWORD,
                                   reinterpret_cast<uint8_t*>(&v), 4),
                  kRegOk);
        ASSERT_EQ(img->RegFlushKey(k.Handle()), kRegOk);
    }
    auto again = dev.Open();
    EXPECT_EQ(Get(*again, HKEY_LOCAL_MACHINE, u"comm", u"bootcount"), "dword:7");
    EXPECT_EQ(Get(*again, HKEY_LOCAL_MACHINE, u"Comm", u"Name"), "Ä \"quoted\" \\ back");
}

namespace {

std::unique_ptr<CodePage> Cp1252() {
    std::string e;
    return CodePage::Open(1252, e);
}

// Parses text into a tree.
bool Load(const std::string& bytes, RegTree& tree, std::string& error) {
    std::vector<RegOp> ops;
    auto cp = Cp1252();
    if (!ParseRegFile(bytes, "x.reg", *cp, ops, error)) return false;
    for (auto& op : ops) tree.Apply(op);
    return true;
}

}  // namespace

TEST(RegFile, MalformedExportsNameLineAndReason) {
    struct Case {
        std::string text;
        std::string where;  // "x.reg:<line>:" and a part of the reason
        std::string why;
    } cases[] = {
        {"", "x.reg:1:", "empty"},
        {"REGEDIT5\n", "x.reg:1:", "not a registry export"},
        {"REGEDIT4\n\"a\"=\"b\"\n", "x.reg:2:", "before the first key"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\n", "x.reg:2:", "closing ']'"},
        {"REGEDIT4\n[HKLM\\A]\n\"a\"=dword:1234567890\n", "x.reg:3:", "dword"},
        {"REGEDIT4\n[HKLM\\A]\n\"a\"=dword:xyz\n", "x.reg:3:", "hex digit"},
        {"REGEDIT4\n[HKLM\\A]\n\"a\"=hex:01,zz\n", "x.reg:3:", "hex byte"},
        {"REGEDIT4\n[HKLM\\A]\n\"a\"=hex:01,\\\n  02,\\\n  0g\n", "x.reg:5:", "hex byte"},
        {"REGEDIT4\n[HKLM\\A]\n\"a\"=\"open\n", "x.reg:3:", "closing quote"},
        {"REGEDIT4\n[HKLM\\A]\n\"a\"=\"x\" tail\n", "x.reg:3:", "closing quote"},
        {"REGEDIT4\n[HKLM\\A]\n\"a\"=wat\n", "x.reg:3:", "unknown value data"},
        {"REGEDIT4\n[HKLM\\A]\n\"a\"\n", "x.reg:3:", "'='"},
        {"REGEDIT4\n[NOWHERE\\A]\n", "x.reg:2:", "unknown root"},
        {"REGEDIT4\n[HKLM\\A]\ngarbage\n", "x.reg:3:", "unexpected"},
    };
    for (const auto& c : cases) {
        RegTree t;
        std::string error;
        EXPECT_FALSE(Load(c.text, t, error)) << c.text;
        EXPECT_EQ(error.rfind(c.where, 0), 0u) << error;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
}

TEST(RegFile, ReadsEveryFormAnExportTakes) {
    // REGEDIT4 with 8-bit text, continuation lines, deletions and a root the device lacks.
    std::string v4 =
        "REGEDIT4\r\n\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\A]\r\n"
        "@=\"default\"\r\n"
        "\"Text\"=\"caf\xe9 \\\"q\\\" c:\\\\dir\"\r\n"
        "\"Num\"=dword:0000000A\r\n"
        "\"Cmd\"=\"\\\\Windows\\\\wceload.exe \"%1\"\"\r\n"
        "\"Bin\"=hex:01,02,\\\r\n"
        "      03\r\n"
        "\"Multi\"=hex(7):61,00,62,00,00\r\n"
        "\"Gone\"=\"soon\"\r\n"
        "\"Gone\"=-\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\B\\Child]\r\n"
        "[-HKEY_LOCAL_MACHINE\\Software\\B]\r\n"
        "[HKEY_USERS\\Guest]\r\n"
        "\"Ignored\"=\"x\"\r\n"
        "[HKCU\\Empty]\r\n";
    RegTree t;
    std::string error;
    ASSERT_TRUE(Load(v4, t, error)) << error;
    RegNode* a = t.Find(2, {u"software", u"a"});
    ASSERT_TRUE(a);
    EXPECT_EQ(a->values.size(), 6u);
    EXPECT_EQ(a->Value(u"cmd")->data, Sz(u"\\Windows\\wceload.exe \"%1\""));
    EXPECT_EQ(a->Value(u"")->data, Sz(u"default"));
    EXPECT_EQ(a->Value(u"text")->data, Sz(u"café \"q\" c:\\dir"));
    EXPECT_EQ(a->Value(u"num")->data, (std::vector<uint8_t>{10, 0, 0, 0}));
    EXPECT_EQ(a->Value(u"bin")->data, (std::vector<uint8_t>{1, 2, 3}));
    // REGEDIT4 keeps multi-strings as 8-bit text; the device holds UTF-16.
    EXPECT_EQ(a->Value(u"multi")->type, REG_MULTI_SZ);
    EXPECT_EQ(a->Value(u"multi")->data, (std::vector<uint8_t>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
    EXPECT_FALSE(a->Value(u"gone"));
    EXPECT_FALSE(t.Find(2, {u"Software", u"B"}));
    EXPECT_TRUE(t.Find(1, {u"Empty"}));

    // Version 5 as UTF-16LE with a byte-order mark.
    std::u16string v5 =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Ω]\r\n"
        u"\"Name\"=\"Ωmega\"\r\n\"Exp\"=hex(2):25,00,00,00\r\n\"Odd\"=hex(20):ff\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : v5) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    RegTree t5;
    ASSERT_TRUE(Load(bytes, t5, error)) << error;
    RegNode* o = t5.Find(1, {u"ω"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->name, u"Ω");
    EXPECT_EQ(o->Value(u"name")->data, Sz(u"Ωmega"));
    EXPECT_EQ(o->Value(u"exp")->type, REG_EXPAND_SZ);
    EXPECT_EQ(o->Value(u"exp")->data, (std::vector<uint8_t>{0x25, 0, 0, 0}));
    EXPECT_EQ(o->Value(u"odd")->type, 0x20u);
}

TEST(RegFile, AKeyDeletedAndMadeAgainStartsEmpty) {
    // Values come key by key; a key deleted between two sections of the same name must not
    // be found again under its old values.
    const std::string reg =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A\\B]\n\"x\"=\"1\"\n"
        "[-HKEY_LOCAL_MACHINE\\A\\B]\n"
        "[HKEY_LOCAL_MACHINE\\A\\B]\n\"y\"=\"2\"\n"
        "[HKEY_LOCAL_MACHINE\\A\\b]\n\"Z\"=\"3\"\n";
    RegTree t;
    std::string error;
    ASSERT_TRUE(Load(reg, t, error)) << error;
    RegNode* b = t.Find(2, {u"a", u"b"});
    ASSERT_TRUE(b);
    EXPECT_FALSE(b->Value(u"x"));
    EXPECT_TRUE(b->Value(u"y"));
    EXPECT_TRUE(b->Value(u"z"));  // another spelling, the same key
    EXPECT_EQ(t.Find(2, {u"A"})->subkeys.size(), 1u);
}

TEST(RegFile, KeysOfManyValuesFindThemIgnoringCase) {
    std::string reg = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Many]\n";
    for (int i = 0; i < 600; ++i) reg += "\"Value" + std::to_string(i) + "\"=\"old\"\n";
    reg += "\"VALUE5\"=\"new\"\n\"value10\"=-\n\"Value600\"=\"added\"\n";
    reg += "\"value11\"=-\n\"VALUE11\"=\"back\"\n";
    RegTree t;
    std::string error;
    ASSERT_TRUE(Load(reg, t, error)) << error;
    RegNode* n = t.Find(2, {u"many"});
    ASSERT_TRUE(n);
    EXPECT_EQ(n->values.size(), 600u);                // 600 - value10 + Value600
    EXPECT_EQ(n->Value(u"value5")->name, u"Value5");  // the stored spelling stays
    EXPECT_EQ(n->Value(u"value5")->data, Sz(u"new"));
    EXPECT_FALSE(n->Value(u"value10"));
    EXPECT_EQ(n->Value(u"value11")->name, u"VALUE11");
    EXPECT_EQ(n->Value(u"value599")->data, Sz(u"old"));
    EXPECT_EQ(n->Value(u"value600")->data, Sz(u"added"));
}

TEST(RegFile, WritingReadsBackExactly) {
    RegTree t;
    auto set = [&](std::vector<std::u16string> path, std::u16string name, uint32_t type,
                   std::vector<uint8_t> data) {
        RegOp op;
        op.kind = RegOp::kSetValue;
        op.root = 2;
        op.path = std::move(path);
        op.value = RegValue{std::move(name), type, std::move(data)};
        t.Apply(op);
    };
    std::vector<uint8_t> big(300);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    set({u"K"}, u"", REG_SZ, Sz(u"default"));
    set({u"K"}, u"quote\"back\\slash", REG_SZ, Sz(u"Ä\"\\ \U0001F600"));
    set({u"K"}, u"multiline", REG_SZ, Sz(u"a\r\nb"));
    set({u"K"}, u"noterm", REG_SZ, {'a', 0});
    set({u"K"}, u"oddlen", REG_SZ, {'a', 0, 0});
    set({u"K"}, u"lone", REG_SZ, Sz(std::u16string(1, char16_t(0xD800))));
    set({u"K"}, u"exp", REG_EXPAND_SZ, Sz(u"%TEMP%"));
    set({u"K"}, u"multi", REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0});
    set({u"K"}, u"dw", REG_DWORD, {1, 2, 3, 4});
    set({u"K"}, u"shortdw", REG_DWORD, {1});
    set({u"K"}, u"none", REG_NONE, {});
    set({u"K"}, u"big", REG_BINARY, big);
    set({u"K"}, u"custom", 0x12345, {9});
    RegOp mk;
    mk.root = 0;
    mk.path = {u"Empty", u"Nested"};
    t.Apply(mk);

    std::string text = WriteRegFile(t);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
    for (const auto& line : {"\"dw\"=dword:04030201", "@=\"default\"",
                             "[HKEY_CLASSES_ROOT\\Empty\\Nested]", "\"multiline\"=hex(1):"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    RegTree back;
    std::string error;
    ASSERT_TRUE(Load(text, back, error)) << error;
    RegNode* a = t.Find(2, {u"K"});
    RegNode* b = back.Find(2, {u"K"});
    ASSERT_TRUE(b);
    ASSERT_EQ(a->values.size(), b->values.size());
    for (size_t i = 0; i < a->values.size(); ++i) {
        EXPECT_EQ(a->values[i].name, b->values[i].name);
        EXPECT_EQ(a->values[i].type, b->values[i].type) << text::ToUtf8(a->values[i].name);
        EXPECT_EQ(a->values[i].data, b->values[i].data) << text::ToUtf8(a->values[i].name);
    }
    EXPECT_TRUE(back.Find(0, {u"Empty", u"Nested"}));
    EXPECT_EQ(WriteRegFile(back), text);
}

TEST(RegFile, RealDeviceExportsLoadAndRoundTrip) {
    const std::string dir = "/work/shared/realdata/";
    std::string nav = test::ReadHostFile(dir + "ce6-navigation-unit.reg");
    std::string app = test::ReadHostFile(dir + "app-settings.reg");
    if (nav.empty() || app.empty()) GTEST_SKIP() << "real-world exports not present";
    auto cp = Cp1252();
    std::vector<RegOp> ops;
    std::vector<std::string> skipped;
    std::string error;
    ASSERT_TRUE(ParseRegFile(nav, "nav.reg", *cp, ops, error, &skipped)) << error;
    EXPECT_EQ(skipped, (std::vector<std::string>{"HKEY_USERS"}));
    RegTree t;
    for (auto& op : ops) t.Apply(op);
    RegNode* comm = t.Find(2, {u"comm"});
    ASSERT_TRUE(comm);
    ASSERT_TRUE(comm->Value(u"bootcount"));
    EXPECT_EQ(comm->Value(u"bootcount")->data, (std::vector<uint8_t>{0x14, 0x02, 0, 0}));
    EXPECT_TRUE(
        t.Find(0, {u"CLSID", u"{8D018493-3945-4c6a-A3B1-BABAEEC568D6}", u"IsSIPInputMethod"}));
    std::string written = WriteRegFile(t);
    RegTree back;
    ASSERT_TRUE(Load(written, back, error)) << error;
    EXPECT_EQ(WriteRegFile(back), written);

    RegTree a;
    ASSERT_TRUE(Load(app, a, error)) << error;
    RegNode* ilock = a.Find(2, {u"Software", u"Intermec", u"iLock"});
    ASSERT_TRUE(ilock);
    EXPECT_EQ(ilock->Value(u"title2waitfor")->data, Sz(u"000 - Hauptmenü"));
}

TEST(Registry, UnparsableFileIsRefusedAndNeverOverwritten) {
    const std::string bad = "REGEDIT4\n[HKLM\\A]\n\"x\"=dword:nothex\n";
    TempDevice dev("", bad);
    std::string error;
    EXPECT_FALSE(DeviceImage::Open(dev.dir, error));
    EXPECT_NE(error.find("registry.reg:3: "), std::string::npos) << error;
    EXPECT_EQ(dev.Registry(), bad);

    // Broken by someone else while open: the save fails and leaves the file as it is.
    TempDevice dev2;
    auto img = dev2.Open();
    test::WriteHostFile(dev2.dir + "/registry.reg", bad);
    RegKey k(*img);
    ASSERT_TRUE(k.Create(HKEY_LOCAL_MACHINE, u"A"));
    uint32_t v = 1;
    ASSERT_EQ(img->RegSetValue(k.Handle(), u"y", REG_DWORD, reinterpret_cast<uint8_t*>(&v), 4),
              kRegOk);
    testing::internal::CaptureStderr();
    EXPECT_NE(img->RegFlushKey(k.Handle()), kRegOk);
    k.Close();
    img.reset();  // the closing save fails the same way
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(dev2.Registry(), bad);
}

TEST(Registry, FlushWithoutChangesWritesNothing) {
    TempDevice dev("", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Comm]\n\"BootCount\"=dword:00000003\n");
    auto img = dev.Open();
    RegKey k(*img);
    ASSERT_TRUE(k.Create(HKEY_LOCAL_MACHINE, u"Comm"));
    uint32_t v = 3;
    ASSERT_EQ(
        img->RegSetValue(k.Handle(), u"BootCount", REG_DWORD, reinterpret_cast<uint8_t*>(&v), 4),
        kRegOk);
    ASSERT_EQ(img->RegFlushKey(k.Handle()), kRegOk);
    k.Close();
    img.reset();
    // Still the file as it was given (REGEDIT4), not rewritten.
    EXPECT_EQ(dev.Registry().rfind("REGEDIT4", 0), 0u);
}

TEST(Registry, TwoImagesOnOneDeviceNeverLoseFlushedWrites) {
    TempDevice dev;
    auto a = dev.Open();
    auto b = dev.Open();
    SetSz(*a, HKEY_CURRENT_USER, u"Shared", u"FromA", u"a");
    SetSz(*b, HKEY_CURRENT_USER, u"Shared", u"FromB", u"b");  // b read the file before a saved
    // After merging, b also sees what a saved.
    EXPECT_EQ(Get(*b, HKEY_CURRENT_USER, u"Shared", u"FromA"), "a");

    // Many saves from two threads, each on its own image object, as two processes would.
    auto writer = [&](Platform* p, const char* prefix) {
        for (int i = 0; i < 40; ++i)
            SetSz(*p, HKEY_LOCAL_MACHINE, u"Race", text::FromUtf8(prefix + std::to_string(i)),
                  u"v");
    };
    std::thread ta(writer, a.get(), "a"), tb(writer, b.get(), "b");
    ta.join();
    tb.join();
    a.reset();
    b.reset();
    auto c = dev.Open();
    EXPECT_EQ(Get(*c, HKEY_CURRENT_USER, u"Shared", u"FromB"), "b");
    RegKey k(*c);
    ASSERT_TRUE(k.Open(HKEY_LOCAL_MACHINE, u"Race"));
    std::u16string n;
    uint32_t count = 0;
    while (c->RegEnumValue(k.Handle(), count, n) == kRegOk) ++count;
    EXPECT_EQ(count, 80u);
    // Nothing but the image's own files is left beside the registry.
    for (const auto& e : std::filesystem::directory_iterator(dev.dir)) {
        std::string n = e.path().filename();
        EXPECT_TRUE(n == "fs" || n == "device.toml" || n == "registry.reg" || n == "registry.lock")
            << n;
    }
}

TEST(Registry, OneImageIsSafeFromTwoThreads) {
    TempDevice dev;
    auto img = dev.Open();
    auto worker = [&](int id) {
        for (int i = 0; i < 200; ++i) {
            std::u16string key =
                text::FromUtf8("T" + std::to_string(id) + "\\K" + std::to_string(i % 5));
            SetSz(*img, HKEY_CURRENT_USER, key, u"v", u"x", i % 50 == 0);
            EXPECT_EQ(Get(*img, HKEY_CURRENT_USER, key, u"v"), "x");
            RegKey parent(*img);
            if (parent.Open(HKEY_CURRENT_USER, text::FromUtf8("T" + std::to_string(id))))
                img->RegDeleteKey(parent.Handle(), text::FromUtf8("K" + std::to_string(i % 5)));
        }
    };
    std::thread t1(worker, 1), t2(worker, 2);
    t1.join();
    t2.join();
    EXPECT_EQ(Subkeys(*img, HKEY_CURRENT_USER, u"T1"), std::vector<std::string>{});
}

TEST(Registry, ImportMergesAnExport) {
    TempDevice dev("",
                   "REGEDIT4\n[HKEY_CURRENT_USER\\Keep]\n\"a\"=\"1\"\n"
                   "[HKEY_CURRENT_USER\\Drop\\Sub]\n\"b\"=\"2\"\n");
    std::string imp = dev.dir + "/../import-" + std::to_string(::getpid()) + ".reg";
    test::WriteHostFile(imp,
                        "Windows Registry Editor Version 5.00\n\n[-HKEY_CURRENT_USER\\Drop]\n"
                        "[HKEY_CURRENT_USER\\Keep]\n\"a\"=-\n\"c\"=dword:00000002\n");
    std::string error;
    ASSERT_TRUE(DeviceImage::ImportReg(dev.dir, imp, error)) << error;
    auto img = dev.Open();
    EXPECT_EQ(Get(*img, HKEY_CURRENT_USER, u"Keep", u"a"), "<absent>");
    EXPECT_EQ(Get(*img, HKEY_CURRENT_USER, u"Keep", u"c"), "dword:2");
    EXPECT_EQ(Subkeys(*img, HKEY_CURRENT_USER, u""), std::vector<std::string>{"Keep"});

    // A broken export changes nothing.
    std::string before = dev.Registry();
    test::WriteHostFile(imp, "REGEDIT4\n[HKCU\\X]\n\"y\"=oops\n");
    EXPECT_FALSE(DeviceImage::ImportReg(dev.dir, imp, error));
    EXPECT_NE(error.find(".reg:3: "), std::string::npos) << error;
    EXPECT_EQ(dev.Registry(), before);
    std::remove(imp.c_str());
}
