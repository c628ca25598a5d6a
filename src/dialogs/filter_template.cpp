// Templates of the filter dialog: frames 108 (English) and 102 (Japanese), the image-filter page
// 107/103 and the gray-filter page 112/113. The pages carry English texts in both languages.
#include "dialogs/dialog_templates.h"
#include "dialogs/filter_dialog.h"

namespace rezive::dialogs {
namespace {

using K = platform::ControlKind;

// Once, All frames and the four Bayer-mode radios, which both pages carry under the same ids.
void AddMeasureAndBayer(TemplateBuilder& b, int32_t page, int16_t onceY, int16_t allY,
                        int16_t bayerLabelY, int16_t bayerY) {
    b.Add(page, kIdOnce, K::PushButton, 180, onceY, 8, 8);
    b.Add(page, -1, K::Static, 195, onceY, 40, 8, "Once");
    b.Add(page, kIdAllFrames, K::CheckBox, 180, allY, 8, 8);
    b.Add(page, -1, K::Static, 195, allY, 50, 8, "All frames");
    b.Add(page, -1, K::Static, 180, bayerLabelY, 50, 8, "Bayer Mode");
    for (int32_t i = 0; i < 4; ++i) {
        b.Add(page, kIdBayer0 + i, K::RadioButton, static_cast<int16_t>(180 + 15 * i), bayerY, 8, 8);
    }
}

// The rows of a page: label, trackbar, edit and its up-down at the page's columns.
template <size_t N>
void AddRows(TemplateBuilder& b, int32_t page, const std::array<FilterRow, N>& rows,
             const int16_t (&x)[4], int16_t labelWidth) {
    for (const FilterRow& row : rows) {
        b.Add(page, -1, K::Static, x[0], row.y, labelWidth, 8, row.label);
        b.Add(page, row.trackbar, K::Trackbar, x[1], row.y, 90, 10);
        const int32_t edit = b.Add(page, row.edit, K::Edit, x[2], row.y, 30, 12);
        b.AddUpDown(page, row.upDown, x[3], row.y, 10, 12, edit);
    }
}

}  // namespace

platform::DialogDescription FilterTemplate(Language language, bool grayPage) {
    const bool ja = language == Language::kJapanese;
    TemplateBuilder b(ja ? "プロパティ" : "Property", 294, 194);
    b.Add(0, kIdTab, K::Tab, 4, 4, 286, 168);
    b.Last().ownerDrawn = true;
    b.Add(0, kIdOk, K::PushButton, 165, 177, 60, 13, "OK");
    b.Last().defaultButton = true;
    b.Add(0, kIdCancel, K::PushButton, 230, 177, 60, 13, ja ? "キャンセル" : "Cancel");
    b.Add(0, kIdDefault, K::PushButton, 100, 177, 60, 13, ja ? "規定値(&D)" : "Default(&D)");

    const int32_t image = b.AddPage(251, 142);
    AddRows(b, image, kImageRows, {0, 40, 136, 153}, 38);
    b.Add(image, -1, K::Static, 180, 38, 70, 8, "Auto white balance");
    AddMeasureAndBayer(b, image, 53, 68, 102, 116);
    if (!grayPage) return b.Take();

    const int32_t gray = b.AddPage(251, 142);
    b.Add(gray, -1, K::GroupBox, 0, 0, 170, 70, "Gain");
    b.Add(gray, -1, K::GroupBox, 0, 72, 170, 70, "Offset");
    AddRows(b, gray, kGrayRows, {6, 36, 132, 155}, 28);
    b.Add(gray, -1, K::Static, 180, 5, 50, 8, "Filter mode");
    b.Add(gray, kIdGrayBayer, K::RadioButton, 180, 18, 60, 10, "Bayer");
    b.Add(gray, kIdGrayBayer + 1, K::RadioButton, 180, 30, 60, 10, "Bayer convert");
    b.Add(gray, kIdGrayBayer + 2, K::RadioButton, 180, 42, 60, 10, "Grayscale");
    b.Add(gray, -1, K::Static, 180, 64, 50, 8, "Auto Gain");
    AddMeasureAndBayer(b, gray, 76, 88, 109, 123);
    return b.Take();
}

}  // namespace rezive::dialogs
