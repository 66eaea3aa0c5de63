// A dialog built from a template. The dialog keeps the state of its controls;
// a host shows that state and feeds events back.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/dialog/dialog_template.h"
#include "platform/dialog/event.h"
#include "platform/dialog/host.h"

namespace dlg {

struct ControlState {
    int id = 0;
    ControlKind kind = ControlKind::StaticText;
    std::string text;
    bool enabled = true;
    bool visible = true;
    int checked = 0;
    std::vector<std::string> items;  // combo box entries, in shown order
    int selection = -1;
    std::size_t textLimit = 0;  // edit boxes: 0 is no limit
    std::map<int, std::string> properties;  // string properties by dispatch id
};

struct MenuItem {
    bool separator = false;
    int command = 0;
    std::string text;
};

// System commands a host sends besides the program's own items.
constexpr int SC_CLOSE = 0xF060;

// Icons set on a window.
enum class IconSize { Big, Small };

class Dialog;

// Moves members to controls (loading) or controls to members (saving).
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool saving) : dialog_(dialog), saving_(saving) {}
    bool saving() const { return saving_; }
    bool failed() const { return failed_; }

    void Text(int id, std::string& member);
    // Checks the length of a text member on saving; on loading sets the limit.
    void MaxChars(int id, std::string& member, std::size_t limit);
    void Check(int id, int& member);

private:
    Dialog& dialog_;
    bool saving_;
    bool failed_ = false;
};

// A control object bound to a control of its dialog.
class ControlRef {
public:
    ControlRef() = default;
    void Bind(Dialog& dialog, int id) {
        dialog_ = &dialog;
        id_ = id;
    }
    bool bound() const { return dialog_ != nullptr; }
    int id() const { return id_; }
    Dialog* dialog() const { return dialog_; }

protected:
    Dialog* dialog_ = nullptr;
    int id_ = 0;
};

class ComboBox : public ControlRef {
public:
    int AddString(const std::string& text);
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    std::string GetItemText(int index) const;
};

class Button : public ControlRef {
public:
    int GetCheck() const;
    void SetCheck(int state);
};

class Dialog {
public:
    Dialog(Host& host, const DialogTemplate& dialogTemplate, Dialog* owner = nullptr);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally; returns the result given to EndDialog.
    int DoModal();
    // Creates the window modelessly.
    void Create();
    void DestroyWindow();
    void EndDialog(int result);

    // Called by a host when the window has been created.
    void InitWindow();
    // Called by a host with one event for this dialog.
    void HandleEvent(const Event& event);
    // Called by a host when its window is gone.
    void WindowDestroyed();

    // Data exchange: false when saving failed (the user has been told).
    bool UpdateData(bool save = true);

    // Controls.
    const ControlState* Control(int id) const;
    const std::vector<ControlState>& Controls() const { return controls_; }
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    void EnableItem(int id, bool enable);
    bool IsItemEnabled(int id) const;
    void ShowItem(int id, bool show);
    void CheckDlgButton(int id, int state);
    int IsDlgButtonChecked(int id) const;
    void SetItemProperty(int id, int dispatchId, const std::string& value);
    std::string GetItemProperty(int id, int dispatchId) const;
    void SetTextLimit(int id, std::size_t limit);
    void SetComboItems(int id, std::vector<std::string> items);
    void SetComboSelection(int id, int index);

    // Focus.
    void GotoDlgCtrl(int id);
    void SetFocus(int id) { GotoDlgCtrl(id); }
    // WM_NEXTDLGCTL in its handle form: the focus moves to control `id`.
    void NextDlgCtrl(int id) { GotoDlgCtrl(id); }
    int FocusId() const { return focus_; }

    // The window.
    void SetWindowText(const std::string& caption);
    const std::string& WindowText() const { return caption_; }
    bool HasSystemMenu() const { return (template_.style & kSystemMenu) != 0; }
    void AppendSystemMenu(MenuItem item);
    const std::vector<MenuItem>& SystemMenu() const { return systemMenu_; }
    void SetIcon(int iconId, IconSize size);
    int Icon(IconSize size) const { return size == IconSize::Big ? bigIcon_ : smallIcon_; }

    // Services.
    int MessageBox(const std::string& text, const std::string& caption, unsigned style);
    void SetTimer(unsigned id, unsigned milliseconds);
    void KillTimer(unsigned id);
    void SetCursor(Cursor cursor) { host_.SetCursor(cursor); }
    bool PumpOneMessage() { return host_.DispatchOnePending(); }

    Host& host() const { return host_; }
    const DialogTemplate& dialogTemplate() const { return template_; }
    Dialog* owner() const { return owner_; }
    bool HasWindow() const { return hasWindow_; }
    bool Ended() const { return ended_; }
    int Result() const { return result_; }

protected:
    virtual void DoDataExchange(DataExchange& dx);
    virtual bool OnDialogInit();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void OnTimer(unsigned id);
    virtual void OnSysCommand(int command);

    // Handlers for clicks (buttons) and selection changes (combo boxes).
    void OnClicked(int id, std::function<void()> handler);
    void OnSelChange(int id, std::function<void()> handler);

private:
    friend class DataExchange;
    ControlState* Find(int id);
    const ControlState* Find(int id) const;
    void Notify(int id);

    Host& host_;
    const DialogTemplate& template_;
    Dialog* owner_;
    std::vector<ControlState> controls_;
    std::map<int, std::function<void()>> clickHandlers_;
    std::map<int, std::function<void()>> selChangeHandlers_;
    std::vector<MenuItem> systemMenu_;
    std::string caption_;
    int bigIcon_ = 0;
    int smallIcon_ = 0;
    int focus_ = 0;
    bool hasWindow_ = false;
    bool ended_ = false;
    int result_ = 0;
};

// The text the framework shows when a text member is too long on saving.
std::string MaxCharsMessage(std::size_t limit);

}  // namespace dlg
