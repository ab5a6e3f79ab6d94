// "Auto clean on Start Up" end to end: ticked and applied in the Options dialog, then a soft
// reset boots the image, which starts the program from the start-up shortcut to clean.

#include <gtest/gtest.h>

#include "TestUi.h"
#include "app/RunState.h"
#include "settings/OptionsDlg.h"
#include "support/TempDevice.h"

namespace tidy::settings {
namespace {

// Temp (item 0) is the stored selection.
const char kRegistry[] = R"(Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Norvane\Tidymatic]
"Options"="1"
"Custom"="\\My Documents"
"Custom2"="\\My Documents"
"Custom3"="\\My Documents"
)";

bool JournalHas(const std::string& journal, const std::string& prefix, const std::string& part) {
    std::istringstream in(journal);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0 && line.find(part) != std::string::npos) return true;
    return false;
}

uint32_t BootCount(platform::Platform& p) {
    platform::RegKey k(p);
    uint32_t n = 0;
    if (!k.Open(platform::HKEY_LOCAL_MACHINE, u"Comm") ||
        !clean::ReadRegDword(p, k.Handle(), u"BootCount", n))
        return 0;
    return n;
}

TEST(StartupRoundTrip, TickedOptionCleansAtTheNextBoot) {
    test::TempDevice dev("", kRegistry);
    for (const char* d : {"\\Windows\\StartUp", "\\My Documents", "\\Program Files\\Tidymatic"})
        dev.MakeDir(d);
    dev.WriteFile("\\Temp\\junk.tmp", "junk");
    dev.WriteFile("\\My Documents\\keep.doc", "keep");
    {
        auto img = dev.Open(TM_EXECUTABLE);
        const std::string out = test::RunScript(*img, "toggle 1026\nmenu 1018\n",
                                                [](app::RunState& run) { RunOptionsDialog(run); });
        ASSERT_EQ(test::MessageBoxes(out),
                  std::vector<std::string>{"Startup option has been enabled."})
            << out;
    }
    // Nothing is cleaned before the reset.
    ASSERT_TRUE(dev.Exists("\\Temp\\junk.tmp"));

    std::string error;
    auto device = platform::DeviceImage::Open(dev.dir, error);
    ASSERT_TRUE(device) << error;
    device->SetSelfExecutable(TM_EXECUTABLE);
    ASSERT_TRUE(device->BootDevice(error)) << error;

    const std::string journal = dev.Journal();
    EXPECT_TRUE(JournalHas(journal, "boot\t", "1")) << journal;
    EXPECT_TRUE(JournalHas(journal, "start\t", "-s")) << journal;
    EXPECT_FALSE(JournalHas(journal, "start-failed", "")) << journal;
    EXPECT_FALSE(dev.Exists("\\Temp\\junk.tmp"));
    EXPECT_EQ(dev.ReadFile("\\My Documents\\keep.doc"), "keep");
    // The start-up run neither saves the selection nor removes its own shortcut.
    device.reset();
    auto after = dev.Open();
    EXPECT_EQ(test::RegText(*after, platform::HKEY_CURRENT_USER, u"Software\\Norvane\\Tidymatic",
                            u"Options"),
              "1");
    EXPECT_EQ(BootCount(*after), 1u);
    EXPECT_TRUE(dev.Exists("\\Windows\\StartUp\\Tidymatic Startup.lnk"));
}

}  // namespace
}  // namespace tidy::settings
