// Templates 106 (English) and 101 (Japanese) of the video-format dialog: the same controls, ids
// and positions, only the captions differ.
#include "dialogs/dialog_templates.h"
#include "dialogs/format_dialog.h"

namespace rezive::dialogs {

platform::DialogDescription FormatTemplate(Language language) {
    using K = platform::ControlKind;
    const bool ja = language == Language::kJapanese;
    auto t = [ja](const char* en, const char* jp) { return std::string(ja ? jp : en); };
    TemplateBuilder b(t("Property", "プロパティ"), 313, 229);
    b.Add(0, kIdTab, K::Tab, 7, 7, 299, 194);
    b.Last().ownerDrawn = true;
    b.Add(0, -1, K::GroupBox, 17, 24, 123, 104, t("Video Format", "ビデオフォーマット"));
    b.Add(0, -1, K::Static, 25, 37, 60, 8, t("Color / Compression(&C):", "カラー / 圧縮(&C):"));
    b.Add(0, kIdColorList, K::DropDown, 49, 46, 83, 100);
    b.Add(0, -1, K::Static, 25, 67, 48, 8, t("Size(&S):", "サイズ(&S):"));
    b.Add(0, kIdSizeList, K::DropDown, 49, 77, 83, 100);
    b.Add(0, -1, K::Static, 25, 96, 70, 8, t("Sub Sample(&B):", "サブサンプル(&B):"));
    b.Add(0, kIdSubSampleList, K::DropDown, 49, 107, 83, 100);
    b.Add(0, -1, K::GroupBox, 145, 24, 149, 104, t("Camera Size", "カメラサイズ"));
    struct Edit {
        int32_t id;
        int16_t labelX, labelY, labelWidth, x, y;
        const char* en;
        const char* jp;
    };
    static constexpr Edit kEdits[] = {
        {kIdTotalWidth, 151, 37, 41, 159, 46, "H Total", "H トータル"},
        {kIdTotalHeight, 225, 37, 41, 235, 46, "V Total", "V トータル"},
        {kIdWidth, 151, 67, 49, 159, 77, "H Effective", "H 有効"},
        {kIdHeight, 225, 67, 49, 235, 77, "V Effective", "V 有効"},
        {kIdXOffset, 151, 96, 49, 159, 107, "H Start", "H 開始"},
        {kIdYOffset, 225, 96, 49, 233, 107, "V Start", "V 開始"},
    };
    for (const Edit& e : kEdits) {
        b.Add(0, -1, K::Static, e.labelX, e.labelY, e.labelWidth, 8, t(e.en, e.jp));
        b.Add(0, e.id, K::Edit, e.x, e.y, 50, 12);
        b.Last().readOnly = e.id == kIdTotalWidth || e.id == kIdTotalHeight;
    }
    b.Add(0, -1, K::GroupBox, 17, 131, 277, 48, t("Frame Rate", "フレームレート"));
    b.Add(0, -1, K::Static, 25, 143, 76, 8, t("Wait Time(&T):", "待ち時間(&T):"));
    b.Add(0, kIdWaitTime, K::Edit, 49, 154, 83, 12);
    b.Add(0, -1, K::Static, 151, 143, 51, 8, t("Clock(&C):", "クロック(&C):"));
    b.Add(0, kIdClockList, K::DropDown, 175, 154, 83, 100);
    b.Add(0, -1, K::Static, 90, 185, 204, 8,
          t("* In the WORD forwarding mode, please set the clock to the half.",
            "※ WORD転送モードでは、クロックをハーフに設定してください。"));
    b.Add(0, kIdOk, K::PushButton, 116, 209, 60, 13, "OK");
    b.Last().defaultButton = true;
    b.Add(0, kIdCancel, K::PushButton, 181, 209, 60, 13, t("Cancel", "キャンセル"));
    b.Add(0, kIdApply, K::PushButton, 246, 209, 60, 13, t("Apply(&A)", "適用(&A)"));
    return b.Take();
}

}  // namespace rezive::dialogs
