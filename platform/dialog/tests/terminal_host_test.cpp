// The terminal host: boxes on the output in UTF-8, questions on a
// pseudo-terminal, the progress control as lines or a bar, Ctrl-C as a click,
// and script-driven modal runs.
#include "platform/dialog/terminal_host.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace dlg {
namespace {

constexpr int kStop = 1;
constexpr int kGo = 20;
constexpr int kDrives = 30;
constexpr int kProgress = 40;

const DialogTemplate& JobTemplate() {
    static const DialogTemplate t{
        7,
        "Job",
        100,
        50,
        "MS Sans Serif",
        8,
        kCaption,
        {
            {kStop, ControlKind::PushButton, "Stop", {0, 0, 10, 10}},
            {kGo, ControlKind::DefPushButton, "Go", {0, 0, 10, 10}},
            {kDrives, ControlKind::DropDownList, "", {0, 0, 10, 10}},
            {kProgress, ControlKind::StaticText, "Current:", {0, 0, 10, 10}},
        },
    };
    return t;
}

class JobDialog : public Dialog {
  public:
    explicit JobDialog(Host& host) : Dialog(host, JobTemplate()) {
        OnClicked(kGo, [this] {
            if (job) job(*this);
        });
        OnSelChange(kDrives, [this] { picks.push_back(Control(kDrives)->selection); });
    }
    std::function<void(JobDialog&)> job;
    std::function<void(JobDialog&, unsigned)> tick;
    int stops = 0;
    std::vector<int> picks;

  protected:
    bool OnDialogInit() override {
        Dialog::OnDialogInit();
        SetComboItems(kDrives, {"D:", "E:"});
        return true;
    }
    void OnOK() override { ++stops; }
    void OnTimer(unsigned id) override {
        if (tick) tick(*this, id);
    }
};

// Everything the host prints, as one string.
class Output {
  public:
    Output() : file_(open_memstream(&data_, &size_)) {}
    ~Output() {
        std::fclose(file_);
        std::free(data_);
    }
    std::FILE* file() const { return file_; }
    std::string Text() {
        std::fflush(file_);
        return std::string(data_, size_);
    }

  private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

// A pseudo-terminal: the host asks on its slave side, the test types on the
// master side.
class PseudoTerminal {
  public:
    PseudoTerminal() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master_, 0);
        EXPECT_EQ(grantpt(master_), 0);
        EXPECT_EQ(unlockpt(master_), 0);
        path_ = ptsname(master_);
        // Held open so that what is typed waits for the host.
        slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
        EXPECT_GE(slave_, 0);
        ::fcntl(master_, F_SETFL, O_NONBLOCK);
    }
    ~PseudoTerminal() {
        ::close(slave_);
        ::close(master_);
    }
    const std::string& path() const { return path_; }
    void Type(const std::string& keys) {
        EXPECT_EQ(::write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    // What the host wrote to the terminal (and the echo of what was typed).
    std::string Screen() {
        std::string text;
        char buffer[512];
        ssize_t n = 0;
        while ((n = ::read(master_, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

TerminalOptions Options(Output& out, unsigned codePage = 1252) {
    TerminalOptions options;
    options.codePage = codePage;
    options.out = out.file();
    options.terminal = "/nonexistent/tty";
    options.progressControl = kProgress;
    options.interruptControl = kStop;
    options.progress = ProgressStyle::Lines;
    return options;
}

TEST(TerminalHost, BoxesPrintCaptionTextAndAnEmptyLineInUtf8) {
    struct Case {
        unsigned codePage;
        std::string caption;
        std::string text;
        std::string printed;
    };
    const Case cases[] = {
        {1252, "Sorry!", "Format fail!", "Sorry!\nFormat fail!\n\n"},
        {936, "Sorry!", "\xB8\xF1\xCA\xBD\xBB\xAF\xCA\xA7\xB0\xDC!", "Sorry!\n格式化失败!\n\n"},
        {950, "Sorry!", "\xAE\xE6\xA6\xA1\xA4\xC6\xA5\xA2\xB1\xD1!", "Sorry!\n格式化失敗!\n\n"},
        {1252, "Sorry!", "Unsupported type\xA3\xA1", "Sorry!\nUnsupported type£¡\n\n"},
        {1252, "Results", "a: 1\n\nb: 2\n", "Results\na: 1\n\nb: 2\n\n"},
        {936, "C",
         "A\xFF"
         "B",
         "C\nA\xEF\xBF\xBD"
         "B\n\n"},  // a byte GBK does not hold
    };
    for (const auto& c : cases) {
        Output out;
        TerminalHost host(Options(out, c.codePage));
        EXPECT_EQ(host.MessageBox(nullptr, c.text, c.caption, MB_OK | MB_ICONERROR), IDOK);
        EXPECT_EQ(out.Text(), c.printed);
        ASSERT_EQ(host.Boxes().size(), 1u);
        EXPECT_EQ(host.Boxes()[0].text, c.text);
        EXPECT_EQ(host.Boxes()[0].style, MB_OK | MB_ICONERROR);
    }
}

TEST(TerminalHost, QuestionsAreAnsweredByPolicyOrOnTheTerminal) {
    struct Case {
        QuestionPolicy policy;
        bool terminal;
        std::string typed;
        unsigned type;
        int answer;
    };
    const Case cases[] = {
        {QuestionPolicy::AnswerYes, false, "", MB_YESNO, IDYES},
        {QuestionPolicy::AnswerYes, false, "", MB_OKCANCEL, IDOK},
        {QuestionPolicy::Ask, false, "", MB_YESNO, IDNO},  // no terminal
        {QuestionPolicy::Ask, false, "", MB_OKCANCEL, IDCANCEL},
        {QuestionPolicy::Ask, true, "y\n", MB_YESNO, IDYES},
        {QuestionPolicy::Ask, true, "No\n", MB_YESNO, IDNO},
        {QuestionPolicy::Ask, true, "maybe\n\nyes\n", MB_YESNO, IDYES},
        {QuestionPolicy::Ask, true, "ok\n", MB_OKCANCEL, IDOK},
        {QuestionPolicy::Ask, true, "cancel\n", MB_OKCANCEL, IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        Output out;
        PseudoTerminal tty;
        TerminalOptions options = Options(out);
        options.questions = c.policy;
        if (c.terminal) options.terminal = tty.path();
        tty.Type(c.typed);
        TerminalHost host(options);
        EXPECT_EQ(host.MessageBox(nullptr, "Are you sure?(Y/N)", "Kerfa", c.type | MB_ICONQUESTION),
                  c.answer);
        EXPECT_EQ(out.Text(), "Kerfa\nAre you sure?(Y/N)\n\n");
        if (c.terminal) {
            // The output is no terminal, so the question is repeated there.
            const std::string screen = tty.Screen();
            EXPECT_NE(screen.find("Are you sure?(Y/N)"), std::string::npos) << screen;
        }
    }
}

TEST(TerminalHost, CtrlCAtAQuestionAnswersNoAndClicksNothing) {
    Output out;
    PseudoTerminal tty;
    TerminalOptions options = Options(out);
    options.terminal = tty.path();
    TerminalHost host(options);
    TerminalHost::Interrupt();
    EXPECT_EQ(host.MessageBox(nullptr, "Stop?", "Kerfa", MB_YESNO), IDNO);
    EXPECT_FALSE(host.DispatchOnePending());
}

TEST(TerminalHost, SigintWhileAJobPumpsClicksTheInterruptControl) {
    struct sigaction before {};
    ::sigaction(SIGINT, nullptr, &before);
    {
        Output out;
        TerminalHost host(Options(out));
        host.CatchInterrupts();
        JobDialog dialog(host);
        std::vector<bool> pumped;
        dialog.job = [&](JobDialog& d) {
            for (int chunk = 0; chunk < 5; ++chunk) {
                if (chunk == 2) std::raise(SIGINT);
                pumped.push_back(d.PumpOneMessage());
            }
        };
        host.Queue(Event::Click(kGo));
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);  // the script ran out
        EXPECT_EQ(pumped, (std::vector<bool>{false, false, true, false, false}));
        EXPECT_EQ(dialog.stops, 1);
    }
    struct sigaction after {};
    ::sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);  // given back with the host
}

TEST(TerminalHost, ProgressLinesAtEachWholePercentAndTheLastState) {
    Output out;
    TerminalHost host(Options(out, 936));
    JobDialog dialog(host);
    dialog.job = [](JobDialog& d) {
        const char* states[] = {
            "System area: 0(0%)",
            "System area: 32(0%)",
            "Data area: 157(0%)",
            "\xCA\xFD\xBE\xDD\xC7\xF8: 700(1%)",  // 数据区
            "Data area: 800(1%)",
        };
        for (const char* s : states) d.SetDlgItemText(kProgress, s);
        d.MessageBox("body", "T", MB_OK);
        d.SetDlgItemText(kProgress, "Data area: 900(2%)");
        d.SetDlgItemText(kProgress, "Data area: 900(2%)");
        d.SetDlgItemText(kProgress, "Data area: 950(2%)");
        d.MessageBox("done", "R", MB_OK);
        d.SetDlgItemText(kProgress, "Data area: 950(2%)");  // shown again after the box
        d.SetDlgItemText(kProgress, "Current:");
        d.SetDlgItemText(kProgress, "Current:");
    };
    host.Queue(Event::Click(kGo));
    dialog.DoModal();
    EXPECT_EQ(out.Text(),
              "System area: 0(0%)\n"
              "数据区: 700(1%)\n"
              "Data area: 800(1%)\n"
              "T\nbody\n\n"
              "Data area: 900(2%)\n"
              "Data area: 950(2%)\n"
              "R\ndone\n\n");
}

TEST(TerminalHost, ProgressBarIsRedrawnInPlaceAndEndsItsLine) {
    Output out;
    TerminalOptions options = Options(out);
    options.progress = ProgressStyle::Bar;
    TerminalHost host(options);
    JobDialog dialog(host);
    dialog.job = [](JobDialog& d) {
        for (const char* s : {"D: 0(0%)", "D: 50(50%)", "D: 100(100%)", "Current:"})
            d.SetDlgItemText(kProgress, s);
    };
    host.Queue(Event::Click(kGo));
    dialog.DoModal();
    const std::string text = out.Text();
    EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
    EXPECT_NE(text.find("\r[###############...............] D: 50(50%)"), std::string::npos);
    const std::string last = "\r[##############################] D: 100(100%)\x1b[K\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST(TerminalHost, ScriptSelectsEntriesByTextAndEndsWhenOneIsMissing) {
    Output out;
    TerminalHost host(Options(out));
    JobDialog dialog(host);
    int jobs = 0;
    dialog.job = [&](JobDialog&) { ++jobs; };
    host.QueueSelect(kDrives, "E:");
    host.Queue(Event::Click(kGo));
    host.QueueSelect(kDrives, "E:");  // already selected: no change
    host.QueueSelect(kDrives, "Q:");
    host.Queue(Event::Click(kGo));  // meant for Q:, never runs
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.picks, (std::vector<int>{1}));
    EXPECT_EQ(jobs, 1);
    ASSERT_TRUE(host.MissingItem().has_value());
    EXPECT_EQ(*host.MissingItem(), "Q:");
}

TEST(TerminalHost, TimersKeepARunGoingUntilItsDialogEnds) {
    Output out;
    TerminalHost host(Options(out));
    JobDialog dialog(host);
    int ticks = 0;
    dialog.job = [](JobDialog& d) { d.SetTimer(5, 1); };
    dialog.tick = [&](JobDialog& d, unsigned id) {
        EXPECT_EQ(id, 5u);
        if (++ticks == 3) d.EndDialog(IDOK);
    };
    host.Queue(Event::Click(kGo));
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(ticks, 3);
}

TEST(CodePageText, FromUtf8GivesTheCodePagesBytesOrNothing) {
    EXPECT_EQ(CodePageText(936).FromUtf8("卷标"), std::optional<std::string>("\xBE\xED\xB1\xEA"));
    EXPECT_EQ(CodePageText(950).FromUtf8("卷標"), std::optional<std::string>("\xA8\xF7\xBC\xD0"));
    EXPECT_EQ(CodePageText(1252).FromUtf8("PLAYER"), std::optional<std::string>("PLAYER"));
    EXPECT_EQ(CodePageText(1252).FromUtf8("卷"), std::nullopt);
    EXPECT_EQ(CodePageText(936).FromUtf8("\xFF"), std::nullopt);  // no UTF-8
}

}  // namespace
}  // namespace dlg
