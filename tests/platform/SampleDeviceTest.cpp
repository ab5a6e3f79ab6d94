// The sample device image built from the embedded resources/sample files.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/SampleDevice.h"
#include "platform/Text.h"
#include "support/TempDevice.h"

using namespace tidy;
using namespace tidy::platform;
using test::TempDevice;
namespace fs = std::filesystem;

TEST(SampleDevice, IsARealisticWorkingImage) {
    TempDevice holder;
    const std::string dir = holder.dir + "/new/image";
    std::string error;
    ASSERT_TRUE(CreateSampleDevice(dir, error)) << error;
    auto img = DeviceImage::Open(dir, error);
    ASSERT_TRUE(img) << error;
    img->SetSelfExecutable("/bin/true");

    uint32_t a = 0;
    for (const char16_t* p : {u"\\Windows\\Start Menu\\Programs", u"\\Windows\\StartUp", u"\\Temp",
                              u"\\My Documents", u"\\Application Data", u"\\Storage Card"})
        EXPECT_TRUE(img->GetAttributes(p, a) && (a & kAttrDirectory)) << text::ToUtf8(p);
    ASSERT_TRUE(img->GetAttributes(u"\\Storage Card\\desktop.ini", a));
    EXPECT_EQ(a, kAttrHidden | kAttrSystem);
    ASSERT_TRUE(img->GetAttributes(u"\\Windows\\wince.nls", a));
    EXPECT_EQ(a, kAttrReadOnly);
    FindData d;
    EXPECT_TRUE(img->FindFirstStorageCard(d));

    // Shortcuts point at programs that exist.
    std::u16string target;
    ASSERT_TRUE(img->ReadShortcut(u"\\Windows\\Start Menu\\Programs\\Word Mobile.lnk", target));
    EXPECT_EQ(target, u"\"\\Windows\\pword.exe\"");
    EXPECT_TRUE(img->GetAttributes(u"\\Windows\\pword.exe", a));
    platform::FileStatus st;
    ASSERT_TRUE(img->GetStatus(u"\\Temp\\install.cab", st));
    EXPECT_EQ(st.size, 81920u);

    RegKey k(*img);
    ASSERT_TRUE(k.Open(HKEY_LOCAL_MACHINE, u"Comm"));
    uint32_t type = 0, v = 0, size = 4;
    ASSERT_EQ(
        img->RegQueryValue(k.Handle(), u"BootCount", &type, reinterpret_cast<uint8_t*>(&v), &size),
        kRegOk);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_GT(v, 0u);
    EXPECT_TRUE(k.Open(HKEY_CURRENT_USER, u"Software\\Microsoft\\Shell\\TaskSwitch"));
    EXPECT_TRUE(k.Open(HKEY_LOCAL_MACHINE,
                       u"Software\\Microsoft\\Internet Explorer\\Explorer\\AddressHistory"));
    EXPECT_TRUE(k.Open(HKEY_LOCAL_MACHINE, u"System\\Filesys"));
    k.Close();

    // Nothing of the build is left beside the image.
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"device.toml", "fs", "registry.reg", "registry.lock"}));
}

TEST(SampleDevice, RefusesAFolderInUse) {
    TempDevice dev;  // already holds an image
    std::string before = test::ReadHostFile(dev.dir + "/device.toml");
    std::string error;
    EXPECT_FALSE(CreateSampleDevice(dev.dir, error));
    EXPECT_NE(error.find("not empty"), std::string::npos) << error;
    EXPECT_EQ(test::ReadHostFile(dev.dir + "/device.toml"), before);
    EXPECT_FALSE(fs::exists(dev.dir + "/registry.reg"));
}

TEST(SampleDevice, FilesFormatErrorsNameTheLine) {
    TempDevice dev;
    auto img = dev.Open();
    struct Case {
        std::string text;
        std::string expect;
    } cases[] = {
        {"dir \\A\nlink \\A\\b -> /etc\n", "t.files:2: unknown directive \"link\""},
        {"file 12 \\..\\x\n", "t.files:1: \"\\..\\x\" is not an absolute device path"},
        {"file big \\x\n", "t.files:1: file needs a size"},
        {"shortcut \\a.lnk\n", "t.files:1: shortcut needs"},
        {"readonly \\missing\n", "t.files:1: cannot make"},
        {"| stray\n", "t.files:1: a text line"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ApplySampleFiles(*img, c.text, "t.files", error)) << c.text;
        EXPECT_EQ(error.rfind(c.expect, 0), 0u) << error;
    }
    std::string error;
    ASSERT_TRUE(ApplySampleFiles(*img,
                                 "# comment\n\ntext \\Docs\\a.ini\n| [x]\n|\n| y=1\n"
                                 "file 5 \\Docs\\Deep\\b.bin\nshortcut \\s.lnk -> \"\\x.exe\" -a\n",
                                 "t.files", error))
        << error;
    EXPECT_EQ(dev.ReadFile("\\Docs\\a.ini"), "[x]\r\n\r\ny=1\r\n");
    EXPECT_EQ(dev.ReadFile("\\Docs\\Deep\\b.bin").size(), 5u);
    EXPECT_EQ(dev.ReadFile("\\s.lnk"), "11#\"\\x.exe\" -a");
}
