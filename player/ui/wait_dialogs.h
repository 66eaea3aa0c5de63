// The two boxes Vocna shows while it waits: WaitDialog (modal, until a sibling
// tool's process has ended) and BusyDialog (modeless, while a sound file is
// repacked). Both animate one text line with the spinner.
#pragma once

#include <string>

#include "platform/dialog/dialog.h"
#include "platform/win32/win32.h"

namespace vocna {

inline constexpr unsigned kWaitTimer = 1;
inline constexpr unsigned kBusyTimer = 2;
inline constexpr unsigned kSpinMilliseconds = 800;

class WaitDialog : public dlg::Dialog {
  public:
    // Without owner the box belongs to the program's main window.
    WaitDialog(dlg::Host& host, win32::Win32& system, dlg::Dialog* owner = nullptr);

    std::string m_strText;
    std::string m_strMessage;
    // Set by the caller before the box is shown. A handle the wait cannot use
    // ends the box like a finished process.
    win32::HANDLE m_hProcess = nullptr;

    // Shared by every WaitDialog for the whole run of the program.
    static inline int s_nSpinStep = 1;

  protected:
    void DoDataExchange(dlg::DataExchange& dx) override;
    bool OnDialogInit() override;
    // The process poll: ends the box once the process has ended, else turns
    // the spinner by one step.
    void OnOK() override;
    // The box goes only with its process: closing it earlier would let the
    // chain go on with a tool that is still writing its output.
    void OnCancel() override;
    void OnTimer(unsigned id) override;

  private:
    bool ProcessRuns();

    win32::Win32& system_;
};

class BusyDialog final : public dlg::Dialog {
  public:
    // The window is up when the constructor returns and goes with the object.
    BusyDialog(dlg::Host& host, dlg::Dialog* owner);
    ~BusyDialog() override;

    std::string m_strMessage;
    std::string m_strText;

    // BusyDialog's own counter, apart from WaitDialog's.
    static inline int s_nSpinStep = 1;

  protected:
    void DoDataExchange(dlg::DataExchange& dx) override;
    bool OnDialogInit() override;
    void OnTimer(unsigned id) override;
};

}  // namespace vocna
