#include "dialogs/format_dialog.h"

#include <cstdio>
#include <string>
#include <vector>

#include "dialogs/dialog_numbers.h"
#include "dialogs/dialog_templates.h"

namespace rezive::dialogs {
namespace {

constexpr int32_t kGeometryEdits[] = {kIdTotalWidth, kIdTotalHeight, kIdWidth,
                                      kIdHeight,     kIdXOffset,     kIdYOffset};

std::string SizeText(const CaptureGeometry& g) {
    return std::to_string(g.width) + " x " + std::to_string(g.height);
}

std::vector<std::string> ColorItems(Language language) {
    if (language == Language::kEnglish) {
        return {"Monochrome 8bit", "Monochrome 10bit *", "Color 24bit",
                "Color 32bit",     "Color 48bit *",      "Color 64bit *"};
    }
    char gray[64];
    std::snprintf(gray, sizeof gray, "白黒 %dbit ※", 12);
    return {"白黒 8bit", gray, "カラー 24bit", "カラー 32bit", "カラー 48bit ※", "カラー 64bit ※"};
}

std::vector<std::string> ClockItems(Language language) {
    char high[64];
    const bool ja = language == Language::kJapanese;
    std::snprintf(high, sizeof high, ja ? "高速(%dMHz)" : "High(%dMHz)", 100);
    if (ja) return {"標準(24MHz)", "ハーフ(12MHz)", high};
    return {"Nomal(24MHz)", "Half(12MHz)", high};
}

int32_t* Field(CaptureGeometry& g, int32_t id) {
    switch (id) {
        case kIdTotalWidth: return &g.totalWidth;
        case kIdTotalHeight: return &g.totalHeight;
        case kIdWidth: return &g.width;
        case kIdHeight: return &g.height;
        case kIdXOffset: return &g.xOffset;
        default: return &g.yOffset;
    }
}

}  // namespace

FormatDialog::FormatDialog(int32_t deviceNumber, Language language)
    : model_(std::make_shared<DialogModel>(FormatTemplate(language))),
      deviceNumber_(deviceNumber) {
    settings::ReadFormatDialogState(state_, deviceNumber_);
    DialogModel& m = *model_;
    const int32_t tab = Index(kIdTab);
    m.SetItems(tab, {language == Language::kJapanese ? "ストリーム形式" : "Stream Format"});
    m.SetSelection(tab, 0);
    m.SetItems(Index(kIdColorList), ColorItems(language));
    m.SetSelection(Index(kIdColorList), state_.colorMode);
    // One sub-sampling is offered, whatever the file says.
    m.SetItems(Index(kIdSubSampleList), {"1/1"});
    m.SetSelection(Index(kIdSubSampleList), 0);
    m.SetEnabled(Index(kIdSubSampleList), false);
    m.SetItems(Index(kIdClockList), ClockItems(language));
    m.SetSelection(Index(kIdClockList), state_.clock);
    m.SetEnabled(Index(kIdClockList), false);
    std::vector<std::string> sizes;
    for (int32_t i = 0; i < state_.presetCount; ++i) sizes.push_back(SizeText(state_.presets[static_cast<size_t>(i)]));
    sizes.push_back(language == Language::kJapanese ? "カスタム" : "Custom");
    m.SetItems(Index(kIdSizeList), std::move(sizes));
    m.SetSelection(Index(kIdSizeList), state_.sizeIndex);
    ShowPreset(state_.sizeIndex);
    m.SetText(Index(kIdWaitTime), UnsignedText(state_.waitTime));
    m.SetEnabled(Index(kIdApply), false);
    m.SetHandler([this](int32_t index, const ControlEvent& event) { OnEvent(index, event); });
}

// A stored size index outside the table shows the unread entry's values: it never addresses a
// preset that is not there.
void FormatDialog::ShowPreset(int32_t presetIndex) {
    const bool inTable = presetIndex >= 0 && presetIndex < settings::FormatDialogState::kMaxPresets;
    CaptureGeometry shown = inTable ? state_.presets[static_cast<size_t>(presetIndex)] : CaptureGeometry{};
    for (int32_t id : kGeometryEdits) model_->SetText(Index(id), UnsignedText(*Field(shown, id)));
}

void FormatDialog::OnEvent(int32_t index, const ControlEvent& event) {
    DialogModel& m = *model_;
    const int32_t id = index >= 0 ? m.At(index).id : -1;
    if (event.kind == ControlEventKind::Close) {
        m.End(kResultCancel);
        return;
    }
    if (event.kind == ControlEventKind::SelectionChanged || event.kind == ControlEventKind::TextChanged) {
        if (id == kIdSizeList) {
            state_.sizeIndex = m.At(index).selection;
            if (state_.sizeIndex >= 0 && state_.sizeIndex < state_.presetCount) ShowPreset(state_.sizeIndex);
        }
        if (id != kIdTab) m.SetEnabled(Index(kIdApply), true);
        return;
    }
    if (event.kind != ControlEventKind::Clicked) return;
    if (id == kIdOk) {
        Collect();
        Write();
        m.End(kResultOk);
    } else if (id == kIdApply) {
        Collect();
        Write();
    } else if (id == kIdCancel) {
        m.End(kResultCancel);
    }
}

// A list without a selection (a stored value that names no item) keeps the value it was
// opened with, so the file is written back as it was read.
void FormatDialog::Collect() {
    DialogModel& m = *model_;
    auto selected = [&](int32_t id, int32_t& field) {
        const int32_t s = m.At(Index(id)).selection;
        if (s >= 0) field = s;
    };
    selected(kIdColorList, state_.colorMode);
    selected(kIdClockList, state_.clock);
    selected(kIdSubSampleList, state_.subSample);
    state_.waitTime = ParseUnsigned(m.At(Index(kIdWaitTime)).text);
    const int32_t size = m.At(Index(kIdSizeList)).selection;
    if (size < 0) {
        m.SetEnabled(Index(kIdApply), false);
        return;
    }
    constexpr int32_t kMax = settings::FormatDialogState::kMaxPresets;
    const int32_t sizeList = Index(kIdSizeList);
    int32_t target = size;
    bool append = size == state_.presetCount && size < kMax;
    // "Custom" with a full table overwrites the last preset: the table never grows past it.
    if (size >= state_.presetCount && !append) target = kMax - 1;
    CaptureGeometry& preset = state_.presets[static_cast<size_t>(target)];
    for (int32_t id : kGeometryEdits) *Field(preset, id) = ParseUnsigned(m.At(Index(id)).text);
    if (append) {
        m.InsertItem(sizeList, target, SizeText(preset));
        ++state_.presetCount;
    } else {
        m.SetItemText(sizeList, target, SizeText(preset));
    }
    m.SetSelection(sizeList, target);
    state_.sizeIndex = target;
    m.SetEnabled(Index(kIdApply), false);
}

void FormatDialog::Write() { settings::WriteFormatDialogState(state_, deviceNumber_); }

}  // namespace rezive::dialogs
