// What a host hands a dialog: one user or system event.
#pragma once

#include <functional>
#include <string>

namespace dlg {

class Dialog;

struct Event {
    enum class Kind {
        Click,       // a button pressed by the user (ignored when disabled or hidden)
        EnterKey,    // Enter: presses the default push button
        EscapeKey,   // Escape: the cancel command
        Close,       // the window's close box: the cancel command
        SysCommand,  // a system-menu command
        Timer,       // a window timer fired
        SelChange,   // the user picked combo box entry `index`
        Type,        // the user typed `text` into an edit box (replaces its text)
        Action,      // run `action` on the dialog's thread (tests, signal handlers)
        Command,     // the program's own command for control `id` (a WM_COMMAND it sends):
                     // runs the click handler even when the control is hidden or disabled
    };
    Kind kind = Kind::Click;
    int id = 0;
    int index = 0;
    std::string text;
    std::function<void()> action;
    Dialog* target = nullptr;  // nullptr: the dialog on top

    static Event Click(int id) { return {Kind::Click, id, 0, {}, {}, nullptr}; }
    static Event EnterKey() { return {Kind::EnterKey, 0, 0, {}, {}, nullptr}; }
    static Event EscapeKey() { return {Kind::EscapeKey, 0, 0, {}, {}, nullptr}; }
    static Event Close() { return {Kind::Close, 0, 0, {}, {}, nullptr}; }
    static Event SysCommand(int id) { return {Kind::SysCommand, id, 0, {}, {}, nullptr}; }
    static Event Timer(int id) { return {Kind::Timer, id, 0, {}, {}, nullptr}; }
    static Event SelChange(int id, int index) {
        return {Kind::SelChange, id, index, {}, {}, nullptr};
    }
    static Event Type(int id, std::string text) {
        return {Kind::Type, id, 0, std::move(text), {}, nullptr};
    }
    static Event Command(int id) { return {Kind::Command, id, 0, {}, {}, nullptr}; }
    static Event Action(std::function<void()> action) {
        return {Kind::Action, 0, 0, {}, std::move(action), nullptr};
    }
};

}  // namespace dlg
