// Templates of the analog dialog: frames 111 (English) and 104 (Japanese), pages 110 and 105.
// The page texts are English in both; the Japanese page has its rows a little higher up.
#include "dialogs/analog_dialog.h"
#include "dialogs/dialog_templates.h"

namespace rezive::dialogs {

platform::DialogDescription AnalogTemplate(Language language) {
    using K = platform::ControlKind;
    const bool ja = language == Language::kJapanese;
    TemplateBuilder b(ja ? "プロパティ" : "Property", 294, ja ? 199 : 178);
    b.Add(0, kIdTab, K::Tab, 4, 4, 286, ja ? 174 : 149);
    b.Last().ownerDrawn = true;
    const int16_t buttonY = ja ? 182 : 161;
    b.Add(0, kIdOk, K::PushButton, 165, buttonY, 60, 13, "OK");
    b.Last().defaultButton = true;
    b.Add(0, kIdCancel, K::PushButton, 230, buttonY, 60, 13, ja ? "キャンセル" : "Cancel");
    b.Add(0, kIdDefault, K::PushButton, 100, buttonY, 60, 13, ja ? "規定値(&D)" : "Default(&D)");

    const int32_t page = ja ? b.AddPage(251, 146) : b.AddPage(238, 126);
    static constexpr int16_t kRowsEn[] = {13, 35, 50, 65, 80, 95};
    static constexpr int16_t kRowsJa[] = {10, 29, 44, 59, 74, 89};
    static constexpr int16_t kLabelWidths[] = {36, 44, 40, 40, 44, 31};
    static constexpr const char* kLabels[] = {"&Global Gain",  "&Color Gain G1", "&Color Gain R",
                                              "&Color Gain B", "&Color Gain G2", "&Exposure"};
    for (size_t r = 0; r < kAnalogRows.size(); ++r) {
        const int16_t y = ja ? kRowsJa[r] : kRowsEn[r];
        b.Add(page, -1, K::Static, 0, y, kLabelWidths[r], 8, kLabels[r]);
        b.Add(page, kAnalogRows[r].trackbar, K::Trackbar, 50, y, 90, 10);
        const int32_t edit = b.Add(page, kAnalogRows[r].edit, K::Edit, 143, y, 35, 12);
        b.AddUpDown(page, kAnalogRows[r].upDown, 175, y, 11, 12, edit);
    }
    const int16_t irisX = ja ? 202 : 192;
    b.Add(page, -1, K::Static, irisX, 15, 28, 8, "Auto Iris");
    b.Add(page, kIdAutoGain, K::CheckBox, static_cast<int16_t>(irisX + 1), 28, 30, 10, "Gain");
    b.Add(page, kIdAutoExposure, K::CheckBox, static_cast<int16_t>(irisX + 1), 43, 46, 10, "Exposure");
    const int16_t mirrorX = ja ? 204 : 202;
    b.Add(page, kIdMirrorV, K::CheckBox, mirrorX, 59, 41, 10, "Mirror V");
    b.Add(page, kIdMirrorH, K::CheckBox, mirrorX, 73, 41, 10, "Mirror H");
    b.Add(page, kIdExposureText, K::Static, 139, ja ? 98 : 104, 102, 12, "= msec");
    return b.Take();
}

}  // namespace rezive::dialogs
