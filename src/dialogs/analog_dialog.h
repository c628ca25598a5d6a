// The analog dialog: global gain, the four colour gains, exposure, mirrors and the automatic
// exposure mode. It works live: gain, exposure and mirror changes reach the sensor at once.
// The caller keeps or restores the record when it ends.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "acquisition/dialog_observer.h"
#include "dialogs/dialog_language.h"
#include "dialogs/dialog_model.h"
#include "settings/records.h"

namespace rezive {
class CRezive417DIRVUDSdk;
}

namespace rezive::dialogs {

struct AnalogRow {
    int32_t trackbar, edit, upDown;
};
inline constexpr std::array<AnalogRow, 6> kAnalogRows{{
    {1013, 1015, 1038},  // global gain
    {1018, 1019, 1039},  // colour gain G1
    {1020, 1021, 1040},  // colour gain R
    {1022, 1023, 1041},  // colour gain B
    {1024, 1025, 1042},  // colour gain G2
    {1026, 1027, 1043},  // exposure
}};
inline constexpr int32_t kIdMirrorV = 1028;
inline constexpr int32_t kIdMirrorH = 1029;
inline constexpr int32_t kIdAutoGain = 1036;
inline constexpr int32_t kIdAutoExposure = 1037;
inline constexpr int32_t kIdExposureText = 1049;

// What the dialog works on; the exposure conversion as the camera last made it.
struct AnalogDialogContext {
    CRezive417DIRVUDSdk& model;
    AnalogSettings& analog;
    int32_t lineLength = 0;
    int32_t lineOffset = 0;
    double timeUnit = 1.0;
};

class AnalogDialog : public DialogObserver {
public:
    AnalogDialog(const AnalogDialogContext& context, Language language);
    const std::shared_ptr<DialogModel>& Model() const { return model_; }

    // DialogObserver, from the acquisition worker: the values reach edits 1015 and 1027 on the
    // dialog's thread, handled as typing, while the worker waits a bounded time.
    void AutoIrisGain(int32_t gain) override;
    void AutoIrisExposure(int32_t lines) override;

private:
    void OnEvent(int32_t index, const ControlEvent& event);
    void OnEditChanged(size_t row);
    void Fill();
    void Collect();
    void ShowExposureTime();
    void Typed(int32_t editId, int32_t value);
    int32_t Index(int32_t id) const { return model_->Find(id, 1); }
    Setting& Field(size_t row);

    std::shared_ptr<DialogModel> model_;
    AnalogDialogContext context_;
    bool initialised_ = false;
};

}  // namespace rezive::dialogs
