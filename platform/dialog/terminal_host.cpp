#include "platform/dialog/terminal_host.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <thread>

namespace dlg {

namespace {

// Ctrl-C reaches the host through a flag and a pipe: the pipe wakes a
// question or a wait for a timer, the flag says that it happened.
volatile std::sig_atomic_t g_interrupted = 0;
std::atomic<int> g_wakeWrite{-1};
int g_wakeRead = -1;
static_assert(std::atomic<int>::is_always_lock_free);

void OnInterrupt(int) {
    TerminalHost::Interrupt();
}

void EnsureWakePipe() {
    if (g_wakeRead >= 0) return;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    g_wakeRead = fds[0];
    g_wakeWrite.store(fds[1]);
}

void DrainWakePipe() {
    if (g_wakeRead < 0) return;
    char buffer[64];
    while (::read(g_wakeRead, buffer, sizeof buffer) > 0) {
    }
}

constexpr int kBarWidth = 30;
constexpr auto kBarRedraw = std::chrono::milliseconds(100);
constexpr char kClearToEnd[] = "\x1b[K";

// The whole percentage in a progress text such as "Data area: 157(12%)".
std::optional<int> PercentOf(const std::string& text) {
    const std::size_t sign = text.rfind('%');
    if (sign == std::string::npos || sign == 0) return std::nullopt;
    std::size_t start = sign;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(text[start - 1]))) --start;
    if (start == sign) return std::nullopt;
    return std::stoi(text.substr(start, sign - start));
}

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

TerminalHost::TerminalHost(TerminalOptions options)
    : options_(std::move(options)), text_(options_.codePage) {
    switch (options_.progress) {
        case ProgressStyle::Bar:
            bar_ = true;
            break;
        case ProgressStyle::Lines:
            bar_ = false;
            break;
        case ProgressStyle::Auto:
            bar_ = ::isatty(::fileno(options_.out)) == 1;
            break;
    }
    EnsureWakePipe();
}

TerminalHost::~TerminalHost() {
    FinishProgress();
    if (catching_) ::sigaction(SIGINT, &previous_, nullptr);
}

void TerminalHost::Queue(Event event) {
    script_.push_back({std::move(event), false, {}});
}

void TerminalHost::QueueSelect(int comboId, std::string item) {
    script_.push_back({Event::SelChange(comboId, -1), true, std::move(item)});
}

void TerminalHost::CatchInterrupts() {
    if (catching_) return;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGINT, &action, &previous_) == 0) catching_ = true;
}

void TerminalHost::Interrupt() {
    g_interrupted = 1;
    const int fd = g_wakeWrite.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
}

bool TerminalHost::TakeInterrupt() {
    if (!g_interrupted) return false;
    g_interrupted = 0;
    DrainWakePipe();
    return true;
}

bool TerminalHost::DeliverInterrupt() {
    if (!TakeInterrupt()) return false;
    if (options_.interruptControl != 0 && Top() != nullptr)
        Top()->HandleEvent(Event::Click(options_.interruptControl));
    return true;
}

// ---- modal runs and the script ----------------------------------------------------

int TerminalHost::RunModal(Dialog& dialog) {
    modal_.push_back(&dialog);
    windows_.push_back(&dialog);
    dialog.InitWindow();
    while (!dialog.Ended()) {
        if (DeliverInterrupt()) continue;
        if (!script_.empty()) {
            Step step = std::move(script_.front());
            script_.pop_front();
            RunStep(std::move(step));
            continue;
        }
        if (!timers_.empty()) {
            if (!FireDueTimer()) WaitForTimerOrInterrupt();
            continue;
        }
        // Nothing is left that could end the run: the script has run out.
        dialog.EndDialog(IDCANCEL);
    }
    FinishProgress();
    Forget(dialog);
    return dialog.Result();
}

void TerminalHost::RunStep(Step step) {
    Dialog* target = step.event.target ? step.event.target : Top();
    if (target == nullptr) {
        if (step.event.kind == Event::Kind::Action && step.event.action) step.event.action();
        return;
    }
    if (step.selectItem) {
        const ControlState* combo = target->Control(step.event.id);
        int index = -1;
        if (combo != nullptr) {
            const auto at = std::find(combo->items.begin(), combo->items.end(), step.item);
            if (at != combo->items.end()) index = static_cast<int>(at - combo->items.begin());
        }
        if (index < 0) {
            // The rest of the script was meant for that entry: drop it.
            missingItem_ = step.item;
            script_.clear();
            target->EndDialog(IDCANCEL);
            return;
        }
        // Picking the entry that is already selected changes nothing.
        if (index == combo->selection) return;
        step.event.index = index;
    }
    target->HandleEvent(step.event);
}

bool TerminalHost::DispatchOnePending() {
    if (DeliverInterrupt()) return true;
    if (!script_.empty()) {
        Step step = std::move(script_.front());
        script_.pop_front();
        RunStep(std::move(step));
        return true;
    }
    return FireDueTimer();
}

void TerminalHost::CreateModeless(Dialog& dialog) {
    windows_.push_back(&dialog);
    dialog.InitWindow();
}

void TerminalHost::DestroyWindow(Dialog& dialog) {
    Forget(dialog);
}

void TerminalHost::Forget(Dialog& dialog) {
    modal_.erase(std::remove(modal_.begin(), modal_.end(), &dialog), modal_.end());
    windows_.erase(std::remove(windows_.begin(), windows_.end(), &dialog), windows_.end());
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                                 [&](const Timer& t) { return t.dialog == &dialog; }),
                  timers_.end());
    for (auto& step : script_)
        if (step.event.target == &dialog) step.event.target = nullptr;
    dialog.WindowDestroyed();
}

void TerminalHost::EndModal(Dialog&, int) {}

// ---- timers ------------------------------------------------------------------------

void TerminalHost::SetTimer(Dialog& dialog, unsigned id, unsigned milliseconds) {
    KillTimer(dialog, id);
    const std::chrono::milliseconds period(milliseconds);
    timers_.push_back({&dialog, id, period, Clock::now() + period});
}

void TerminalHost::KillTimer(Dialog& dialog, unsigned id) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                                 [&](const Timer& t) { return t.dialog == &dialog && t.id == id; }),
                  timers_.end());
}

bool TerminalHost::FireDueTimer() {
    if (timers_.empty()) return false;
    auto next = std::min_element(timers_.begin(), timers_.end(),
                                 [](const Timer& a, const Timer& b) { return a.due < b.due; });
    const auto now = Clock::now();
    if (next->due > now) return false;
    next->due = now + next->period;
    Dialog* dialog = next->dialog;
    Event tick = Event::Timer(static_cast<int>(next->id));
    tick.target = dialog;
    dialog->HandleEvent(tick);
    return true;
}

void TerminalHost::WaitForTimerOrInterrupt() {
    auto next = std::min_element(timers_.begin(), timers_.end(),
                                 [](const Timer& a, const Timer& b) { return a.due < b.due; });
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(next->due - Clock::now());
    if (wait.count() <= 0) return;
    pollfd wake{g_wakeRead, POLLIN, 0};
    ::poll(&wake, g_wakeRead >= 0 ? 1 : 0, static_cast<int>(wait.count()) + 1);
}

// ---- message boxes and questions -----------------------------------------------------

int TerminalHost::MessageBox(Dialog*, const std::string& text, const std::string& caption,
                             unsigned style) {
    FinishProgress();
    const std::string shownCaption = text_.ToUtf8(caption);
    std::string shownText = text_.ToUtf8(text);
    if (shownText.empty() || shownText.back() != '\n') shownText += '\n';
    std::fprintf(options_.out, "%s\n%s\n", shownCaption.c_str(), shownText.c_str());
    std::fflush(options_.out);

    const unsigned type = style & MB_TYPEMASK;
    int answer = IDOK;
    if (type == MB_YESNO || type == MB_OKCANCEL) answer = Ask(shownCaption, shownText, type);
    boxes_.push_back({text, caption, style, answer});
    return answer;
}

int TerminalHost::Ask(const std::string& caption, const std::string& text, unsigned type) {
    const int yes = type == MB_YESNO ? IDYES : IDOK;
    const int no = type == MB_YESNO ? IDNO : IDCANCEL;
    if (options_.questions == QuestionPolicy::AnswerYes) return yes;

    const int tty = ::open(options_.terminal.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) return no;
    // The box itself went to the output; repeat it where it is answered
    // unless the output is that terminal.
    if (::isatty(::fileno(options_.out)) != 1) WriteAll(tty, caption + "\n" + text + "\n");
    int answer = 0;
    while (answer == 0) {
        WriteAll(tty, type == MB_YESNO ? "(y/n)? " : "(ok/cancel)? ");
        pollfd fds[2] = {{tty, POLLIN, 0}, {g_wakeRead, POLLIN, 0}};
        const int ready = ::poll(fds, g_wakeRead >= 0 ? 2 : 1, -1);
        if (TakeInterrupt()) {
            WriteAll(tty, "\n");
            answer = no;
            break;
        }
        if (ready < 0) {
            if (errno == EINTR) continue;
            answer = no;
            break;
        }
        std::string line;
        char c = 0;
        ssize_t n = 0;
        while ((n = ::read(tty, &c, 1)) == 1 && c != '\n') line += c;
        if (n <= 0 && line.empty()) {
            answer = no;  // the terminal has nothing more to say
            break;
        }
        const char first = line.empty() ? '\0' : static_cast<char>(std::tolower(line[0]));
        if (type == MB_YESNO && first == 'y') answer = yes;
        if (type == MB_YESNO && first == 'n') answer = no;
        if (type == MB_OKCANCEL && first == 'o') answer = yes;
        if (type == MB_OKCANCEL && first == 'c') answer = no;
    }
    ::close(tty);
    return answer;
}

void TerminalHost::SetCursor(Cursor) {}

bool TerminalHost::FileOpen(Dialog*, const FileOpenRequest&, std::string& path) {
    if (files_.empty()) return false;
    path = std::move(files_.front());
    files_.pop_front();
    return true;
}

// ---- the progress control --------------------------------------------------------------

void TerminalHost::Changed(Dialog& dialog, int id) {
    if (id == 0 || id != options_.progressControl) return;
    ShowProgress(text_.ToUtf8(dialog.GetDlgItemText(id)));
}

void TerminalHost::ShowProgress(const std::string& utf8) {
    const std::optional<int> percent = PercentOf(utf8);
    if (!percent) {
        FinishProgress();
        progressSeen_.clear();
        return;
    }
    // A box in between finishes the progress; the same state shown again
    // afterwards is no news.
    if (utf8 == progressSeen_) return;
    progressSeen_ = utf8;
    progressActive_ = true;
    progressText_ = utf8;
    if (bar_) {
        const auto now = Clock::now();
        if (*percent != percentShown_ || now - barDrawn_ >= kBarRedraw) {
            DrawBar(utf8, *percent);
            barDrawn_ = now;
        }
        return;
    }
    if (*percent != percentShown_) {
        std::fprintf(options_.out, "%s\n", utf8.c_str());
        std::fflush(options_.out);
        progressShown_ = utf8;
        percentShown_ = *percent;
    }
}

void TerminalHost::DrawBar(const std::string& utf8, int percent) {
    const int filled = std::clamp(percent, 0, 100) * kBarWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    std::fprintf(options_.out, "\r[%s] %s%s", bar.c_str(), utf8.c_str(), kClearToEnd);
    std::fflush(options_.out);
    progressShown_ = utf8;
    percentShown_ = percent;
}

void TerminalHost::FinishProgress() {
    if (!progressActive_) return;
    // The last state is always shown.
    if (bar_) {
        if (progressShown_ != progressText_) {
            const std::optional<int> percent = PercentOf(progressText_);
            DrawBar(progressText_, percent.value_or(0));
        }
        std::fputs("\n", options_.out);
    } else if (progressShown_ != progressText_) {
        std::fprintf(options_.out, "%s\n", progressText_.c_str());
    }
    std::fflush(options_.out);
    progressActive_ = false;
    progressText_.clear();
    progressShown_.clear();
    percentShown_ = -1;
}

}  // namespace dlg
