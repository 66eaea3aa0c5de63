#include "format/ui/ui_texts.h"

#include "format/ui/format_dialog.h"

namespace kerfa {

namespace {

// ---- table A: window and control captions ----

constexpr DialogCaptions kEnglishCaptions{
    "Kerfa V1.1",
    {{{kIdHint, "Please select a removable disk"},
      {kIdVolumeLabel, "Volume:"},
      {kIdDriveLabel, "Drive:"},
      {kIdSizeLabel, "Size:"},
      {kIdModeGroup, "Type"},
      {kIdQuick, "Quick"},
      {kIdFull, "Full"},
      {kIdLow, "Low"},
      {kIdFormatNow, "Format Now"},
      {kIdExit, "Exit"}}},
};
constexpr DialogCaptions kSimplifiedCaptions{
    // KerfaV1.1
    "KerfaV1.1",
    {{// 请选择
      {kIdHint, "\xC7\xEB\xD1\xA1\xD4\xF1"},
      // 卷标:
      {kIdVolumeLabel, "\xBE\xED\xB1\xEA:"},
      // 驱动器:
      {kIdDriveLabel, "\xC7\xFD\xB6\xAF\xC6\xF7:"},
      // 容量:
      {kIdSizeLabel, "\xC8\xDD\xC1\xBF:"},
      // 类型
      {kIdModeGroup, "\xC0\xE0\xD0\xCD"},
      // 快速
      {kIdQuick, "\xBF\xEC\xCB\xD9"},
      // 全面
      {kIdFull, "\xC8\xAB\xC3\xE6"},
      // 低级
      {kIdLow, "\xB5\xCD\xBC\xB6"},
      // 开始
      {kIdFormatNow, "\xBF\xAA\xCA\xBC"},
      // 退出
      {kIdExit, "\xCD\xCB\xB3\xF6"}}},
};
constexpr DialogCaptions kTraditionalCaptions{
    // KerfaV1.1
    "KerfaV1.1",
    {{// 請選擇
      {kIdHint, "\xBD\xD0\xBF\xEF\xBE\xDC"},
      // 卷標:
      {kIdVolumeLabel, "\xA8\xF7\xBC\xD0:"},
      // 驅動器:
      {kIdDriveLabel, "\xC5\x58\xB0\xCA\xBE\xB9:"},
      // 容量:
      {kIdSizeLabel, "\xAE\x65\xB6\x71:"},
      // 類型
      {kIdModeGroup, "\xC3\xFE\xAB\xAC"},
      // 快速
      {kIdQuick, "\xA7\xD6\xB3\x74"},
      // 全面
      {kIdFull, "\xA5\xFE\xAD\xB1"},
      // 低級
      {kIdLow, "\xA7\x43\xAF\xC5"},
      // 開始
      {kIdFormatNow, "\xB6\x7D\xA9\x6C"},
      // 退出
      {kIdExit, "\xB0\x68\xA5\x58"}}},
};

// ---- table B: the UiTexts ----

constexpr UiTexts kEnglishTexts{
    "ALL DATA ON THIS DISK WILL BE LOST!\n\n"
    "Are you sure?(Y/N)",
    "Format fail!",
    "Lock volume error!",
    // "Unsupported type" and the GBK full-width exclamation mark
    "Unsupported type\xA3\xA1",
    "Invalid volume label!",
    "System area error!",
    "No Find Removable Disk Drive!",
    "System area",
    "Data area",
    "Total Sectors",
    "Current",
    "Quit",
    "Stop",
    "Are you sure?(Y/N)",
};

constexpr UiTexts kSimplifiedTexts{
    // 该磁盘上的所有数据将
    "\xB8\xC3\xB4\xC5\xC5\xCC\xC9\xCF\xB5\xC4\xCB\xF9\xD3\xD0\xCA\xFD\xBE\xDD\xBD\xAB"
    // 丢失!\n\n
    "\xB6\xAA\xCA\xA7!\n\n"
    // 是否进行格式化?(Y/N)
    "\xCA\xC7\xB7\xF1\xBD\xF8\xD0\xD0\xB8\xF1\xCA\xBD\xBB\xAF?(Y/N)",
    // 格式化失败!
    "\xB8\xF1\xCA\xBD\xBB\xAF\xCA\xA7\xB0\xDC!",
    // 锁卷标失败!
    "\xCB\xF8\xBE\xED\xB1\xEA\xCA\xA7\xB0\xDC!",
    // 不支持此类型磁盘！
    "\xB2\xBB\xD6\xA7\xB3\xD6\xB4\xCB\xC0\xE0\xD0\xCD\xB4\xC5\xC5\xCC\xA3\xA1",
    // 非法卷标!
    "\xB7\xC7\xB7\xA8\xBE\xED\xB1\xEA!",
    // 系统区错误!
    "\xCF\xB5\xCD\xB3\xC7\xF8\xB4\xED\xCE\xF3!",
    // 未发现可移动磁盘!
    "\xCE\xB4\xB7\xA2\xCF\xD6\xBF\xC9\xD2\xC6\xB6\xAF\xB4\xC5\xC5\xCC!",
    // 系统区
    "\xCF\xB5\xCD\xB3\xC7\xF8",
    // 数据区
    "\xCA\xFD\xBE\xDD\xC7\xF8",
    // 总共扇区数
    "\xD7\xDC\xB9\xB2\xC9\xC8\xC7\xF8\xCA\xFD",
    // 当前扇区
    "\xB5\xB1\xC7\xB0\xC9\xC8\xC7\xF8",
    // 退出
    "\xCD\xCB\xB3\xF6",
    // 停止
    "\xCD\xA3\xD6\xB9",
    // 要停止格式化吗?(Y/N)
    "\xD2\xAA\xCD\xA3\xD6\xB9\xB8\xF1\xCA\xBD\xBB\xAF\xC2\xF0?(Y/N)",
};

constexpr UiTexts kTraditionalTexts{
    // 該磁碟上的所有資料將
    "\xB8\xD3\xBA\xCF\xBA\xD0\xA4\x57\xAA\xBA\xA9\xD2\xA6\xB3\xB8\xEA\xAE\xC6\xB1\x4E"
    // 丟失!\n\n
    "\xA5\xE1\xA5\xA2!\n\n"
    // 是否進行格式化?(Y/N)
    "\xAC\x4F\xA7\x5F\xB6\x69\xA6\xE6\xAE\xE6\xA6\xA1\xA4\xC6?(Y/N)",
    // 格式化失敗!
    "\xAE\xE6\xA6\xA1\xA4\xC6\xA5\xA2\xB1\xD1!",
    // 鎖卷標失敗!
    "\xC2\xEA\xA8\xF7\xBC\xD0\xA5\xA2\xB1\xD1!",
    // 不支援此類型磁碟!
    "\xA4\xA3\xA4\xE4\xB4\xA9\xA6\xB9\xC3\xFE\xAB\xAC\xBA\xCF\xBA\xD0!",
    // 非法卷標!
    "\xAB\x44\xAA\x6B\xA8\xF7\xBC\xD0!",
    // 系統區錯誤!
    "\xA8\x74\xB2\xCE\xB0\xCF\xBF\xF9\xBB\x7E!",
    // 未發現可移動磁碟!
    "\xA5\xBC\xB5\x6F\xB2\x7B\xA5\x69\xB2\xBE\xB0\xCA\xBA\xCF\xBA\xD0!",
    // 系統區
    "\xA8\x74\xB2\xCE\xB0\xCF",
    // 數據區
    "\xBC\xC6\xBE\xDA\xB0\xCF",
    // 總共扇區數
    "\xC1\x60\xA6\x40\xAE\xB0\xB0\xCF\xBC\xC6",
    // 當前扇區
    "\xB7\xED\xAB\x65\xAE\xB0\xB0\xCF",
    // 退出
    "\xB0\x68\xA5\x58",
    // 停止
    "\xB0\xB1\xA4\xEE",
    // 要停止格式化嗎?(Y/N)
    "\xAD\x6E\xB0\xB1\xA4\xEE\xAE\xE6\xA6\xA1\xA4\xC6\xB6\xDC?(Y/N)",
};

// ---- table D: the results box ----

constexpr char kEnglishResults[] =
    "total disk space: %d bytes\n\n"
    "bad sectors: %d bytes\n\n"
    "available on disk: %d bytes\n\n\n"
    "each allocation unit: %d bytes\n\n"
    "total allocation units: %d\n";

constexpr char kSimplifiedResults[] =
    // 磁盘空间共: %d bytes\n\n
    "\xB4\xC5\xC5\xCC\xBF\xD5\xBC\xE4\xB9\xB2: %d bytes\n\n"
    // 坏扇区共: %d bytes\n\n
    "\xBB\xB5\xC9\xC8\xC7\xF8\xB9\xB2: %d bytes\n\n"
    // 可用磁盘空间: %d bytes\n\n\n\n
    "\xBF\xC9\xD3\xC3\xB4\xC5\xC5\xCC\xBF\xD5\xBC\xE4: %d bytes\n\n\n\n"
    // 每个分配单元共有: %d bytes\n\n
    "\xC3\xBF\xB8\xF6\xB7\xD6\xC5\xE4\xB5\xA5\xD4\xAA\xB9\xB2\xD3\xD0: %d bytes\n\n"
    // 磁盘分配单元总数: %d\n
    "\xB4\xC5\xC5\xCC\xB7\xD6\xC5\xE4\xB5\xA5\xD4\xAA\xD7\xDC\xCA\xFD: %d\n";

constexpr char kTraditionalResults[] =
    // 磁碟空間共: %d bytes\n\n
    "\xBA\xCF\xBA\xD0\xAA\xC5\xB6\xA1\xA6\x40: %d bytes\n\n"
    // 壞扇區共: %d bytes\n\n
    "\xC3\x61\xAE\xB0\xB0\xCF\xA6\x40: %d bytes\n\n"
    // 用磁碟空間: %d bytes\n\n\n
    "\xA5\xCE\xBA\xCF\xBA\xD0\xAA\xC5\xB6\xA1: %d bytes\n\n\n"
    // C個分配單元共有: %d bytes\n\n
    "C\xAD\xD3\xA4\xC0\xB0\x74\xB3\xE6\xA4\xB8\xA6\x40\xA6\xB3: %d bytes\n\n"
    // 磁碟分配單元總數: %d\n
    "\xBA\xCF\xBA\xD0\xA4\xC0\xB0\x74\xB3\xE6\xA4\xB8\xC1\x60\xBC\xC6: %d\n";

}  // namespace

const UiTexts& UiTextsFor(UiLanguage language) {
    switch (language) {
        case UiLanguage::SimplifiedChinese:
            return kSimplifiedTexts;
        case UiLanguage::TraditionalChinese:
            return kTraditionalTexts;
        case UiLanguage::English:
            break;
    }
    return kEnglishTexts;
}

const DialogCaptions& DialogCaptionsFor(UiLanguage language) {
    switch (language) {
        case UiLanguage::SimplifiedChinese:
            return kSimplifiedCaptions;
        case UiLanguage::TraditionalChinese:
            return kTraditionalCaptions;
        case UiLanguage::English:
            break;
    }
    return kEnglishCaptions;
}

const char* ResultsText(UiLanguage language) {
    switch (language) {
        case UiLanguage::SimplifiedChinese:
            return kSimplifiedResults;
        case UiLanguage::TraditionalChinese:
            return kTraditionalResults;
        case UiLanguage::English:
            break;
    }
    return kEnglishResults;
}

}  // namespace kerfa
