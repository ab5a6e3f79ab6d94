#pragma once
// What the engine and the other non-window modules need of the user interface: message boxes
// and the wait cursor. The dialog framework implements it; a run without windows (a test of
// the engine, say) may pass its own.

#include <string>

namespace tidy::ui {

class Window;

// Message box types and results, in the device's own numbers.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONHAND = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class UiServices {
  public:
    virtual ~UiServices() = default;
    // Shows a modal message box owned by owner (null: owned by the application) and returns
    // the button chosen. May be called from the user-interface thread only.
    virtual int MessageBox(Window* owner, const std::u16string& text, const std::u16string& caption,
                           unsigned type) = 0;
    // The wait cursor; begin and end nest.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
};

}  // namespace tidy::ui
