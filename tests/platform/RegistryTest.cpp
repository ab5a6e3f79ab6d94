// The registry of a device image: key and value semantics, the export format, saving.

#include <gtest/gtest.h>

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
