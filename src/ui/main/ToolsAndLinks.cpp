// The main menu's tools, links and About box.

#include "app/RunState.h"
#include "catalogue/RegistryLocators.h"
#include "clean/Utilities.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"
#include "ui/main/MainDlg.h"

namespace tidy::ui::main {

const char16_t kVersion[] = u"1.3.1";
const char16_t kDeveloper[] = u"Norvane Software";
const char16_t kWebsite[] = u"http://www.norvane.com";
const char16_t kMobileSite[] = u"http://m.norvane.com";

namespace {

constexpr char16_t kCaption[] = u"Tidymatic";

}  // namespace

void CMainDlg::OnSoftReset() {
    // Closing the question reactivates this window, which would start a background refresh
    // that runs beside the save and the reset below. It starts none with ready at 0; on No the
    // refresh of that activation is started here instead, once this command is done with.
    int wasReady = run_.flags.ready.exchange(0);
    int answer = run_.ui->MessageBox(nullptr, u"Are you sure you want to soft reset now?", kCaption,
                                     MB_YESNO | MB_ICONQUESTION);
    run_.flags.ready = wasReady;
    if (answer != IDYES) {
        if (wasReady == 1 && run_.flags.listEventsLive == 1) StartBackgroundRefresh();
        return;
    }
    ReadChecks();
    settings::SaveSelection(run_);
    run_.platform.KernelIoControl(platform::kIoctlHalReboot);
}

void CMainDlg::OnMemory() {
    run_.platform.ShellExecute(u"ctlpnl", u"cplmain.cpl,4", u"");
}

void CMainDlg::OnRunningPrograms() {
    platform::Version v;
    bool newer =
        run_.platform.GetVersion(v) && (v.major > 5 || (v.major == 5 && v.minor > 2) ||
                                        (v.major == 5 && v.minor == 2 && v.build >= 19202));
    if (!newer) {
        run_.platform.ShellExecute(u"ctlpnl", u"cplmain.cpl,4,2", u"");
        return;
    }
    if (clean::EntryFound(run_, u"\\Windows\\taskmgr.exe")) {
        run_.platform.ShellExecute(u"taskmgr.exe", u"", u"");
    } else if (clean::EntryFound(run_, u"\\Windows\\TaskManagerApp.exe")) {
        run_.platform.ShellExecute(u"TaskManagerApp.exe", u"", u"");
    } else {
        run_.ui->MessageBox(nullptr, u"Unable to find Task Manager", kCaption, MB_OK);
    }
}

void CMainDlg::OnOperaSettings() {
    std::u16string folder = catalogue::GetOperaInstallFolder(run_);
    folder = folder.empty() ? run_.catalogue.special.windows : folder + u"\\";
    std::u16string program = folder + u"OperaL.exe";
    if (clean::EntryFound(run_, program)) {
        run_.platform.ShellExecute(program, u"opera:config", u"");
    } else {
        run_.ui->MessageBox(nullptr, u"Opera Mobile is not found on your device.", kCaption, MB_OK);
    }
}

void CMainDlg::OnAbout() {
    std::u16string version = kVersion, developer = kDeveloper, site = kWebsite;
    std::u16string message = text::Format("Version %s", &version);
    message += u"\r\n" + text::Format("Developed by %s", &developer);
    message += u"\r\n" + site;
    clean::ShowMessage(run_, message, MB_ICONINFORMATION);
}

void CMainDlg::OnLink(const std::u16string& page) {
    clean::OpenWithShell(run_, std::u16string(kMobileSite) + page);
}

}  // namespace tidy::ui::main
