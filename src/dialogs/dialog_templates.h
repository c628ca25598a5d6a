// The dialog templates as data: every control with its id, class, text, position and size in
// dialog units, and the fixed styles. The behaviours fill in state (ranges, items, checks) when
// a dialog opens.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/dialog_language.h"
#include "platform/dialog_view.h"

namespace rezive::dialogs {

// Ids shared by the frames.
inline constexpr int32_t kIdOk = 1;
inline constexpr int32_t kIdCancel = 2;
inline constexpr int32_t kIdDefault = 3;
inline constexpr int32_t kIdTab = 1001;

// The video-format dialog (one frame, no pages).
platform::DialogDescription FormatTemplate(Language language);
// The analog dialog: frame and its one page (page 1).
platform::DialogDescription AnalogTemplate(Language language);
// The filter dialog: frame, image-filter page (page 1) and, when grayPage, the gray page (2).
platform::DialogDescription FilterTemplate(Language language, bool grayPage);

// Builds a description control by control.
class TemplateBuilder {
public:
    TemplateBuilder(std::string caption, int16_t width, int16_t height);
    // Adds a page (dialog units) and returns its number (1, 2, ...).
    int32_t AddPage(int16_t width, int16_t height);
    // Adds a control to the frame (page 0) or a page; returns its index.
    int32_t Add(int32_t page, int32_t id, platform::ControlKind kind, int16_t x, int16_t y,
                int16_t width, int16_t height, std::string text = {});
    platform::DialogControl& Last() { return description_.controls.back(); }
    // An up-down at (x, y) whose buddy is the control at buddyIndex.
    void AddUpDown(int32_t page, int32_t id, int16_t x, int16_t y, int16_t width, int16_t height,
                   int32_t buddyIndex);
    platform::DialogDescription Take() { return std::move(description_); }

private:
    platform::DialogDescription description_;
};

}  // namespace rezive::dialogs
