// Dead input methods and the leftovers of uninstalled software: what is listed on new and
// older platforms, what each question says, and that only Yes deletes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "AdvancedFixture.h"
#include "advanced/AdvancedScanners.h"

using namespace tidy;
using namespace tidy::test;

namespace {

bool KeyExists(platform::Platform& p, platform::HKey root, const std::string& sub) {
    platform::RegKey k(p);
    return k.Open(root, W(sub));
}

std::string Sip(const std::string& guid, const std::string& display, const std::string& server,
                bool marker = true) {
    std::string k = "[HKEY_CLASSES_ROOT\\CLSID\\" + guid + "]\n";
    std::string s = k;
    if (!display.empty() && display != "<none>") s += "@=\"" + display + "\"\n";
    if (display.empty()) s += "@=\"\"\n";
    if (marker) s += "\n[HKEY_CLASSES_ROOT\\CLSID\\" + guid + "\\IsSIPInputMethod]\n@=\"1\"\n";
    if (server != "<none>")
        s += "\n[HKEY_CLASSES_ROOT\\CLSID\\" + guid + "\\InProcServer32]\n@=\"" + server + "\"\n";
    return s + "\n";
}

}  // namespace

TEST(DeadSips, KeptNames) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"Keyboard", true},
        {" Keyboard ", true},
        {"keyboard", true},
        {"\tTRANSCRIBER\r\n", true},
        {"Block Recognizer", true},
        {"letter recognizer", true},
        {"", true},
        {"   ", true},
        {"Keyboards", false},
        {"Key board", false},
        {"Old SIP", false},
        {"Clavier Ünïcode", false},
    };
    for (const auto& [name, kept] : cases)
        EXPECT_EQ(advanced::IsKeptSipName(W(name)), kept) << name;
}

TEST(DeadSips, ScanListsOnlyInputMethodsWhoseServerIsGone) {
    std::string reg = Sip("{A}", " Keyboard ", "\\\\Windows\\\\gone1.dll") +
                      Sip("{B}", "keyboard", "\\\\Windows\\\\gone2.dll") +
                      Sip("{C}", "", "\\\\Windows\\\\gone3.dll") +
                      Sip("{D}", "Old SIP", "\\\\Windows\\\\oldsip.dll") +
                      Sip("{E}", "Present SIP", "\\\\Windows\\\\present.dll") +
                      Sip("{F}", "MS SIP", "\\\\Windows\\\\msim.dll") +
                      Sip("{F2}", "MS SIP 2", "\\\\Other\\\\my_msim.dll.bak") +
                      Sip("{G}", "Bare SIP", "baresip.dll") +
                      Sip("{H}", " Bare Gone ", "  baregone.dll  ") +
                      Sip("{I}", "Not an input method", "\\\\Windows\\\\gone4.dll", false) +
                      Sip("{J}", "No Server", "<none>") + Sip("{K}", "Blank Server", "   ") +
                      Sip("{L}", "<none>", "\\\\Windows\\\\gone5.dll") +
                      Sip("{M}", "Transcriber", "\\\\Windows\\\\gone6.dll");
    AdvDevice d("", reg);
    d.dev.WriteFile("\\Windows\\present.dll", "x");
    d.dev.WriteFile("\\Windows\\baresip.dll", "x");
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    ASSERT_EQ(advanced::CountDeadSips(run), 2);
    EXPECT_EQ(N(run.advanced.deadSips[0].classKey), "CLSID\\{D}");
    EXPECT_EQ(N(run.advanced.deadSips[0].displayName), "Old SIP");
    EXPECT_EQ(N(run.advanced.deadSips[1].classKey), "CLSID\\{H}");
    EXPECT_EQ(N(run.advanced.deadSips[1].displayName), " Bare Gone ");  // kept as stored

    // No for the first, Yes for the second: only the second class goes, with its subkeys.
    d.ui.No();
    d.ui.Yes();
    advanced::CleanDeadSips(run);
    EXPECT_EQ(d.ui.asked,
              (std::vector<std::string>{
                  "Remove \"Old SIP\" from the SIP list (detected as uninstalled)?",
                  "Remove \" Bare Gone \" from the SIP list (detected as uninstalled)?"}));
    EXPECT_TRUE(KeyExists(*d.image, platform::HKEY_CLASSES_ROOT, "CLSID\\{D}\\InProcServer32"));
    EXPECT_FALSE(KeyExists(*d.image, platform::HKEY_CLASSES_ROOT, "CLSID\\{H}"));
    EXPECT_TRUE(KeyExists(*d.image, platform::HKEY_CLASSES_ROOT, "CLSID\\{I}"));
    EXPECT_EQ(advanced::CountDeadSips(run), 1);

    // The deletion lasts.
    std::string saved = d.SavedRegistry();
    EXPECT_EQ(saved.find("{H}"), std::string::npos);
    EXPECT_NE(saved.find("{D}"), std::string::npos);
}

TEST(DeadSips, NoClassesKeyCountsZero) {
    AdvDevice d;
    app::RunState& run = d.Start();
    EXPECT_EQ(advanced::CountDeadSips(run), 0);
    advanced::CleanDeadSips(run);
    EXPECT_TRUE(d.ui.asked.empty());
}

// ---- Setup folders in the AppMgr folder ---------------------------------------------------

namespace {

const char kAppsReg[] =
    "[HKEY_LOCAL_MACHINE\\Software\\Apps\\Bar App]\n\"InstlDir\"=\"\\\\Program Files\\\\Bar\"\n\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Apps\\Baz App]\n\"Instl\"=dword:00000001\n\n";

void AddAppMgr(TempDevice& dev) {
    const std::string am = "\\Windows\\AppMgr\\";
    dev.WriteFile(am + "Foo App\\setup.tmp", "t");
    dev.WriteFile(am + "Foo App\\setup.dat", "d");
    dev.WriteFile(am + "Bar App\\setup.tmp", "t");
    dev.WriteFile(am + "Baz App\\setup.tmp", "t");
    dev.WriteFile(am + "NoSpace\\setup.tmp", "t");
    dev.WriteFile(am + "Qux App\\setup.dat", "d");
    dev.WriteFile(am + " Lead\\setup.tmp", "t");
    dev.WriteFile(am + "File App", "a file, not a folder");
    dev.WriteFile(am + "Install\\x.tmp", "t");
    dev.WriteFile(am + "Deep App\\setup.tmp", "t");
    dev.WriteFile(am + "Deep App\\Sub\\keep.txt", "k");
}

}  // namespace

TEST(BadUninstallFiles, ListsSetupFoldersWithTempFilesAndNoInstallRecord) {
    AdvDevice d("", kAppsReg);
    AddAppMgr(d.dev);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    EXPECT_EQ(advanced::ScanBadUninstallFiles(run), 2);
    EXPECT_EQ(N(run.advanced.leftoverSetupFolders),
              (std::vector<std::string>{"Deep App", "Foo App"}));

    d.ui.Yes(2);
    advanced::CleanBadUninstallFiles(run);
    EXPECT_EQ(d.ui.asked,
              (std::vector<std::string>{
                  "Remove unused files associated with \"Deep App\" (detected as uninstalled)?",
                  "Remove unused files associated with \"Foo App\" (detected as uninstalled)?"}));
    EXPECT_TRUE(run.advanced.leftoverSetupFolders.empty());
    EXPECT_FALSE(d.dev.Exists("\\Windows\\AppMgr\\Foo App"));
    // Files go; a folder that still holds a subfolder stays.
    EXPECT_FALSE(d.dev.Exists("\\Windows\\AppMgr\\Deep App\\setup.tmp"));
    EXPECT_TRUE(d.dev.Exists("\\Windows\\AppMgr\\Deep App\\Sub\\keep.txt"));
    EXPECT_TRUE(d.dev.Exists("\\Windows\\AppMgr\\Bar App\\setup.tmp"));
    EXPECT_EQ(advanced::ScanBadUninstallFiles(run), 0);
}

TEST(BadUninstallFiles, NoLeavesEverything) {
    AdvDevice d("", kAppsReg);
    AddAppMgr(d.dev);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    advanced::CleanBadUninstallFiles(run);  // the script runs out: every answer is No
    EXPECT_EQ(d.ui.asked.size(), 2u);
    EXPECT_TRUE(d.dev.Exists("\\Windows\\AppMgr\\Foo App\\setup.tmp"));
    EXPECT_EQ(advanced::ScanBadUninstallFiles(run), 2);
}

TEST(BadUninstallFiles, OlderPlatformNeverListsAny) {
    AdvDevice d("[version]\nmajor = 4\nminor = 21\n", kAppsReg);
    AddAppMgr(d.dev);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    EXPECT_EQ(advanced::ScanBadUninstallFiles(run), 0);
}

TEST(BadUninstallFiles, FollowsTheDevicesWindowsFolder) {
    AdvDevice d("[folders]\nwindows = \"\\\\OS\"\n");
    d.dev.WriteFile("\\OS\\AppMgr\\Foo App\\a.tmp", "t");
    d.dev.MakeDir("\\Windows\\AppMgr\\Foo App");  // a same-named empty folder elsewhere stays
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    EXPECT_EQ(advanced::ScanBadUninstallFiles(run), 1);
    d.ui.Yes();
    advanced::CleanBadUninstallFiles(run);
    EXPECT_FALSE(d.dev.Exists("\\OS\\AppMgr\\Foo App"));
    EXPECT_TRUE(d.dev.Exists("\\Windows\\AppMgr\\Foo App"));
}

TEST(BadUninstallFiles, LinksAndDotDotNeverLeadOutside) {
    namespace fs = std::filesystem;
    AdvDevice d;
    const std::string outside = d.dev.dir + "/outside";
    fs::create_directories(outside);
    WriteHostFile(outside + "/secret.tmp", "s");
    d.dev.WriteFile("\\Windows\\AppMgr\\Real App\\a.tmp", "t");
    ASSERT_EQ(::symlink(outside.c_str(), d.dev.HostPath("\\Windows\\AppMgr\\Link App").c_str()), 0);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    EXPECT_EQ(advanced::ScanBadUninstallFiles(run), 1);
    EXPECT_FALSE(advanced::HasLeftoverSetupFiles(run, u"Link App"));
    for (const char16_t* name : {u"Link App", u"..", u"..\\..", u"Real App\\..\\..", u"."})
        advanced::RemoveSetupFolder(run, name);
    EXPECT_EQ(ReadHostFile(outside + "/secret.tmp"), "s");
    EXPECT_TRUE(d.dev.Exists("\\Windows\\AppMgr\\Link App"));
    EXPECT_TRUE(d.dev.Exists("\\Windows\\AppMgr\\Real App\\a.tmp"));
    EXPECT_TRUE(d.dev.Exists("\\Windows\\AppMgr"));
}

// ---- Uninstall keys -----------------------------------------------------------------------

namespace {

std::string App(const std::string& name, const std::string& values) {
    return "[HKEY_LOCAL_MACHINE\\Software\\Apps\\" + name + "]\n" + values + "\n";
}

const std::string kUninstallReg =
    App("Alt App", "\"InstallDir\"=\"\\\\Program Files\\\\Alt\"\n") +
    App("CmdOnly App", "\"CmdFile\"=\"\\\\Windows\\\\cmd.txt\"\n") +
    App("Dword App", "\"InstlDir\"=dword:00000001\n") +
    App("Gone App", "\"InstlDir\"=\"\\\\Program Files\\\\Gone App\"\n") +
    "[HKEY_LOCAL_MACHINE\\Software\\Apps\\Gone App\\Settings]\n\"x\"=\"y\"\n\n" +
    App("Live App", "\"InstlDir\"=\"\\\\Program Files\\\\Live App\"\n") +
    App("No Dir App", "\"Version\"=\"1.0\"\n") +
    App("Norvane Queuely", "\"InstlDir\"=\"\\\\Program Files\\\\Queuely\"\n") +
    App("Norvane Tallyo", "\"InstlDir\"=\"\\\\Program Files\\\\Tallyo\"\n") +
    App("Old Gone", "\"CmdFile\"=\"\\\\Windows\\\\old.txt\"\n") +
    App("Old Live", "\"CmdFile\"=\"\\\\Windows\\\\live.txt\"\n") +
    App("Pending App", "\"InstlDir\"=\"\\\\Program Files\\\\Pending\"\n") +
    App("Short App", "\"InstlDir\"=\"\\\\\"\n") +
    App("Escape App", "\"InstlDir\"=\"\\\\..\\\\..\\\\tmp\"\n");

void AddUninstallFiles(TempDevice& dev) {
    dev.MakeDir("\\Program Files\\Live App");
    dev.WriteFile("\\Windows\\AppMgr\\Pending App\\p.tmp", "t");
    dev.WriteFile("\\Windows\\Old Live.unload", "u");
}

}  // namespace

TEST(BadUninstallRegistry, NewPlatformJudgesByInstallFolder) {
    AdvDevice d("", kUninstallReg);
    AddUninstallFiles(d.dev);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    EXPECT_EQ(advanced::ScanBadUninstallRegistry(run), 5);
    EXPECT_EQ(N(run.advanced.deadUninstallEntries),
              (std::vector<std::string>{"Alt App", "Gone App", "Norvane Queuely", "Norvane Tallyo",
                                        "Escape App"}));
}

TEST(BadUninstallRegistry, OlderPlatformJudgesByUnloadFile) {
    AdvDevice d("[version]\nmajor = 4\nminor = 21\n", kUninstallReg);
    AddUninstallFiles(d.dev);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    EXPECT_EQ(advanced::ScanBadUninstallRegistry(run), 2);
    EXPECT_EQ(N(run.advanced.deadUninstallEntries),
              (std::vector<std::string>{"CmdOnly App", "Old Gone"}));
}

TEST(BadUninstallRegistry, CleanDeletesOnYesAndKeepsTheMakersKeys) {
    AdvDevice d("", kUninstallReg);
    AddUninstallFiles(d.dev);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    // Alt App: No; Gone App: Yes; Queuely: Yes; Tallyo: Yes; Escape App: Yes.
    d.ui.No();
    d.ui.Yes(4);
    advanced::CleanBadUninstallRegistry(run);
    ASSERT_EQ(d.ui.asked.size(), 5u);
    EXPECT_EQ(d.ui.asked[1],
              "Remove unused registry key associated with \"Gone App\" (detected as uninstalled)?");
    EXPECT_TRUE(run.advanced.deadUninstallEntries.empty());

    platform::Platform& p = *d.image;
    EXPECT_TRUE(KeyExists(p, platform::HKEY_LOCAL_MACHINE, "Software\\Apps\\Alt App"));
    EXPECT_FALSE(KeyExists(p, platform::HKEY_LOCAL_MACHINE, "Software\\Apps\\Gone App"));
    EXPECT_FALSE(KeyExists(p, platform::HKEY_LOCAL_MACHINE, "Software\\Apps\\Escape App"));
    EXPECT_TRUE(KeyExists(p, platform::HKEY_LOCAL_MACHINE, "Software\\Apps\\Norvane Queuely"));
    EXPECT_TRUE(KeyExists(p, platform::HKEY_LOCAL_MACHINE, "Software\\Apps\\Norvane Tallyo"));
    EXPECT_TRUE(KeyExists(p, platform::HKEY_LOCAL_MACHINE, "Software\\Apps\\Live App"));
    // The maker's keys are listed again at the next count.
    EXPECT_EQ(advanced::ScanBadUninstallRegistry(run), 3);

    std::string saved = d.SavedRegistry();
    EXPECT_EQ(saved.find("Gone App"), std::string::npos);
    EXPECT_NE(saved.find("Norvane Tallyo"), std::string::npos);
}

TEST(BadUninstallRegistry, EveryNoKeepsEveryKey) {
    AdvDevice d("", kUninstallReg);
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    int before = advanced::ScanBadUninstallRegistry(run);
    advanced::CleanBadUninstallRegistry(run);
    EXPECT_EQ(static_cast<int>(d.ui.asked.size()), before);
    EXPECT_EQ(advanced::ScanBadUninstallRegistry(run), before);
}

TEST(BadUninstallRegistry, WithoutAnOwnerNothingIsAskedOrDeleted) {
    AdvDevice d("", kUninstallReg);
    app::RunState& run = d.Start();
    run.flags.messageOwner = nullptr;
    advanced::InitAdvanced(run);
    int before = advanced::ScanBadUninstallRegistry(run);
    advanced::CleanBadUninstallRegistry(run);
    EXPECT_EQ(advanced::ScanBadUninstallRegistry(run), before);
}

TEST(BadUninstallRegistry, OddKeyNamesStayInsideTheUninstallRoot) {
    AdvDevice d("", App("..", "\"InstlDir\"=\"\\\\Gone\"\n") +
                        App("Wild*", "\"InstlDir\"=\"\\\\Gone\"\n") +
                        "[HKEY_LOCAL_MACHINE\\Software\\Keep]\n\"a\"=\"b\"\n\n");
    d.dev.WriteFile("\\Windows\\AppMgr\\Wildcard\\a.tmp", "t");
    app::RunState& run = d.Start();
    advanced::InitAdvanced(run);
    // ".." is no name to join to a key path; "Wild*" is judged as itself, not as a pattern.
    EXPECT_EQ(advanced::ScanBadUninstallRegistry(run), 1);
    EXPECT_EQ(N(run.advanced.deadUninstallEntries), std::vector<std::string>{"Wild*"});
    d.ui.Yes(5);
    advanced::CleanBadUninstallRegistry(run);
    EXPECT_FALSE(KeyExists(*d.image, platform::HKEY_LOCAL_MACHINE, "Software\\Apps\\Wild*"));
    EXPECT_TRUE(KeyExists(*d.image, platform::HKEY_LOCAL_MACHINE, "Software\\Apps"));
    EXPECT_TRUE(KeyExists(*d.image, platform::HKEY_LOCAL_MACHINE, "Software\\Keep"));
}
