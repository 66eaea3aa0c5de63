// The host of the tests: records every message box and answers it from a
// script, queues user events, and lets a test act while a job runs.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog/dialog.h"
#include "platform/dialog/host.h"

namespace dlg {

struct MessageBoxRecord {
    int ownerTemplate = 0;  // template id of the owner dialog, 0 for none
    std::string text;
    std::string caption;
    unsigned style = 0;
    int answer = 0;
};

struct TextChange {
    int dialogTemplate = 0;
    int id = 0;
    std::string text;
};

struct PropertyChange {
    int dialogTemplate = 0;
    int id = 0;
    int dispatchId = 0;
    std::string value;
};

class ScriptedHost : public Host {
public:
    // ---- the script ----
    void Queue(Event event) { events_.push_back(std::move(event)); }
    void QueueClick(int id) { Queue(Event::Click(id)); }
    // Answers for the next message boxes, in order. When none is left an OK
    // box answers IDOK and a Yes/No box IDNO (and counts as unanswered).
    void Answer(int answer) { answers_.push_back(answer); }
    // Called with the box before it is answered; may return an answer
    // (0: take the scripted one).
    std::function<int(const MessageBoxRecord&)> onMessageBox;
    // Called each time the program dispatches one pending event, with the
    // count of such calls so far (1 for the first), before the event is taken.
    std::function<void(int)> onPump;
    // Files to answer the file-open dialog with; std::nullopt cancels.
    void AnswerFileOpen(std::optional<std::string> path) { files_.push_back(std::move(path)); }
    // Timers fire in real time (sleeping until due) instead of at once.
    void UseRealTime(bool realTime) { realTime_ = realTime; }

    // ---- what happened ----
    const std::vector<MessageBoxRecord>& Boxes() const { return boxes_; }
    int UnansweredBoxes() const { return unanswered_; }
    Cursor CurrentCursor() const { return cursor_; }
    const std::vector<Cursor>& CursorLog() const { return cursorLog_; }
    const std::vector<TextChange>& TextLog() const { return textLog_; }
    std::vector<std::string> TextsOf(int dialogTemplate, int id) const;
    // Every string property set on a control, in order, repeats included.
    const std::vector<PropertyChange>& PropertyLog() const { return propertyLog_; }
    std::vector<std::string> PropertiesOf(int dialogTemplate, int id, int dispatchId) const;
    int PumpCount() const { return pumps_; }
    int StalledRuns() const { return stalls_; }
    const std::vector<int>& ModalRuns() const { return modalRuns_; }
    const std::vector<FileOpenRequest>& FileOpenRequests() const { return fileRequests_; }
    std::uint64_t VirtualMilliseconds() const { return clock_; }
    int TimerTicks() const { return ticks_; }
    const std::vector<Dialog*>& Windows() const { return windows_; }
    bool HasWindow(int dialogTemplate) const;
    void ClearLogs();

    // ---- Host ----
    int RunModal(Dialog& dialog) override;
    void CreateModeless(Dialog& dialog) override;
    void DestroyWindow(Dialog& dialog) override;
    void EndModal(Dialog& dialog, int result) override;
    bool DispatchOnePending() override;
    int MessageBox(Dialog* owner, const std::string& text, const std::string& caption,
                   unsigned style) override;
    void SetCursor(Cursor cursor) override;
    void SetTimer(Dialog& dialog, unsigned id, unsigned milliseconds) override;
    void KillTimer(Dialog& dialog, unsigned id) override;
    bool FileOpen(Dialog* owner, const FileOpenRequest& request, std::string& path) override;
    void Changed(Dialog& dialog, int id) override;
    void PropertySet(Dialog& dialog, int id, int dispatchId) override;

private:
    struct Timer {
        Dialog* dialog;
        unsigned id;
        unsigned period;
        std::uint64_t due;
    };
    void Dispatch(const Event& event);
    bool FireNextTimer();
    void Forget(Dialog& dialog);

    std::deque<Event> events_;
    std::deque<int> answers_;
    std::deque<std::optional<std::string>> files_;
    std::vector<MessageBoxRecord> boxes_;
    std::vector<Cursor> cursorLog_;
    std::vector<TextChange> textLog_;
    std::vector<PropertyChange> propertyLog_;
    std::vector<FileOpenRequest> fileRequests_;
    std::vector<Dialog*> modal_;
    std::vector<Dialog*> windows_;
    std::vector<Timer> timers_;
    std::vector<int> modalRuns_;
    Cursor cursor_ = Cursor::Arrow;
    std::uint64_t clock_ = 0;
    int unanswered_ = 0;
    int pumps_ = 0;
    int stalls_ = 0;
    int ticks_ = 0;
    bool realTime_ = false;
};

}  // namespace dlg
