#include "dialogs/filter_dialog.h"

#include "dialogs/dialog_numbers.h"
#include "dialogs/dialog_templates.h"

namespace rezive::dialogs {
namespace {

// The worker waits this long for the dialog's thread to refill the pages.
constexpr std::chrono::milliseconds kWorkerWait{1000};

bool Monochrome(int32_t colorMode) { return colorMode == 0 || colorMode == 1; }

}  // namespace

FilterDialog::FilterDialog(FilterSettings& filters, int32_t colorMode, Language language)
    : model_(std::make_shared<DialogModel>(FilterTemplate(language, Monochrome(colorMode)))),
      filters_(filters),
      gray_(Monochrome(colorMode)) {
    DialogModel& m = *model_;
    const int32_t tab = m.Find(kIdTab);
    if (gray_) {
        m.SetItems(tab, {"Image Filter", "Gray Filter"});
    } else {
        m.SetItems(tab, {"Image Filter"});
    }
    m.SetSelection(tab, 0);
    m.ShowPage(kImagePage, true);
    // Rows of hue, saturation and the white-balance gains act on colour frames only.
    const bool colour = !gray_;
    bool imageEnabled[9] = {true, true, colour, colour, true, colour, colour, colour, true};
    InitRows(kImagePage, kImageRows, imageEnabled);
    for (int32_t id : {kIdOnce, kIdAllFrames, kIdBayer0, kIdBayer0 + 1, kIdBayer0 + 2, kIdBayer0 + 3}) {
        m.SetEnabled(Index(id, kImagePage), colour);
    }
    CheckRadio(kImagePage, kIdBayer0, 4, filters_.bayerMode);
    m.SetChecked(Index(kIdAllFrames, kImagePage), false);
    if (gray_) {
        bool grayEnabled[8] = {true, true, true, true, true, true, true, true};
        InitRows(kGrayPage, kGrayRows, grayEnabled);
        CheckRadio(kGrayPage, kIdGrayBayer, 3, filters_.grayMode);
        CheckRadio(kGrayPage, kIdBayer0, 4, filters_.bayerMode);
        m.SetChecked(Index(kIdAllFrames, kGrayPage), false);
    }
    initialised_ = true;
    m.SetHandler([this](int32_t index, const ControlEvent& event) { OnEvent(index, event); });
}

template <size_t N>
void FilterDialog::InitRows(int32_t page, const std::array<FilterRow, N>& rows, bool enabled[N]) {
    DialogModel& m = *model_;
    for (size_t r = 0; r < N; ++r) {
        const FilterRow& row = rows[r];
        m.SetRange(Index(row.trackbar, page), row.minimum, row.maximum, row.pageSize);
        m.SetRange(Index(row.upDown, page), row.minimum, row.maximum, 0);
        for (int32_t id : {row.trackbar, row.edit, row.upDown}) m.SetEnabled(Index(id, page), enabled[r]);
    }
    FillRows(page, rows);
}

template <size_t N>
void FilterDialog::FillRows(int32_t page, const std::array<FilterRow, N>& rows) {
    DialogModel& m = *model_;
    for (const FilterRow& row : rows) {
        const int32_t value = filters_.*row.field;
        m.SetPosition(Index(row.trackbar, page), value);
        m.SetPosition(Index(row.upDown, page), value);
        m.SetText(Index(row.edit, page), SignedText(value));
    }
}

template <size_t N>
void FilterDialog::CollectRows(int32_t page, const std::array<FilterRow, N>& rows) {
    for (const FilterRow& row : rows) {
        filters_.*row.field = ParseSigned(model_->At(Index(row.edit, page)).text);
    }
}

// Checks the radio of value among count radios from firstId; none for a value outside them.
void FilterDialog::CheckRadio(int32_t page, int32_t firstId, int32_t count, int32_t value) {
    for (int32_t i = 0; i < count; ++i) model_->SetChecked(Index(firstId + i, page), i == value);
}

void FilterDialog::Refill() {
    FillRows(kImagePage, kImageRows);
    CheckRadio(kImagePage, kIdBayer0, 4, filters_.bayerMode);
    if (gray_) FillRows(kGrayPage, kGrayRows);
}

void FilterDialog::OnEvent(int32_t index, const ControlEvent& event) {
    DialogModel& m = *model_;
    if (event.kind == ControlEventKind::Close) {
        m.End(kResultCancel);
        return;
    }
    const DialogControl& c = m.At(index);
    if (c.page == 0) {
        if (c.id == kIdTab && event.kind == ControlEventKind::SelectionChanged) {
            m.ShowPage(kImagePage, c.selection == 0);
            m.ShowPage(kGrayPage, c.selection == 1);
        } else if (event.kind == ControlEventKind::Clicked) {
            OnFrameClick(c.id);
        }
        return;
    }
    if (OnRowEvent(c, event)) return;
    if (event.kind == ControlEventKind::Clicked) OnPageClick(c);
}

// A trackbar moved or a row's edit typed into: the row's field follows.
bool FilterDialog::OnRowEvent(const DialogControl& c, const ControlEvent& event) {
    DialogModel& m = *model_;
    auto handle = [&](const auto& rows) {
        for (const FilterRow& row : rows) {
            if (c.id == row.trackbar && event.kind == ControlEventKind::Scrolled) {
                m.SetText(Index(row.edit, c.page), SignedText(c.position));
                m.SetPosition(Index(row.upDown, c.page), c.position);
                filters_.*row.field = c.position;
                return true;
            }
            if (c.id == row.edit && event.kind == ControlEventKind::TextChanged) {
                if (!initialised_) return true;
                const int32_t value = ParseSigned(c.text);
                filters_.*row.field = value;  // as typed: the kernels clamp what they use
                m.SetPosition(Index(row.trackbar, c.page), value);
                m.SetPosition(Index(row.upDown, c.page), value);
                return true;
            }
        }
        return false;
    };
    return c.page == kImagePage ? handle(kImageRows) : handle(kGrayRows);
}

void FilterDialog::OnPageClick(const DialogControl& c) {
    DialogModel& m = *model_;
    if (c.id >= kIdBayer0 && c.id < kIdBayer0 + 4) {
        filters_.bayerMode = c.id - kIdBayer0;
    } else if (c.page == kGrayPage && c.id >= kIdGrayBayer && c.id < kIdGrayBayer + 3) {
        filters_.grayMode = c.id - kIdGrayBayer;
    } else if (c.page == kImagePage && c.id == kIdAllFrames) {
        filters_.autoWhiteBalance = c.checked ? 1 : 0;
        filters_.autoWhiteBalanceOnceA = 0;
        filters_.autoWhiteBalanceOnceB = 0;
    } else if (c.page == kImagePage && c.id == kIdOnce) {
        filters_.autoWhiteBalance = 1;
        filters_.autoWhiteBalanceOnceA = 1;
        filters_.autoWhiteBalanceOnceB = 1;
        m.SetChecked(Index(kIdAllFrames, kImagePage), false);
    } else if (c.page == kGrayPage && c.id == kIdAllFrames) {
        filters_.grayAutoGain = c.checked ? -1 : 0;  // -1: measure every frame
    } else if (c.page == kGrayPage && c.id == kIdOnce) {
        filters_.grayAutoGain = 1;
    }
}

void FilterDialog::OnFrameClick(int32_t id) {
    DialogModel& m = *model_;
    if (id == kIdOk) {
        CollectRows(kImagePage, kImageRows);
        for (int32_t i = 0; i < 4; ++i) {
            if (m.At(Index(kIdBayer0 + i, kImagePage)).checked) {
                filters_.bayerMode = i;
                break;
            }
        }
        if (gray_) CollectRows(kGrayPage, kGrayRows);
        m.End(kResultOk);
    } else if (id == kIdCancel) {
        m.End(kResultCancel);
    } else if (id == kIdDefault) {
        FilterSettings& f = filters_;
        f.brightness = f.contrast = f.hue = f.saturation = f.sharpness = 0;
        f.redGain = f.greenGain = f.blueGain = f.gamma = 100;
        f.bayerMode = 3;
        if (gray_) {
            f.grayGainR = f.grayGainG1 = f.grayGainG2 = f.grayGainB = 128;
            f.grayOffsetR = f.grayOffsetG1 = f.grayOffsetG2 = f.grayOffsetB = 0;
        }
        Refill();
    }
}

void FilterDialog::Measured() {
    model_->Call([this] { Refill(); }, kWorkerWait);
}

}  // namespace rezive::dialogs
