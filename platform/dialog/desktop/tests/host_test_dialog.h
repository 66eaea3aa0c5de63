// A dialog with one control of every kind, for the host's own tests.
#pragma once

#include <functional>

#include "platform/dialog/dialog.h"

namespace dlg::desktop::testing {

enum HostTestControl : int {
    kIdRun = 10,
    kIdStop = 11,
    kIdKeep = 12,
    kIdName = 13,
    kIdList = 14,
    kIdHiddenText = 15,
    kIdBox = 16,
    kIdOne = 17,
    kIdTwo = 18,
    kIdGrey = 19,
    kIdIcon = 20,
};
constexpr int kHostTestTemplate = 500;
constexpr int kHostTestIcon = 128;
constexpr std::size_t kNameLimit = 11;

const DialogTemplate& HostTestTemplate();

class HostTestDialog : public Dialog {
  public:
    explicit HostTestDialog(Host& host, Dialog* owner = nullptr);

    std::string m_strName;
    int runs = 0;
    int stops = 0;
    int selections = 0;
    int timerTicks = 0;
    int sysCommands = 0;
    bool stopRequested = false;
    int pumpsInRun = 0;
    // Called from the initialisation, after the base one.
    std::function<void(HostTestDialog&)> onInit;
    // Called on every timer tick.
    std::function<void(HostTestDialog&, unsigned)> onTimer;
    std::vector<MenuItem> menu{{true, 0, {}}, {false, 16, "&About ..."}};

  protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnDialogInit() override;
    void OnTimer(unsigned id) override;
    void OnSysCommand(int command) override;
};

}  // namespace dlg::desktop::testing
