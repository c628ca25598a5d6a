// Exports: the filter-value family. Every named setter and getter forwards to
// Rezive_SetFilterValue / Rezive_GetFilterValue with its fixed filter id.
#include "ReziveSdk.h"
#include "api/dispatch.h"

using rezive::CRezive;
using rezive::Dispatch;

RZ_API int32_t Rezive_SetFilterValue(RzHandle handle, int32_t filterId, int32_t value) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.SetFilterValue(filterId, value); });
}

RZ_API int32_t Rezive_GetFilterValue(RzHandle handle, int32_t filterId, int32_t* ok) {
    return Dispatch(handle, 0, [&](CRezive& c) { return c.GetFilterValue(filterId, ok); });
}

#define RZ_FILTER_PAIR(Name, id)                                             \
    RZ_API int32_t Rezive_Set##Name(RzHandle handle, int32_t value) {        \
        return Rezive_SetFilterValue(handle, id, value);                     \
    }                                                                        \
    RZ_API int32_t Rezive_Get##Name(RzHandle handle, int32_t* ok) {          \
        return Rezive_GetFilterValue(handle, id, ok);                        \
    }

RZ_FILTER_PAIR(Brightness, 1)
RZ_FILTER_PAIR(Contrast, 2)
RZ_FILTER_PAIR(Hue, 3)
RZ_FILTER_PAIR(Saturation, 4)
RZ_FILTER_PAIR(Sharpness, 5)
RZ_FILTER_PAIR(BayerGainRGB, 6)
RZ_FILTER_PAIR(BayerGainRed, 7)
RZ_FILTER_PAIR(BayerGainGreen, 8)
RZ_FILTER_PAIR(BayerGainBlue, 9)
RZ_FILTER_PAIR(BayerGainAuto, 10)
RZ_FILTER_PAIR(Gamma, 11)
RZ_FILTER_PAIR(BayerMode, 12)
RZ_FILTER_PAIR(GlobalGain, 13)
RZ_FILTER_PAIR(ColorGainRed, 14)
RZ_FILTER_PAIR(ColorGainGreen1, 15)
RZ_FILTER_PAIR(ColorGainGreen2, 16)
RZ_FILTER_PAIR(ColorGainBlue, 17)
RZ_FILTER_PAIR(ExposureTime, 18)
RZ_FILTER_PAIR(GrayMode, 19)
RZ_FILTER_PAIR(GrayGainR, 20)
RZ_FILTER_PAIR(GrayGainG1, 21)
RZ_FILTER_PAIR(GrayGainG2, 22)
RZ_FILTER_PAIR(GrayGainB, 23)
RZ_FILTER_PAIR(GrayOffsetR, 24)
RZ_FILTER_PAIR(GrayOffsetG1, 25)
RZ_FILTER_PAIR(GrayOffsetG2, 26)
RZ_FILTER_PAIR(GrayOffsetB, 27)
