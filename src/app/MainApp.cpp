#include "app/MainApp.h"

#include "app/RunState.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "ui/main/MainDlg.h"

namespace tidy::app {

ui::ScreenMetrics ScreenOf(platform::Platform& p) {
    ui::ScreenMetrics m;
    m.width = p.GetSystemMetrics(platform::kSmCxScreen);
    m.height = p.GetSystemMetrics(platform::kSmCyScreen);
    m.captionHeight = p.GetSystemMetrics(platform::kSmCyCaption);
    m.menuHeight = p.GetSystemMetrics(platform::kSmCyMenu);
    m.borderHeight = p.GetSystemMetrics(platform::kSmCyBorder);
    m.dlgFrameHeight = p.GetSystemMetrics(platform::kSmCyDlgFrame);
    return m;
}

namespace {

bool Matches(const std::u16string& commandLine, std::initializer_list<const char16_t*> switches,
             std::u16string* matched) {
    if (commandLine.empty()) return false;
    std::u16string trimmed = text::TrimRight(text::TrimLeft(commandLine));
    for (const char16_t* s : switches) {
        if (text::EqualsIgnoreCase(trimmed, s)) {
            if (matched) *matched = s;
            return true;
        }
    }
    return false;
}

}  // namespace

std::u16string RunSwitch(const std::u16string& commandLine) {
    std::u16string matched;
    return Matches(commandLine, {u"-e", u"-s", u"-x"}, &matched) ? matched : std::u16string();
}

bool EndsAtOnce(const std::u16string& commandLine) {
    return Matches(commandLine, {u"-r", u"-c", u"-n"}, nullptr);
}

bool CMainApp::InitInstance() {
    std::u16string commandLine = run_.platform.CommandLine();
    if (EndsAtOnce(commandLine)) return false;
    ui::main::CMainDlg dialog(run_, ui_);
    dialog.m_switch = RunSwitch(commandLine);
    dialog.DoModal();
    return false;
}

}  // namespace tidy::app
