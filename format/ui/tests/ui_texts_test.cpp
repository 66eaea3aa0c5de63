// The three text sets, decoded from their code pages back to Unicode and
// compared with the characters of the texts tables.
#include "format/ui/ui_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/ui/format_dialog.h"
#include "format/ui/tests/decode.h"
#include "format/ui/ui_language.h"

namespace kerfa {
namespace {

using testing_text::Decode;

struct Set {
    UiLanguage language;
    const char* codePage;
    const char* window;
    std::vector<std::string> controls;  // 1011, 1016, 1012, 1013, 1014, 1006, 1007, 1017, 1009, 1
    std::vector<std::string> texts;     // UiTexts in member order
    std::string results;
};

const std::vector<Set>& Sets() {
    static const std::vector<Set> sets{
        {UiLanguage::English,
         "ASCII",
         "Kerfa V1.1",
         {"Please select a removable disk", "Volume:", "Drive:", "Size:", "Type", "Quick", "Full",
          "Low", "Format Now", "Exit"},
         {"ALL DATA ON THIS DISK WILL BE LOST!\n\nAre you sure?(Y/N)", "Format fail!",
          "Lock volume error!", "", "Invalid volume label!", "System area error!",
          "No Find Removable Disk Drive!", "System area", "Data area", "Total Sectors", "Current",
          "Quit", "Stop", "Are you sure?(Y/N)"},
         "total disk space: %d bytes\n\nbad sectors: %d bytes\n\navailable on disk: %d "
         "bytes\n\n\neach allocation unit: %d bytes\n\ntotal allocation units: %d\n"},
        {UiLanguage::SimplifiedChinese,
         "CP936",
         "KerfaV1.1",
         {"请选择", "卷标:", "驱动器:", "容量:", "类型", "快速", "全面", "低级", "开始", "退出"},
         {"该磁盘上的所有数据将丢失!\n\n是否进行格式化?(Y/N)", "格式化失败!", "锁卷标失败!",
          "不支持此类型磁盘！", "非法卷标!", "系统区错误!", "未发现可移动磁盘!", "系统区", "数据区",
          "总共扇区数", "当前扇区", "退出", "停止", "要停止格式化吗?(Y/N)"},
         "磁盘空间共: %d bytes\n\n坏扇区共: %d bytes\n\n可用磁盘空间: %d "
         "bytes\n\n\n\n每个分配单元共有: %d bytes\n\n磁盘分配单元总数: %d\n"},
        {UiLanguage::TraditionalChinese,
         "CP950",
         "KerfaV1.1",
         {"請選擇", "卷標:", "驅動器:", "容量:", "類型", "快速", "全面", "低級", "開始", "退出"},
         {"該磁碟上的所有資料將丟失!\n\n是否進行格式化?(Y/N)", "格式化失敗!", "鎖卷標失敗!",
          "不支援此類型磁碟!", "非法卷標!", "系統區錯誤!", "未發現可移動磁碟!", "系統區", "數據區",
          "總共扇區數", "當前扇區", "退出", "停止", "要停止格式化嗎?(Y/N)"},
         "磁碟空間共: %d bytes\n\n壞扇區共: %d bytes\n\n用磁碟空間: %d "
         "bytes\n\n\nC個分配單元共有: %d bytes\n\n磁碟分配單元總數: %d\n"},
    };
    return sets;
}

std::vector<std::string> TextsOf(const UiTexts& t) {
    return {t.eraseWarning,    t.formatFail, t.lockError,  t.unsupported, t.badLabel,
            t.systemAreaError, t.noDrive,    t.systemArea, t.dataArea,    t.totalSectors,
            t.current,         t.quit,       t.stop,       t.stopQuery};
}

TEST(UiTexts, EachSetDecodesToTheCharactersOfItsTables) {
    const std::vector<int> order{kIdHint,      kIdVolumeLabel, kIdDriveLabel, kIdSizeLabel,
                                 kIdModeGroup, kIdQuick,       kIdFull,       kIdLow,
                                 kIdFormatNow, kIdExit};
    for (const auto& set : Sets()) {
        SCOPED_TRACE(set.codePage);
        const DialogCaptions& captions = DialogCaptionsFor(set.language);
        EXPECT_EQ(Decode(captions.window, set.codePage), set.window);
        for (std::size_t i = 0; i < order.size(); ++i) {
            EXPECT_EQ(captions.controls[i].id, order[i]);
            EXPECT_EQ(Decode(captions.controls[i].text, set.codePage), set.controls[i]);
        }
        const std::vector<std::string> texts = TextsOf(UiTextsFor(set.language));
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (set.language == UiLanguage::English && i == 3) continue;  // not ASCII, below
            EXPECT_EQ(Decode(texts[i], set.codePage), set.texts[i]) << "text " << i;
        }
        EXPECT_EQ(Decode(ResultsText(set.language), set.codePage), set.results);
    }
}

TEST(UiTexts, EnglishUnsupportedEndsInTheGbkFullWidthMark) {
    const std::string text = UiTextsFor(UiLanguage::English).unsupported;
    EXPECT_EQ(text, std::string("Unsupported type") + '\xA3' + '\xA1');
    EXPECT_EQ(Decode(text, "CP936"), "Unsupported type！");
}

TEST(UiTexts, ChineseUnsupportedMarksDifferByCodePage) {
    // GBK ends in the full-width mark A3 A1, Big5 in an ASCII "!".
    const std::string simplified = UiTextsFor(UiLanguage::SimplifiedChinese).unsupported;
    const std::string traditional = UiTextsFor(UiLanguage::TraditionalChinese).unsupported;
    EXPECT_EQ(simplified.substr(simplified.size() - 2), "\xA3\xA1");
    EXPECT_EQ(traditional.back(), '!');
}

TEST(UiTexts, EnglishCaptionsAreTheTemplateCaptions) {
    const dlg::DialogTemplate& t = FormatDialogTemplate();
    const DialogCaptions& english = DialogCaptionsFor(UiLanguage::English);
    EXPECT_EQ(t.caption, english.window);
    for (const auto& control : english.controls) {
        ASSERT_NE(t.Find(control.id), nullptr) << control.id;
        EXPECT_EQ(t.Find(control.id)->caption, control.text) << control.id;
    }
}

TEST(UiLanguageRule, WholeLanguageIdsPickTheSet) {
    struct Case {
        win32::LANGID id;
        UiLanguage language;
    };
    const Case cases[] = {
        {2052, UiLanguage::SimplifiedChinese},
        {1028, UiLanguage::TraditionalChinese},
        {3076, UiLanguage::TraditionalChinese},
        {4100, UiLanguage::TraditionalChinese},
        {5124, UiLanguage::English},
        {0x0409, UiLanguage::English},
        {0x0004, UiLanguage::English},
        {0x0007, UiLanguage::English},
        {0x0407, UiLanguage::English},
        {0xFFFF, UiLanguage::English},
    };
    for (const auto& c : cases) EXPECT_EQ(UiLanguageOf(c.id), c.language) << c.id;
}

}  // namespace
}  // namespace kerfa
