#pragma once
// The text front end: draws the top window as text and reads a person's commands, one per
// line, from a stream (standard input by default). Scripts, tests and terminals use it.
//
// Commands (on the topmost visible window):
//   show                          draw the top window again
//   tap <text|id>                 a soft key, a button or check box, the title bar's OK, or a
//                                 message box button; a menu soft key prints its menu
//   menu <id|Path/To/Item>        a command of the menu bar's menus ("Selection/Select All")
//   check|uncheck <row>           tick or clear a row's check box (row: index or column-0 text)
//   select <row>, dbltap <row>    tap or double tap a row
//   hold                          tap and hold on the list (or tree): prints the pop-up
//   choose <text|id>              choose an entry of the pop-up menu
//   answer yes|no|ok|cancel       answer the message box
//   type <id> <text>              type into an edit box
//   pick <id> <index|text>        pick an item of a combo box
//   toggle <id>                   tap a check box
//   tree <Path/From/My Device>    select a tree item (its ancestors expand)
//   key enter|escape              the Enter or Escape key
//   activate                      switch to the program again
//   wait                          wait until no background work runs
//   close                         close the top window through its normal path
// Blank lines and lines starting with '#' are ignored.
//
// Output lines:
//   == <caption> ==                        a dialog is drawn (then one line per control)
//   [x] <row> <col0> | <col1>              a list row, [ ] when unticked
//   MSGBOX [<caption>] <text> (<buttons>)  a message box is shown; line breaks as \n
//   POPUP <entry> | <entry> | --- | ...    a pop-up menu is shown; POPUP (none) if none was
//   ERROR <reason>                         a command that cannot be carried out
//
// At the end of input the pending question gets its safe answer (No, Cancel), a pop-up is
// dismissed and every open dialog is cancelled (OnCancel), innermost first.

#include <istream>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "ui/framework/FrontEnd.h"
#include "ui/framework/UiThread.h"

namespace tidy::ui::text {

class TextFrontEnd : public FrontEnd {
  public:
    // Reads from in (null: standard input, read so that Stop() can interrupt it) and writes
    // to out.
    TextFrontEnd(UiThread& ui, std::istream* in, std::ostream& out);
    ~TextFrontEnd() override;

    // Starts the reader thread: it waits for the first window, then runs one command per line,
    // each as an input event, waiting until the user-interface thread is idle again.
    void Start();
    // Stops reading (the program ends) and joins the reader thread.
    void Stop();

    // Runs one command line on the user-interface thread (the reader does this for each line;
    // tests may call it from the user-interface thread's side through PostInput).
    void Execute(const std::string& line);
    // Draws the top window now (the "show" command).
    void Draw();

    // FrontEnd.
    void WindowOpened(Window& window) override;
    void WindowClosed(Window& window) override;
    void MessageBoxShown(MessageBoxWindow& box) override;
    void PopupMenuShown(PopupMenuWindow& menu) override;
    void Idle() override;

  private:
    void ReaderMain();
    bool ReadLine(std::string& line);
    void EndOfInput();
    void Print(const std::string& line);
    void Error(const std::string& reason);
    void DrawDialog(CDialog& dialog);

    UiThread& ui_;
    std::istream* in_;
    std::ostream& out_;
    std::mutex outMutex_;
    std::thread reader_;
    int stopPipe_[2] = {-1, -1};
    std::string pending_;  // bytes read from standard input beyond the current line
    bool eof_ = false;

    // Owned by the user-interface thread.
    uint64_t lastDrawnHandle_ = 0;  // the dialog drawn last
    int popupsShown_ = 0;
};

}  // namespace tidy::ui::text
