#include "player/ui/player_dialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/dialog/scripted_host.h"
#include "player/convert/sound_file_repacker.h"
#include "player/convert/tests/faulty_files.h"
#include "player/convert/tests/sound_file_machines.h"
#include "player/ui/player_app.h"
#include "player/ui/wait_dialogs.h"

namespace vocna {
namespace {

using dlg::ControlKind;
using dlg::Event;
using testing::Bytes;

class PlayerDialogTest : public ::testing::Test {
  protected:
    // Runs the player dialog with `check` queued as its first event, then closes it.
    void WithDialog(const std::function<void(PlayerDialog&)>& check,
                    win32::Win32* system = nullptr) {
        PlayerDialog dialog(host_, system ? *system : machine_.system());
        host_.Queue(Event::Action([&] { check(dialog); }));
        host_.Queue(Event::Close());
        EXPECT_EQ(dialog.DoModal(), dlg::IDCANCEL);
        EXPECT_EQ(host_.StalledRuns(), 0);
    }

    dlg::ScriptedHost host_;
    testing::SimulatedFiles machine_;
};

TEST_F(PlayerDialogTest, OpensWithOutputCheckedAndTheAboutItemLast) {
    WithDialog([&](PlayerDialog& dialog) {
        EXPECT_EQ(dialog.IsDlgButtonChecked(kIdOutputMp3), 1);
        EXPECT_EQ(dialog.m_btnOutputMp3.GetCheck(), 1);
        EXPECT_EQ(dialog.WindowText(), "Orvane Vocana");
        const auto& menu = dialog.SystemMenu();
        ASSERT_GE(menu.size(), 2u);
        EXPECT_TRUE(menu[menu.size() - 2].separator);
        EXPECT_FALSE(menu.back().separator);
        EXPECT_EQ(menu.back().command, 16);
        EXPECT_EQ(menu.back().text, "&About Vocana...");
        EXPECT_EQ(dialog.Icon(dlg::IconSize::Big), 128);
        EXPECT_EQ(dialog.Icon(dlg::IconSize::Small), 128);
        EXPECT_EQ(dialog.FocusId(), 2);  // first in tab order: Exit
        EXPECT_EQ(dialog.m_strPlayFile, "");
        EXPECT_EQ(dialog.m_strTempFile, "");
    });
}

TEST_F(PlayerDialogTest, TheAboutItemOpensTheAboutBox) {
    PlayerDialog dialog(host_, machine_.system());
    std::vector<int> aboutUp;
    host_.Queue(Event::SysCommand(16));
    // Goes to the box on top, the About box: OK closes it.
    host_.Queue(Event::EnterKey());
    host_.Queue(Event::SysCommand(16 | 0x3));  // the low four bits do not count
    host_.Queue(Event::Action([&] { aboutUp.push_back(host_.HasWindow(kPlayerAboutTemplate)); }));
    host_.Queue(Event::EscapeKey());
    host_.Queue(Event::Action([&] { aboutUp.push_back(host_.HasWindow(kPlayerAboutTemplate)); }));
    host_.Queue(Event::SysCommand(dlg::SC_CLOSE));
    EXPECT_EQ(dialog.DoModal(), dlg::IDCANCEL);
    EXPECT_EQ(host_.ModalRuns(), (std::vector<int>{102, 100, 100}));
    EXPECT_EQ(aboutUp, (std::vector<int>{1, 0}));
    EXPECT_EQ(host_.StalledRuns(), 0);
}

TEST_F(PlayerDialogTest, TheAboutBox) {
    const dlg::DialogTemplate& about = PlayerAboutTemplate();
    EXPECT_EQ(about.id, 100);
    int icons = 0;
    int texts = 0;
    int okButtons = 0;
    for (const auto& control : about.controls) {
        icons += control.kind == ControlKind::Icon && control.iconId == 128;
        texts += control.kind == ControlKind::StaticText && !control.caption.empty();
        okButtons += control.kind == ControlKind::DefPushButton && control.id == dlg::IDOK;
    }
    EXPECT_EQ(icons, 1);
    EXPECT_EQ(texts, 2);
    EXPECT_EQ(okButtons, 1);
}

struct ControlRow {
    int id;
    ControlKind kind;
    const char* caption;
    dlg::Rect rect;
};

TEST_F(PlayerDialogTest, Templates) {
    const ControlRow player[] = {
        {2, ControlKind::DefPushButton, "Exit", {164, 95, 50, 14}},
        {1000,
         ControlKind::MediaPlayer,
         "{22D6F312-B0F6-11D0-94AB-0080C74C7E95}",
         {18, 7, 198, 47}},
        {1001, ControlKind::PushButton, "Vocana File...", {18, 68, 77, 14}},
        {1005, ControlKind::EditBox, "", {98, 68, 118, 14}},
        {1012, ControlKind::AutoCheckBox, "Output .mp3 file", {18, 95, 80, 10}},
    };
    const ControlRow wait[] = {
        {1, ControlKind::PushButton, "OK", {38, 7, 15, 14}},
        {2, ControlKind::PushButton, "Cancel", {7, 7, 27, 14}},
        {1009, ControlKind::StaticText, "", {7, 10, 123, 8}},
    };
    const ControlRow busy[] = {
        {1, ControlKind::PushButton, "OK", {42, 0, 15, 14}},
        {2, ControlKind::PushButton, "Cancel", {0, 0, 17, 14}},
        {1013, ControlKind::StaticText, "Convert VRK file to bitstream ...", {6, 10, 115, 8}},
    };
    auto check = [](const dlg::DialogTemplate& t, const auto& rows) {
        ASSERT_EQ(t.controls.size(), std::size(rows));
        for (std::size_t i = 0; i < std::size(rows); ++i) {
            const auto& c = t.controls[i];
            EXPECT_EQ(c.id, rows[i].id);
            EXPECT_EQ(c.kind, rows[i].kind) << c.id;
            EXPECT_EQ(c.caption, rows[i].caption) << c.id;
            EXPECT_EQ(c.rect.x, rows[i].rect.x) << c.id;
            EXPECT_EQ(c.rect.y, rows[i].rect.y) << c.id;
            EXPECT_EQ(c.rect.cx, rows[i].rect.cx) << c.id;
            EXPECT_EQ(c.rect.cy, rows[i].rect.cy) << c.id;
        }
    };
    check(PlayerDialogTemplate(), player);
    check(WaitDialogTemplate(), wait);
    check(BusyDialogTemplate(), busy);
    EXPECT_EQ(PlayerDialogTemplate().cx, 228);
    EXPECT_EQ(PlayerDialogTemplate().cy, 120);
    EXPECT_NE(PlayerDialogTemplate().Find(1005)->style & dlg::kReadOnly, 0u);
    EXPECT_EQ(WaitDialogTemplate().style & dlg::kVisible, 0u);
    EXPECT_NE(BusyDialogTemplate().style & dlg::kVisible, 0u);
    for (int id : {1, 2}) {
        EXPECT_NE(WaitDialogTemplate().Find(id)->style & dlg::kHidden, 0u);
        EXPECT_NE(BusyDialogTemplate().Find(id)->style & dlg::kHidden, 0u);
    }
}

TEST_F(PlayerDialogTest, TheMediaPlayerTakesItsFileThroughProperty1026) {
    WithDialog([&](PlayerDialog& dialog) {
        dialog.m_player.SetFileName("/music/R001.mp3");
        EXPECT_EQ(dialog.GetItemProperty(1000, 1026), "/music/R001.mp3");
        dialog.m_player.SetFileName("");
        dialog.m_player.SetFileName("");
    });
    // The last empty name is Exit's.
    EXPECT_EQ(host_.PropertiesOf(102, 1000, 1026),
              (std::vector<std::string>{"/music/R001.mp3", "", "", ""}));
}

TEST_F(PlayerDialogTest, ClassifiesThroughPlayerConvert) {
    machine_.Put("a.vrk", {0x05});
    machine_.Put("b.vrk", {0x80, 1, 2});
    machine_.Put("c.vrk", {0x50});
    WithDialog([&](PlayerDialog& dialog) {
        EXPECT_EQ(dialog.ClassifySoundFile(machine_.PathOf("a.vrk")), 0);
        EXPECT_EQ(dialog.ClassifySoundFile(machine_.PathOf("b.vrk")), 3);
        EXPECT_EQ(dialog.ClassifySoundFile(machine_.PathOf("c.vrk")), 5);
        EXPECT_EQ(dialog.ClassifySoundFile(machine_.PathOf("none.vrk")), 5);
    });
    EXPECT_EQ(machine_.OpenHandles(), 0);
}

// Watches the busy box from inside the file calls of a repack.
class BusyWatch : public testing::FaultyFiles {
  public:
    BusyWatch(win32::Win32& inner, dlg::ScriptedHost& host) : FaultyFiles(inner), host_(host) {}
    struct Seen {
        bool up;
        std::string text;
        bool ownedByPlayer;
    };
    std::vector<Seen> atBlockReads;
    std::vector<bool> upAtClose;

    win32::BOOL ReadFile(win32::HANDLE file, void* buffer, win32::DWORD size, win32::DWORD* read,
                         void* overlapped) override {
        if (size > 1) atBlockReads.push_back(Look());
        return FaultyFiles::ReadFile(file, buffer, size, read, overlapped);
    }
    win32::BOOL CloseHandle(win32::HANDLE handle) override {
        upAtClose.push_back(host_.HasWindow(kBusyDialogTemplate));
        return FaultyFiles::CloseHandle(handle);
    }

  private:
    Seen Look() const {
        for (dlg::Dialog* d : host_.Windows())
            if (d->dialogTemplate().id == kBusyDialogTemplate)
                return {true, d->GetDlgItemText(kIdBusyText),
                        d->owner() && d->owner()->dialogTemplate().id == kPlayerDialogTemplate};
        return {false, {}, false};
    }
    dlg::ScriptedHost& host_;
};

// Three reads of blocks, the last one short.
constexpr std::size_t kThreeChunks = 2 * SoundFileRepacker::kBlocksPerChunk + 100;

Bytes Frames10File(std::size_t blocks) {
    Bytes file(512 + 512 * blocks + 100, 0x21);
    file[0] = 0x80;
    return file;
}

TEST_F(PlayerDialogTest, TheBusyBoxStaysEmptyWhileARepackRuns) {
    machine_.Put("s.vrk", Frames10File(kThreeChunks));
    BusyWatch watch(machine_.system(), host_);
    int result = 1;
    WithDialog(
        [&](PlayerDialog& dialog) {
            result = dialog.RepackSoundFile(machine_.PathOf("s.vrk"), machine_.PathOf("temp.sbs"));
            EXPECT_FALSE(host_.HasWindow(kBusyDialogTemplate));
        },
        &watch);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(watch.atBlockReads.size(), 3u);
    for (const auto& seen : watch.atBlockReads) {
        EXPECT_TRUE(seen.up);
        EXPECT_EQ(seen.text, "");
        EXPECT_TRUE(seen.ownedByPlayer);
    }
    // Both files are closed before the box goes.
    EXPECT_EQ(watch.upAtClose, (std::vector<bool>{true, true}));
    EXPECT_EQ(host_.TextsOf(kBusyDialogTemplate, kIdBusyText), std::vector<std::string>{""});
    EXPECT_EQ(machine_.Contents("temp.sbs")->size(), kThreeChunks * 510u);
    EXPECT_EQ(machine_.OpenHandles(), 0);
}

TEST_F(PlayerDialogTest, RepackFailures) {
    struct Case {
        const char* what;
        Bytes soundFile;  // empty: no sound file
        int failRead;
        int expected;
        bool busyShown;
    };
    const Case cases[] = {
        {"no sound file", {}, 0, -1, false},
        {"wrong first byte", {0x05, 0, 0}, 0, -4, false},
        {"read fails mid-file", Frames10File(kThreeChunks), 3, -3, true},
    };
    for (const auto& c : cases) {
        testing::SimulatedFiles machine;
        if (!c.soundFile.empty()) machine.Put("s.vrk", c.soundFile);
        BusyWatch watch(machine.system(), host_);
        watch.failRead = c.failRead;
        host_.ClearLogs();
        int result = 1;
        WithDialog(
            [&](PlayerDialog& dialog) {
                result =
                    dialog.RepackSoundFile(machine.PathOf("s.vrk"), machine.PathOf("temp.sbs"));
                EXPECT_FALSE(host_.HasWindow(kBusyDialogTemplate)) << c.what;
            },
            &watch);
        EXPECT_EQ(result, c.expected) << c.what;
        EXPECT_EQ(host_.TextsOf(kBusyDialogTemplate, kIdBusyText).size(), c.busyShown ? 1u : 0u)
            << c.what;
        EXPECT_EQ(machine.OpenHandles(), 0) << c.what;
        if (c.expected != -4) {
            EXPECT_EQ(machine.Contents("temp.sbs"), std::nullopt) << c.what;
        }
    }
}

// ---- start-up ----

class PlayerAppTest : public ::testing::Test {
  protected:
    PlayerAppTest() : before_(std::filesystem::current_path()) {}
    ~PlayerAppTest() override { std::filesystem::current_path(before_); }

    // A folder under the temporary one whose path is exactly `length` bytes.
    std::filesystem::path FolderOfLength(std::size_t length) {
        std::string path = std::filesystem::canonical(dir_.path()).string();
        while (path.size() < length) {
            const std::size_t room = length - path.size() - 1;
            path += "/" + std::string(std::min<std::size_t>(room, 100), 'd');
        }
        std::filesystem::create_directories(path);
        return path;
    }

    testing_support::TempDir dir_;
    std::filesystem::path before_;
    dlg::ScriptedHost host_;
    win32::linux_host::LinuxWin32 system_;
};

TEST_F(PlayerAppTest, TheStartDirectoryIsTheWorkingDirectory) {
    const std::filesystem::path program =
        std::filesystem::canonical("/proc/self/exe").parent_path();
    const std::filesystem::path work = FolderOfLength(60);
    ASSERT_NE(work, program);
    std::filesystem::current_path(work);
    host_.Queue(Event::Close());
    PlayerApp app(host_, system_);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(host_.ModalRuns(), std::vector<int>{102});
    EXPECT_EQ(std::string(g_szStartDir), work.string());
    EXPECT_TRUE(host_.Boxes().empty());
}

TEST_F(PlayerAppTest, TheLongestDirectoryThatFits) {
    const std::filesystem::path work = FolderOfLength(255);
    ASSERT_EQ(work.string().size(), 255u);
    std::filesystem::current_path(work);
    host_.Queue(Event::Close());
    PlayerApp app(host_, system_);
    app.InitInstance();
    EXPECT_EQ(host_.ModalRuns(), std::vector<int>{102});
    EXPECT_EQ(std::string(g_szStartDir), work.string());
}

TEST_F(PlayerAppTest, ALongerDirectoryIsRefused) {
    for (std::size_t length : {256u, 400u}) {
        std::filesystem::current_path(FolderOfLength(length));
        host_.ClearLogs();
        PlayerApp app(host_, system_);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_TRUE(host_.ModalRuns().empty()) << length;
        ASSERT_EQ(host_.Boxes().size(), 1u) << length;
        EXPECT_EQ(host_.Boxes()[0].text, kStartDirTooLong);
        EXPECT_EQ(host_.Boxes()[0].style, dlg::MB_OK | dlg::MB_ICONERROR);
        EXPECT_EQ(g_szStartDir[0], '\0');
    }
}

}  // namespace
}  // namespace vocna
