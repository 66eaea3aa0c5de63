// The host of the command-line front ends. Message boxes are printed on
// standard output (caption, text, an empty line) in UTF-8; questions are asked
// on the terminal or answered by a policy; a watched progress control becomes a
// live bar on a terminal and lines elsewhere; Ctrl-C becomes a click. A modal
// run is driven by a script of user events and ends when the script has run
// out.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog/code_page_text.h"
#include "platform/dialog/dialog.h"
#include "platform/dialog/host.h"

namespace dlg {

enum class QuestionPolicy {
    Ask,        // on the terminal; with no terminal the answer is No
    AnswerYes,  // every Yes/No (and OK/Cancel) question is answered Yes (OK)
};

enum class ProgressStyle {
    Auto,   // a bar when the output is a terminal, else lines
    Bar,    // one line redrawn in place
    Lines,  // a line each time the whole percentage changes, and the last state
};

struct TerminalOptions {
    unsigned codePage = 1252;  // the ANSI code page of the texts
    QuestionPolicy questions = QuestionPolicy::Ask;
    int progressControl = 0;   // the control whose text carries "...(NN%)"; 0: none
    int interruptControl = 0;  // the button Ctrl-C clicks; 0: none
    std::FILE* out = stdout;
    std::string terminal = "/dev/tty";  // where questions are asked
    ProgressStyle progress = ProgressStyle::Auto;
};

struct TerminalBox {
    std::string text;  // as the program gave it, in its code page
    std::string caption;
    unsigned style = 0;
    int answer = 0;
};

class TerminalHost : public Host {
  public:
    explicit TerminalHost(TerminalOptions options);
    ~TerminalHost() override;
    TerminalHost(const TerminalHost&) = delete;
    TerminalHost& operator=(const TerminalHost&) = delete;

    // ---- the script ----
    void Queue(Event event);
    // Picks the combo box entry that reads `item`, found when the step runs;
    // when there is none the run ends and MissingItem() tells which. An entry
    // already selected stays as it is, with no selection change.
    void QueueSelect(int comboId, std::string item);
    void AnswerFileOpen(std::string path) { files_.push_back(std::move(path)); }

    // ---- Ctrl-C ----
    // From now on SIGINT queues a click on the interrupt control (until the
    // host goes). At a question it answers No instead.
    void CatchInterrupts();
    // What SIGINT does; safe in a signal handler.
    static void Interrupt();

    // ---- what happened ----
    const std::vector<TerminalBox>& Boxes() const { return boxes_; }
    const std::optional<std::string>& MissingItem() const { return missingItem_; }
    const CodePageText& text() const { return text_; }

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

  private:
    using Clock = std::chrono::steady_clock;
    struct Step {
        Event event;
        bool selectItem = false;
        std::string item;
    };
    struct Timer {
        Dialog* dialog;
        unsigned id;
        std::chrono::milliseconds period;
        Clock::time_point due;
    };

    Dialog* Top() const { return modal_.empty() ? nullptr : modal_.back(); }
    void RunStep(Step step);
    bool TakeInterrupt();
    bool DeliverInterrupt();
    bool FireDueTimer();
    void WaitForTimerOrInterrupt();
    void Forget(Dialog& dialog);
    int Ask(const std::string& caption, const std::string& text, unsigned type);

    void ShowProgress(const std::string& utf8);
    void FinishProgress();
    void DrawBar(const std::string& utf8, int percent);

    TerminalOptions options_;
    CodePageText text_;
    bool bar_;
    std::deque<Step> script_;
    std::deque<std::string> files_;
    std::vector<TerminalBox> boxes_;
    std::vector<Dialog*> modal_;
    std::vector<Dialog*> windows_;
    std::vector<Timer> timers_;
    std::optional<std::string> missingItem_;

    // The progress control: the state last seen, the one the current line
    // stands for, and the one last shown.
    std::string progressSeen_;
    std::string progressText_;
    std::string progressShown_;
    int percentShown_ = -1;
    Clock::time_point barDrawn_{};
    bool progressActive_ = false;

    bool catching_ = false;
    struct sigaction previous_ {};
};

}  // namespace dlg
