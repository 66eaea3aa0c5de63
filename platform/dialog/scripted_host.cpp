#include "platform/dialog/scripted_host.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace dlg {

std::vector<std::string> ScriptedHost::TextsOf(int dialogTemplate, int id) const {
    std::vector<std::string> texts;
    for (const auto& change : textLog_)
        if (change.dialogTemplate == dialogTemplate && change.id == id)
            texts.push_back(change.text);
    return texts;
}

std::vector<std::string> ScriptedHost::PropertiesOf(int dialogTemplate, int id,
                                                   int dispatchId) const {
    std::vector<std::string> values;
    for (const auto& change : propertyLog_)
        if (change.dialogTemplate == dialogTemplate && change.id == id &&
            change.dispatchId == dispatchId)
            values.push_back(change.value);
    return values;
}

bool ScriptedHost::HasWindow(int dialogTemplate) const {
    return std::any_of(windows_.begin(), windows_.end(), [&](const Dialog* d) {
        return d->dialogTemplate().id == dialogTemplate;
    });
}

void ScriptedHost::ClearLogs() {
    boxes_.clear();
    cursorLog_.clear();
    textLog_.clear();
    propertyLog_.clear();
    fileRequests_.clear();
    modalRuns_.clear();
    unanswered_ = 0;
    pumps_ = 0;
    stalls_ = 0;
    ticks_ = 0;
}

int ScriptedHost::RunModal(Dialog& dialog) {
    modalRuns_.push_back(dialog.dialogTemplate().id);
    modal_.push_back(&dialog);
    windows_.push_back(&dialog);
    dialog.InitWindow();
    while (!dialog.Ended()) {
        if (!events_.empty()) {
            Event event = std::move(events_.front());
            events_.pop_front();
            Dispatch(event);
            continue;
        }
        if (FireNextTimer()) continue;
        // Nothing is left that could end the run: the script has run out.
        ++stalls_;
        dialog.EndDialog(IDCANCEL);
    }
    modal_.erase(std::remove(modal_.begin(), modal_.end(), &dialog), modal_.end());
    Forget(dialog);
    return dialog.Result();
}

void ScriptedHost::CreateModeless(Dialog& dialog) {
    windows_.push_back(&dialog);
    dialog.InitWindow();
}

void ScriptedHost::DestroyWindow(Dialog& dialog) {
    modal_.erase(std::remove(modal_.begin(), modal_.end(), &dialog), modal_.end());
    Forget(dialog);
}

void ScriptedHost::Forget(Dialog& dialog) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                                 [&](const Timer& t) { return t.dialog == &dialog; }),
                  timers_.end());
    windows_.erase(std::remove(windows_.begin(), windows_.end(), &dialog), windows_.end());
    for (auto& e : events_)
        if (e.target == &dialog) e.target = nullptr;
    dialog.WindowDestroyed();
}

void ScriptedHost::EndModal(Dialog&, int) {}

void ScriptedHost::Dispatch(const Event& event) {
    Dialog* target = event.target;
    if (!target && !modal_.empty()) target = modal_.back();
    if (!target) {
        if (event.kind == Event::Kind::Action && event.action) event.action();
        return;
    }
    target->HandleEvent(event);
}

bool ScriptedHost::DispatchOnePending() {
    ++pumps_;
    if (onPump) onPump(pumps_);
    if (events_.empty()) return false;
    Event event = std::move(events_.front());
    events_.pop_front();
    Dispatch(event);
    return true;
}

bool ScriptedHost::FireNextTimer() {
    if (timers_.empty()) return false;
    auto next = std::min_element(timers_.begin(), timers_.end(),
                                 [](const Timer& a, const Timer& b) { return a.due < b.due; });
    if (realTime_ && next->due > clock_)
        std::this_thread::sleep_for(std::chrono::milliseconds(next->due - clock_));
    clock_ = std::max(clock_, next->due);
    next->due = clock_ + next->period;
    Dialog* dialog = next->dialog;
    const unsigned id = next->id;
    ++ticks_;
    Event tick = Event::Timer(static_cast<int>(id));
    tick.target = dialog;
    dialog->HandleEvent(tick);
    return true;
}

int ScriptedHost::MessageBox(Dialog* owner, const std::string& text, const std::string& caption,
                             unsigned style) {
    MessageBoxRecord box{owner ? owner->dialogTemplate().id : 0, text, caption, style, 0};
    int answer = onMessageBox ? onMessageBox(box) : 0;
    if (answer == 0 && !answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    if (answer == 0) {
        const unsigned type = style & MB_TYPEMASK;
        if (type == MB_OK) {
            answer = IDOK;
        } else {
            ++unanswered_;
            answer = type == MB_YESNO ? IDNO : IDCANCEL;
        }
    }
    box.answer = answer;
    boxes_.push_back(std::move(box));
    return answer;
}

void ScriptedHost::SetCursor(Cursor cursor) {
    cursor_ = cursor;
    cursorLog_.push_back(cursor);
}

void ScriptedHost::SetTimer(Dialog& dialog, unsigned id, unsigned milliseconds) {
    KillTimer(dialog, id);
    timers_.push_back({&dialog, id, milliseconds, clock_ + milliseconds});
}

void ScriptedHost::KillTimer(Dialog& dialog, unsigned id) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                                 [&](const Timer& t) { return t.dialog == &dialog && t.id == id; }),
                  timers_.end());
}

bool ScriptedHost::FileOpen(Dialog*, const FileOpenRequest& request, std::string& path) {
    fileRequests_.push_back(request);
    if (files_.empty()) return false;
    std::optional<std::string> answer = std::move(files_.front());
    files_.pop_front();
    if (!answer) return false;
    path = *answer;
    return true;
}

void ScriptedHost::Changed(Dialog& dialog, int id) {
    if (id == 0) return;
    const ControlState* c = dialog.Control(id);
    if (!c) return;
    const int templateId = dialog.dialogTemplate().id;
    for (auto it = textLog_.rbegin(); it != textLog_.rend(); ++it) {
        if (it->dialogTemplate == templateId && it->id == id) {
            if (it->text == c->text) return;
            break;
        }
    }
    textLog_.push_back({templateId, id, c->text});
}

void ScriptedHost::PropertySet(Dialog& dialog, int id, int dispatchId) {
    propertyLog_.push_back(
        {dialog.dialogTemplate().id, id, dispatchId, dialog.GetItemProperty(id, dispatchId)});
}

}  // namespace dlg
