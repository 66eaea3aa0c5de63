#include "platform/dialog/dialog.h"

#include <algorithm>

namespace dlg {

std::string MaxCharsMessage(std::size_t limit) {
    return "Please enter no more than " + std::to_string(limit) + " characters.";
}

// ---- data exchange ---------------------------------------------------------

void DataExchange::Text(int id, std::string& member) {
    if (saving_)
        member = dialog_.GetDlgItemText(id);
    else
        dialog_.SetDlgItemText(id, member);
}

void DataExchange::MaxChars(int id, std::string& member, std::size_t limit) {
    if (!saving_) {
        dialog_.SetTextLimit(id, limit);
        return;
    }
    if (member.size() > limit) {
        dialog_.MessageBox(MaxCharsMessage(limit), dialog_.WindowText(), MB_OK | MB_ICONWARNING);
        dialog_.GotoDlgCtrl(id);
        failed_ = true;
    }
}

void DataExchange::Check(int id, int& member) {
    if (saving_)
        member = dialog_.IsDlgButtonChecked(id);
    else
        dialog_.CheckDlgButton(id, member);
}

// ---- bound controls ----------------------------------------------------------

int ComboBox::AddString(const std::string& text) {
    const ControlState* c = dialog_->Control(id_);
    std::vector<std::string> items = c->items;
    auto at = items.end();
    if (dialog_->dialogTemplate().Find(id_) &&
        (dialog_->dialogTemplate().Find(id_)->style & kSorted))
        at = std::upper_bound(items.begin(), items.end(), text);
    const int index = static_cast<int>(at - items.begin());
    items.insert(at, text);
    int selection = c->selection;
    if (selection >= index) ++selection;
    dialog_->SetComboItems(id_, std::move(items));
    dialog_->SetComboSelection(id_, selection);
    return index;
}

int ComboBox::GetCount() const { return static_cast<int>(dialog_->Control(id_)->items.size()); }

int ComboBox::GetCurSel() const { return dialog_->Control(id_)->selection; }

int ComboBox::SetCurSel(int index) {
    if (index < 0 || index >= GetCount()) {
        dialog_->SetComboSelection(id_, -1);
        return -1;
    }
    dialog_->SetComboSelection(id_, index);
    return index;
}

std::string ComboBox::GetItemText(int index) const {
    const auto& items = dialog_->Control(id_)->items;
    if (index < 0 || index >= static_cast<int>(items.size())) return {};
    return items[static_cast<std::size_t>(index)];
}

int Button::GetCheck() const { return dialog_->IsDlgButtonChecked(id_); }

void Button::SetCheck(int state) { dialog_->CheckDlgButton(id_, state); }

// ---- the dialog ----------------------------------------------------------------

Dialog::Dialog(Host& host, const DialogTemplate& dialogTemplate, Dialog* owner)
    : host_(host), template_(dialogTemplate), owner_(owner) {}

Dialog::~Dialog() {
    if (hasWindow_) host_.DestroyWindow(*this);
}

int Dialog::DoModal() { return host_.RunModal(*this); }

void Dialog::Create() { host_.CreateModeless(*this); }

void Dialog::DestroyWindow() {
    if (hasWindow_) host_.DestroyWindow(*this);
}

void Dialog::EndDialog(int result) {
    ended_ = true;
    result_ = result;
    host_.EndModal(*this, result);
}

void Dialog::InitWindow() {
    controls_.clear();
    for (const auto& t : template_.controls) {
        ControlState c;
        c.id = t.id;
        c.kind = t.kind;
        c.text = t.caption;
        c.enabled = (t.style & kDisabled) == 0;
        c.visible = (t.style & kHidden) == 0;
        controls_.push_back(std::move(c));
    }
    caption_ = template_.caption;
    systemMenu_.clear();
    focus_ = 0;
    ended_ = false;
    result_ = 0;
    hasWindow_ = true;
    const bool defaultFocus = OnDialogInit();
    if (defaultFocus && focus_ == 0) {
        for (const auto& t : template_.controls) {
            const ControlState* c = Find(t.id);
            if ((t.style & kTabStop) && c->enabled && c->visible) {
                focus_ = t.id;
                break;
            }
        }
    }
}

void Dialog::WindowDestroyed() { hasWindow_ = false; }

void Dialog::HandleEvent(const Event& event) {
    switch (event.kind) {
        case Event::Kind::Click: {
            const ControlState* c = Find(event.id);
            if (c && (!c->enabled || !c->visible)) return;
            if (c && c->kind == ControlKind::AutoCheckBox) CheckDlgButton(event.id, !c->checked);
            if (event.id == IDOK) {
                OnOK();
            } else if (event.id == IDCANCEL) {
                OnCancel();
            } else if (auto h = clickHandlers_.find(event.id); h != clickHandlers_.end()) {
                auto handler = h->second;
                handler();
            }
            return;
        }
        case Event::Kind::EnterKey: {
            for (const auto& t : template_.controls) {
                if (t.kind != ControlKind::DefPushButton) continue;
                HandleEvent(Event::Click(t.id));
                return;
            }
            OnOK();
            return;
        }
        case Event::Kind::EscapeKey:
        case Event::Kind::Close:
            OnCancel();
            return;
        case Event::Kind::SysCommand:
            OnSysCommand(event.id);
            return;
        case Event::Kind::Timer:
            OnTimer(static_cast<unsigned>(event.id));
            return;
        case Event::Kind::SelChange: {
            const ControlState* c = Find(event.id);
            if (c && (!c->enabled || !c->visible)) return;
            SetComboSelection(event.id, event.index);
            if (auto h = selChangeHandlers_.find(event.id); h != selChangeHandlers_.end()) {
                auto handler = h->second;
                handler();
            }
            return;
        }
        case Event::Kind::Type: {
            ControlState* c = Find(event.id);
            if (!c || !c->enabled || !c->visible) return;
            std::string text = event.text;
            if (c->textLimit && text.size() > c->textLimit) text.resize(c->textLimit);
            SetDlgItemText(event.id, text);
            return;
        }
        case Event::Kind::Action:
            if (event.action) event.action();
            return;
        case Event::Kind::Command:
            // Sent by the program itself, so it reaches hidden controls too.
            if (auto h = clickHandlers_.find(event.id); h != clickHandlers_.end()) {
                auto handler = h->second;
                handler();
            }
            return;
    }
}

bool Dialog::UpdateData(bool save) {
    DataExchange dx(*this, save);
    DoDataExchange(dx);
    return !dx.failed();
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnDialogInit() {
    UpdateData(false);
    return true;
}

void Dialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::OnTimer(unsigned) {}

void Dialog::OnSysCommand(int command) {
    if ((command & 0xFFF0) == SC_CLOSE) OnCancel();
}

void Dialog::OnClicked(int id, std::function<void()> handler) {
    clickHandlers_[id] = std::move(handler);
}

void Dialog::OnSelChange(int id, std::function<void()> handler) {
    selChangeHandlers_[id] = std::move(handler);
}

ControlState* Dialog::Find(int id) {
    for (auto& c : controls_)
        if (c.id == id) return &c;
    return nullptr;
}

const ControlState* Dialog::Find(int id) const {
    for (const auto& c : controls_)
        if (c.id == id) return &c;
    return nullptr;
}

const ControlState* Dialog::Control(int id) const { return Find(id); }

void Dialog::Notify(int id) {
    if (hasWindow_) host_.Changed(*this, id);
}

void Dialog::SetDlgItemText(int id, const std::string& text) {
    if (ControlState* c = Find(id)) {
        c->text = text;
        Notify(id);
    }
}

std::string Dialog::GetDlgItemText(int id) const {
    const ControlState* c = Find(id);
    return c ? c->text : std::string();
}

void Dialog::EnableItem(int id, bool enable) {
    if (ControlState* c = Find(id)) {
        c->enabled = enable;
        Notify(id);
    }
}

bool Dialog::IsItemEnabled(int id) const {
    const ControlState* c = Find(id);
    return c && c->enabled;
}

void Dialog::ShowItem(int id, bool show) {
    if (ControlState* c = Find(id)) {
        c->visible = show;
        Notify(id);
    }
}

void Dialog::CheckDlgButton(int id, int state) {
    if (ControlState* c = Find(id)) {
        c->checked = state;
        Notify(id);
    }
}

int Dialog::IsDlgButtonChecked(int id) const {
    const ControlState* c = Find(id);
    return c ? c->checked : 0;
}

void Dialog::SetItemProperty(int id, int dispatchId, const std::string& value) {
    if (ControlState* c = Find(id)) {
        c->properties[dispatchId] = value;
        Notify(id);
        if (hasWindow_) host_.PropertySet(*this, id, dispatchId);
    }
}

std::string Dialog::GetItemProperty(int id, int dispatchId) const {
    const ControlState* c = Find(id);
    if (!c) return {};
    auto p = c->properties.find(dispatchId);
    return p == c->properties.end() ? std::string() : p->second;
}

void Dialog::SetTextLimit(int id, std::size_t limit) {
    if (ControlState* c = Find(id)) {
        c->textLimit = limit;
        Notify(id);
    }
}

void Dialog::SetComboItems(int id, std::vector<std::string> items) {
    if (ControlState* c = Find(id)) {
        c->items = std::move(items);
        Notify(id);
    }
}

void Dialog::SetComboSelection(int id, int index) {
    if (ControlState* c = Find(id)) {
        c->selection = index;
        if (index >= 0 && index < static_cast<int>(c->items.size()))
            c->text = c->items[static_cast<std::size_t>(index)];
        Notify(id);
    }
}

void Dialog::GotoDlgCtrl(int id) {
    focus_ = id;
    Notify(0);
}

void Dialog::SetWindowText(const std::string& caption) {
    caption_ = caption;
    Notify(0);
}

void Dialog::AppendSystemMenu(MenuItem item) {
    systemMenu_.push_back(std::move(item));
    Notify(0);
}

void Dialog::SetIcon(int iconId, IconSize size) {
    (size == IconSize::Big ? bigIcon_ : smallIcon_) = iconId;
    Notify(0);
}

int Dialog::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
    return host_.MessageBox(this, text, caption, style);
}

void Dialog::SetTimer(unsigned id, unsigned milliseconds) {
    host_.SetTimer(*this, id, milliseconds);
}

void Dialog::KillTimer(unsigned id) { host_.KillTimer(*this, id); }

}  // namespace dlg
