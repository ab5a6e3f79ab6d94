// The module's table, folders and card list across opening and closing the dialog.

#include <gtest/gtest.h>

#include "AdvancedFixture.h"
#include "advanced/AdvancedScanners.h"
#include "advanced/ThemeCardLeftovers.h"
#include "platform/SampleDevice.h"

using namespace tidy;
using namespace tidy::test;

TEST(AdvancedState, InitFillsTableFoldersAndCardsResetEmptiesThem) {
    AdvDevice d(
        "storage_cards = [\"SD\", \"Storage Card\", \"Absent\"]\n"
        "[folders]\nwindows = \"\\\\OS\"\nstart_menu = \"\"\nstartup = \"\\\\OS\\\\Boot\"\n");
    d.dev.MakeDir("\\Storage Card");
    d.dev.MakeDir("\\SD");
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    const auto& st = run.advanced;
    EXPECT_EQ(N(st.itemNames),
              (std::vector<std::string>{"Thumbs.db", "Desktop.ini", "Bad Theme Registry",
                                        "Bad Uninstall Registry", "Bad Uninstall Files",
                                        "Dead Shortcuts", "Startup Programs", "Dead SIPs"}));
    ASSERT_EQ(st.itemDescriptions.size(), 8u);
    EXPECT_EQ(N(st.itemDescriptions[7]),
              "This is the list of input methods that still remain in the SIP (soft input panel) "
              "list even after uninstallation.");
    EXPECT_EQ(N(st.windowsFolder), "\\OS\\");
    EXPECT_EQ(N(st.startMenuFolder), "\\Windows\\Start Menu\\");  // no answer: default kept
    EXPECT_EQ(N(st.startupFolder), "\\OS\\Boot\\");
    EXPECT_EQ(N(st.storageCards), (std::vector<std::string>{"SD", "Storage Card"}));

    advanced::CountBadThemeKeys(run);
    run.advanced.currentTheme = u"x.tsk";
    run.advanced.thumbsFiles.push_back(u"\\SD\\thumbs.db");
    run.advanced.selection[3] = 1;
    advanced::ResetAdvanced(run);
    EXPECT_TRUE(st.itemNames.empty());
    EXPECT_TRUE(st.itemDescriptions.empty());
    EXPECT_TRUE(st.storageCards.empty());
    EXPECT_TRUE(st.thumbsFiles.empty());
    EXPECT_TRUE(st.currentTheme.empty());
    EXPECT_EQ(N(st.windowsFolder), "\\OS\\");  // folders and keys keep their values
    EXPECT_EQ(N(st.uninstallRoot), "Software\\Apps");
    EXPECT_EQ(N(st.todayKey), "Software\\Microsoft\\Today");
    EXPECT_EQ(st.selection[3], 1);  // the selection outlives the dialog

    // Opening again does not double the table.
    advanced::InitAdvanced(run);
    EXPECT_EQ(st.itemNames.size(), 8u);
    EXPECT_EQ(st.storageCards.size(), 2u);
}

// The sample handheld carries something for every row of the Advanced dialog.
TEST(AdvancedSample, SampleDeviceHasLeftoversForEveryRow) {
    TempDevice holder;  // only for its temporary folder
    const std::string dir = holder.dir + "/image";
    std::string error;
    ASSERT_TRUE(platform::CreateSampleDevice(dir, error)) << error;
    auto p = platform::DeviceImage::Open(dir, error);
    ASSERT_TRUE(p) << error;
    app::RunState run(*p);
    advanced::InitAdvanced(run);
    EXPECT_EQ(N(advanced::MeasureCardFiles(run, u"thumbs.db")), "20.0 KB");
    EXPECT_EQ(N(advanced::MeasureCardFiles(run, u"desktop.ini")), "210 Bytes");
    EXPECT_EQ(advanced::CountBadThemeKeys(run), 2);
    EXPECT_EQ(advanced::ScanBadUninstallRegistry(run), 3);
    EXPECT_EQ(advanced::ScanBadUninstallFiles(run), 1);
    EXPECT_EQ(advanced::CountDeadShortcuts(run, advanced::ShortcutFolder::StartMenu), 3);
    EXPECT_EQ(advanced::CountDeadShortcuts(run, advanced::ShortcutFolder::StartUp), 1);
    EXPECT_EQ(advanced::CountDeadSips(run), 1);
}
