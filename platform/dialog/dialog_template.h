// Dialog templates: what a dialog resource holds, in dialog units.
#pragma once

#include <string>
#include <vector>

namespace dlg {

struct Rect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

enum class ControlKind {
    PushButton,
    DefPushButton,
    AutoRadioButton,
    AutoCheckBox,
    GroupBox,
    StaticText,
    EditBox,
    DropDownList,
    Icon,
    MediaPlayer,
};

// Control styles.
enum ControlStyle : unsigned {
    kStyleNone = 0,
    kHidden = 1u << 0,
    kDisabled = 1u << 1,
    kTabStop = 1u << 2,
    kGroup = 1u << 3,
    kSorted = 1u << 4,
    kVScroll = 1u << 5,
    kBorder = 1u << 6,
    kAutoHScroll = 1u << 7,
    kReadOnly = 1u << 8,
};

// Dialog styles.
enum DialogStyle : unsigned {
    kDialogNone = 0,
    kCaption = 1u << 0,
    kSystemMenu = 1u << 1,
    kMinimizeBox = 1u << 2,
    kModalFrame = 1u << 3,
    kVisible = 1u << 4,
    kAppWindow = 1u << 5,
    kPopup = 1u << 6,
};

struct ControlTemplate {
    int id = 0;
    ControlKind kind = ControlKind::StaticText;
    std::string caption;
    Rect rect;
    unsigned style = kStyleNone;
    int iconId = 0;  // for ControlKind::Icon
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    int cx = 0;
    int cy = 0;
    std::string fontName;
    int fontPoints = 8;
    unsigned style = kDialogNone;
    std::vector<ControlTemplate> controls;  // template order is tab order

    const ControlTemplate* Find(int controlId) const {
        for (const auto& c : controls)
            if (c.id == controlId) return &c;
        return nullptr;
    }
};

}  // namespace dlg
