// The video-format dialog: colour mode, size preset or a custom window, sub-sampling, wait time
// and clock. It works on the settings file, not on the running camera: it reads the format
// group and the size presets of its device when it opens and writes them on OK and Apply.
#pragma once

#include <cstdint>
#include <memory>

#include "dialogs/dialog_language.h"
#include "dialogs/dialog_model.h"
#include "settings/settings_store.h"

namespace rezive::dialogs {

inline constexpr int32_t kIdApply = 1002;
inline constexpr int32_t kIdColorList = 1009;
inline constexpr int32_t kIdSizeList = 1010;
inline constexpr int32_t kIdSubSampleList = 1012;
inline constexpr int32_t kIdClockList = 1014;
inline constexpr int32_t kIdTotalWidth = 1039;
inline constexpr int32_t kIdTotalHeight = 1040;
inline constexpr int32_t kIdWidth = 1041;
inline constexpr int32_t kIdHeight = 1042;
inline constexpr int32_t kIdXOffset = 1043;
inline constexpr int32_t kIdYOffset = 1044;
inline constexpr int32_t kIdWaitTime = 1045;

class FormatDialog {
public:
    // Reads the state of the device from the settings file and fills the controls.
    FormatDialog(int32_t deviceNumber, Language language);
    const std::shared_ptr<DialogModel>& Model() const { return model_; }
    const settings::FormatDialogState& State() const { return state_; }

private:
    void OnEvent(int32_t index, const ControlEvent& event);
    void ShowPreset(int32_t presetIndex);
    void Collect();
    void Write();
    int32_t Index(int32_t id) const { return model_->Find(id); }

    std::shared_ptr<DialogModel> model_;
    settings::FormatDialogState state_;
    const int32_t deviceNumber_;
};

}  // namespace rezive::dialogs
