// Inputs posted by the web page: the first byte picks which window is on top (a dialog with
// every kind of control, a message box, a pop-up menu, or a dialog whose state lacks parts),
// the rest is the request body. Every answer is 0 or one of the documented refusals, with a
// reason.

#include "ui/web/WebInput.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using nlohmann::json;

namespace {

const json& Model(uint8_t pick) {
    static const json models[] = {
        json::parse(R"({"windows": [
            {"handle": 1, "kind": "messagebox", "buttons": [{"id": 1}]},
            {"handle": 2, "kind": "dialog", "ok": true,
             "softkeys": [{"enabled": true, "menu": false},
                          {"enabled": true, "menu": true, "items": [
                              {"id": 10}, {"separator": true}, {"id": 11, "grayed": true},
                              {"popup": true, "items": [{"id": 12}]}]},
                          {"enabled": false}],
             "controls": [
                {"id": 100, "kind": "listview", "visible": true, "enabled": true,
                 "rect": [0, 0, 200, 100], "rows": [{"checked": true}, {"checked": null}]},
                {"id": 101, "kind": "treeview", "visible": true, "enabled": true,
                 "nodes": [{"item": 5, "children": true}, {"item": 6}]},
                {"id": 102, "kind": "combobox", "visible": true, "enabled": true,
                 "items": ["a", "b"]},
                {"id": 103, "kind": "edit", "visible": true, "enabled": true},
                {"id": 104, "kind": "edit", "visible": true, "enabled": true, "readonly": true},
                {"id": 105, "kind": "button", "visible": true, "enabled": true},
                {"id": 106, "kind": "checkbox", "visible": true, "enabled": false},
                {"id": 107, "kind": "label", "visible": true, "enabled": true}]}]})"),
        json::parse(R"({"windows": [{"handle": 3, "kind": "messagebox",
                                     "buttons": [{"id": 1}, {"id": 2}]}]})"),
        json::parse(R"({"windows": [{"handle": 4, "kind": "popup",
                                     "items": [{"id": 7}, {"popup": true}]}]})"),
        json::parse(R"({"windows": [{"handle": 2, "kind": "dialog",
             "controls": [{"id": 100, "kind": "listview", "visible": true, "enabled": true},
                          {"id": 101, "kind": "treeview", "visible": true, "enabled": true},
                          {"id": 102, "kind": "combobox", "visible": true, "enabled": true,
                           "items": 3}]}]})"),
        json::object(),
    };
    return models[pick % (sizeof models / sizeof models[0])];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    tidy::web::InputCommand cmd;
    std::string reason;
    int status = tidy::web::ParseInput(body, Model(data[0]), cmd, reason);
    bool known = status == 0 || status == 400 || status == 404 || status == 409 || status == 422;
    if (!known || (status != 0 && reason.empty())) {
        std::fprintf(stderr, "unexpected answer %d (%s)\n", status, reason.c_str());
        std::abort();
    }
    if (status == 0 && cmd.action == "type") {
        if (cmd.text.size() > tidy::web::kMaxEditText) std::abort();
        for (char16_t c : cmd.text)
            if (c < 0x20 || c == 0x7F) std::abort();
    }
    return 0;
}
