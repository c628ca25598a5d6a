#include "dialogs/analog_dialog.h"

#include <cstdio>

#include "device/rezive417dir_sdk.h"
#include "dialogs/dialog_numbers.h"
#include "dialogs/dialog_templates.h"

namespace rezive::dialogs {
namespace {

constexpr size_t kGainRow = 0;
constexpr size_t kExposureRow = 5;
constexpr int32_t kDefaultExposure = 637;
// The worker waits this long for the dialog's thread to show an automatic-exposure value.
constexpr std::chrono::milliseconds kWorkerWait{1000};

}  // namespace

AnalogDialog::AnalogDialog(const AnalogDialogContext& context, Language language)
    : model_(std::make_shared<DialogModel>(AnalogTemplate(language))), context_(context) {
    DialogModel& m = *model_;
    const int32_t tab = m.Find(kIdTab);
    m.SetItems(tab, {"Analog Gain"});
    m.SetSelection(tab, 0);
    m.ShowPage(1, true);
    CRezive417DIRVUDSdk& sensor = context_.model;
    for (size_t r = 0; r < kAnalogRows.size(); ++r) {
        int32_t minimum = 0, maximum = 0;
        if (r == kGainRow) minimum = sensor.GainMin(), maximum = sensor.GainMax();
        if (r == kExposureRow) minimum = sensor.ExposureMin(), maximum = sensor.ExposureMax();
        const bool enabled = r == kGainRow || r == kExposureRow;
        const int32_t trackbar = Index(kAnalogRows[r].trackbar);
        const int32_t upDown = Index(kAnalogRows[r].upDown);
        m.SetRange(trackbar, minimum, maximum, (maximum - minimum) / 8);
        m.SetRange(upDown, minimum, maximum, 0);
        for (int32_t i : {trackbar, Index(kAnalogRows[r].edit), upDown}) m.SetEnabled(i, enabled);
    }
    Fill();
    const AnalogSettings& a = context_.analog;
    m.SetChecked(Index(kIdMirrorV), a.mirrorV != 0);
    m.SetChecked(Index(kIdMirrorH), a.mirrorH != 0);
    m.SetChecked(Index(kIdAutoExposure), a.autoIris == 1);
    m.SetChecked(Index(kIdAutoGain), a.autoIris == 2);
    ShowExposureTime();
    initialised_ = true;
    m.SetHandler([this](int32_t index, const ControlEvent& event) { OnEvent(index, event); });
}

Setting& AnalogDialog::Field(size_t row) {
    AnalogSettings& a = context_.analog;
    Setting* fields[] = {&a.globalGain, &a.colorGainG1, &a.colorGainR,
                         &a.colorGainB, &a.colorGainG2, &a.exposure};
    return *fields[row];
}

void AnalogDialog::Fill() {
    DialogModel& m = *model_;
    for (size_t r = 0; r < kAnalogRows.size(); ++r) {
        const int32_t value = Field(r);
        m.SetPosition(Index(kAnalogRows[r].trackbar), value);
        m.SetPosition(Index(kAnalogRows[r].upDown), value);
        m.SetText(Index(kAnalogRows[r].edit), SignedText(value));
    }
}

void AnalogDialog::ShowExposureTime() {
    const double ms = (static_cast<double>(context_.analog.exposure) * context_.lineLength +
                       context_.lineOffset) * context_.timeUnit;
    char text[64];
    std::snprintf(text, sizeof text, "=%.2fms", ms);
    model_->SetText(Index(kIdExposureText), text);
}

// A typed value goes into the record as it is; the sensor write clamps what it cannot take.
void AnalogDialog::OnEditChanged(size_t row) {
    if (!initialised_) return;
    DialogModel& m = *model_;
    const int32_t value = ParseSigned(m.At(Index(kAnalogRows[row].edit)).text);
    Field(row) = value;
    m.SetPosition(Index(kAnalogRows[row].trackbar), value);
    m.SetPosition(Index(kAnalogRows[row].upDown), value);
    if (row == kGainRow) context_.model.SetGainIndex(value);
    if (row == kExposureRow) {
        context_.model.SetExposure(value);
        ShowExposureTime();
    }
}

void AnalogDialog::OnEvent(int32_t index, const ControlEvent& event) {
    DialogModel& m = *model_;
    if (event.kind == ControlEventKind::Close) {
        m.End(kResultCancel);
        return;
    }
    const DialogControl& c = m.At(index);
    AnalogSettings& a = context_.analog;
    for (size_t r = 0; r < kAnalogRows.size(); ++r) {
        if (c.page != 1) break;
        if (c.id == kAnalogRows[r].trackbar && event.kind == ControlEventKind::Scrolled) {
            // The trackbar writes its position into the edit, which then acts as typed.
            m.SetText(Index(kAnalogRows[r].edit), SignedText(c.position));
            OnEditChanged(r);
            return;
        }
        if (c.id == kAnalogRows[r].edit && event.kind == ControlEventKind::TextChanged) {
            OnEditChanged(r);
            return;
        }
    }
    if (event.kind != ControlEventKind::Clicked) {
        if (c.id == kIdTab && event.kind == ControlEventKind::SelectionChanged) m.ShowPage(1, true);
        return;
    }
    switch (c.id) {
        case kIdMirrorV:
            a.mirrorV = c.checked ? 1 : 0;
            context_.model.SetMirrorV(a.mirrorV);
            break;
        case kIdMirrorH:
            a.mirrorH = c.checked ? 1 : 0;
            context_.model.SetMirrorH(a.mirrorH);
            break;
        case kIdAutoGain:
            if (c.checked) m.SetChecked(Index(kIdAutoExposure), false);
            a.autoIris = c.checked ? 2 : 0;
            break;
        case kIdAutoExposure:
            if (c.checked) m.SetChecked(Index(kIdAutoGain), false);
            a.autoIris = c.checked ? 1 : 0;
            break;
        case kIdOk:
            if (c.page != 0) break;
            Collect();
            m.End(kResultOk);
            break;
        case kIdCancel:
            if (c.page == 0) m.End(kResultCancel);
            break;
        case kIdDefault:
            if (c.page != 0) break;
            a.globalGain = context_.model.GainMin();
            a.colorGainG1 = a.colorGainR = a.colorGainB = a.colorGainG2 = 0;
            a.exposure = kDefaultExposure;
            context_.model.SetGainIndex(a.globalGain);
            context_.model.SetExposure(a.exposure);
            Fill();
            ShowExposureTime();
            break;
        default:
            break;
    }
}

void AnalogDialog::Collect() {
    for (size_t r = 0; r < kAnalogRows.size(); ++r) {
        Field(r) = ParseSigned(model_->At(Index(kAnalogRows[r].edit)).text);
    }
}

void AnalogDialog::Typed(int32_t editId, int32_t value) {
    // The worker's frame lock is held meanwhile: the work touches no frame buffer.
    model_->Call(
        [&] {
            for (size_t r = 0; r < kAnalogRows.size(); ++r) {
                if (kAnalogRows[r].edit != editId) continue;
                model_->SetText(Index(editId), SignedText(value));
                OnEditChanged(r);
            }
        },
        kWorkerWait);
}

void AnalogDialog::AutoIrisGain(int32_t gain) { Typed(kAnalogRows[kGainRow].edit, gain); }
void AnalogDialog::AutoIrisExposure(int32_t lines) { Typed(kAnalogRows[kExposureRow].edit, lines); }

}  // namespace rezive::dialogs
