#include "format/ui/format_about_dialog.h"

#include "format/ui/format_dialog.h"
#include "format/ui/ui_texts.h"

namespace kerfa {

namespace {
// Texts and the icon of a resource carry no id of their own.
constexpr int kIdStatic = -1;
}  // namespace

const dlg::DialogTemplate& FormatAboutTemplate() {
    static const dlg::DialogTemplate dialogTemplate{
        kFormatAboutTemplate,
        kAboutCaption,
        235,
        55,
        "MS Sans Serif",
        8,
        dlg::kCaption | dlg::kSystemMenu | dlg::kModalFrame | dlg::kPopup,
        {
            {kIdStatic,
             dlg::ControlKind::Icon,
             "",
             {11, 11, 20, 20},
             dlg::kStyleNone,
             kProgramIcon},
            {kIdStatic, dlg::ControlKind::StaticText, kAboutTitle, {40, 10, 149, 8}},
            {kIdStatic, dlg::ControlKind::StaticText, kAboutYear, {40, 25, 119, 8}},
            {dlg::IDOK,
             dlg::ControlKind::DefPushButton,
             "OK",
             {169, 27, 50, 14},
             dlg::kGroup | dlg::kTabStop},
        },
    };
    return dialogTemplate;
}

FormatAboutDialog::FormatAboutDialog(dlg::Host& host, dlg::Dialog* owner)
    : dlg::Dialog(host, FormatAboutTemplate(), owner) {}

}  // namespace kerfa
