// The image and gray filter dialog: it edits the camera's filter record live (the next frame
// shows a change); the caller keeps or restores the record when it ends. The gray page exists
// in the monochrome colour modes only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "acquisition/dialog_observer.h"
#include "dialogs/dialog_language.h"
#include "dialogs/dialog_model.h"
#include "settings/records.h"

namespace rezive::dialogs {

struct FilterRow {
    const char* label;
    int32_t trackbar, edit, upDown;
    int16_t y;
    int32_t minimum, maximum, pageSize;
    Setting FilterSettings::*field;
};

inline constexpr std::array<FilterRow, 9> kImageRows{{
    {"&Brightness", 2001, 2002, 2004, 4, -255, 255, 64, &FilterSettings::brightness},
    {"&Contrast", 2011, 2012, 2014, 20, -127, 127, 32, &FilterSettings::contrast},
    {"&Hue", 2021, 2022, 2024, 35, -360, 360, 90, &FilterSettings::hue},
    {"&Saturation", 2031, 2032, 2034, 50, -255, 255, 64, &FilterSettings::saturation},
    {"Shar&pness", 2041, 2042, 2044, 65, 0, 30, 4, &FilterSettings::sharpness},
    {"&R Gain", 2051, 2052, 2054, 80, 0, 400, 32, &FilterSettings::redGain},
    {"&G Gain", 2061, 2062, 2063, 95, 0, 400, 32, &FilterSettings::greenGain},
    {"&B Gain", 2071, 2072, 2073, 110, 0, 400, 32, &FilterSettings::blueGain},
    {"&Gamma", 2081, 2082, 2084, 125, 0, 200, 32, &FilterSettings::gamma},
}};

inline constexpr std::array<FilterRow, 8> kGrayRows{{
    {"Red", 2100, 2101, 2102, 9, 0, 400, 32, &FilterSettings::grayGainR},
    {"Green1", 2103, 2104, 2105, 24, 0, 400, 32, &FilterSettings::grayGainG1},
    {"Green2", 2106, 2107, 2108, 39, 0, 400, 32, &FilterSettings::grayGainG2},
    {"Blue", 2109, 2110, 2111, 54, 0, 400, 32, &FilterSettings::grayGainB},
    {"Red", 2112, 2113, 2114, 81, 0, 400, 32, &FilterSettings::grayOffsetR},
    {"Green1", 2115, 2116, 2117, 96, 0, 400, 32, &FilterSettings::grayOffsetG1},
    {"Green2", 2118, 2119, 2120, 111, 0, 400, 32, &FilterSettings::grayOffsetG2},
    {"Blue", 2121, 2122, 2123, 126, 0, 400, 32, &FilterSettings::grayOffsetB},
}};

inline constexpr int32_t kIdOnce = 2074;
inline constexpr int32_t kIdAllFrames = 1035;
inline constexpr int32_t kIdBayer0 = 1030;  // 1030..1033: Bayer modes 0..3
inline constexpr int32_t kIdGrayBayer = 1046;  // 1046..1048: gray modes 0..2

inline constexpr int32_t kImagePage = 1;
inline constexpr int32_t kGrayPage = 2;

class FilterDialog : public DialogObserver {
public:
    FilterDialog(FilterSettings& filters, int32_t colorMode, Language language);
    const std::shared_ptr<DialogModel>& Model() const { return model_; }
    bool HasGrayPage() const { return gray_; }

    // DialogObserver, from the frame processing after a measurement: the pages are refilled
    // from the record on the dialog's thread while the worker waits a bounded time.
    void Measured() override;

private:
    template <size_t N>
    void InitRows(int32_t page, const std::array<FilterRow, N>& rows, bool enabled[N]);
    template <size_t N>
    void FillRows(int32_t page, const std::array<FilterRow, N>& rows);
    template <size_t N>
    void CollectRows(int32_t page, const std::array<FilterRow, N>& rows);
    void CheckRadio(int32_t page, int32_t firstId, int32_t count, int32_t value);
    void Refill();
    void OnEvent(int32_t index, const ControlEvent& event);
    bool OnRowEvent(const DialogControl& c, const ControlEvent& event);
    void OnFrameClick(int32_t id);
    void OnPageClick(const DialogControl& c);
    int32_t Index(int32_t id, int32_t page) const { return model_->Find(id, page); }

    std::shared_ptr<DialogModel> model_;
    FilterSettings& filters_;
    const bool gray_;
    bool initialised_ = false;
};

}  // namespace rezive::dialogs
