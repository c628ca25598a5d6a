// Automatic exposure and gain control ("auto iris") from five window mean levels of the raw frame.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/dib_image.h"
#include "settings/records.h"

namespace rezive {

class CRezive417DIRVUDSdk;
class DialogObserver;

// The five measurement windows of a w x h frame (integer parts of the products).
std::array<Rect, 5> AutoIrisWindows(int32_t w, int32_t h);

// The mean level of a window on an 8-bit scale. 16-bit frames use bits 4..11 of each sample,
// the same reduction the preview shows, so a bright frame never reads as dark.
int32_t AutoIrisMeanLevel(CDibImage& raw, const Rect& window);

// The correction factor of five mean levels, in window order.
double AutoIrisFactor(const std::array<int32_t, 5>& means);

// Runs one step of the control in mode 1 (exposure) or 2 (gain); other modes do nothing. A new
// value is shown in the open analog dialog, when there is one.
void AutoIris(CDibImage& raw, CRezive417DIRVUDSdk& model, AnalogSettings& analog,
              DialogObserver* dialog = nullptr);

}  // namespace rezive
