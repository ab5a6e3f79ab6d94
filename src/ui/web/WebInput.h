#pragma once
// A person's input from the page: parsed and checked on a server thread against the state the
// page was shown, then carried out on the user-interface thread as the same input events the
// text front end makes.
//
// Body: {"window": <handle>, "action": "<name>", ...}. Actions:
//   dialog:     softkey {index}, menu {command}, key {key: "enter"|"escape"}, titleok,
//               activate, and on a control {control: id}: select {row}, check {row, checked},
//               dbltap {row}, hold {x, y} (list client coordinates), tree-select {item},
//               tree-toggle {item}, pick {index}, type {text}, click
//   messagebox: answer {button}, key
//   popup:      choose {command}, dismiss, key
//
// Refusals: 400 malformed (not JSON, a missing field, a wrong type, an unknown action), 404 no
// such window or control, 409 the window is not the active one, 422 the action is not possible
// there (a row out of range, a disabled control, an entry the menu does not offer).

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "ui/framework/UiThread.h"
#include "ui/web/WebServer.h"

namespace tidy::web {

struct InputCommand {
    uint64_t window = 0;
    std::string action;
    int control = 0;
    int row = -1;
    bool checked = false;
    int x = 0, y = 0;
    int index = -1;     // softkey, pick
    int command = 0;    // menu, choose
    int button = 0;     // answer
    uint64_t item = 0;  // tree items
    std::string key;    // "enter" or "escape"
    std::u16string text;
};

// The longest text an edit box takes from the page (paths are far shorter).
constexpr size_t kMaxEditText = 1024;

// Parses body and checks it against model (the "model" part of the state, see WebModel.h).
// Returns 0 with cmd filled, or the HTTP status with reason.
int ParseInput(const std::string& body, const nlohmann::json& model, InputCommand& cmd,
               std::string& reason);

// Carries cmd out; runs on the user-interface thread. False, with nothing done, when the window
// is no longer the active one or the action is no longer possible there.
bool ApplyInput(ui::UiThread& ui, const InputCommand& cmd);

}  // namespace tidy::web
