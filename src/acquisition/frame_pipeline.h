// The processing of one frame: defect correction, automatic exposure, the mosaic (gray modes or
// white balance and colour reconstruction) and the tone and detail filters.
#pragma once

#include <cstdint>

#include "acquisition/defect_list.h"
#include "acquisition/dialog_observer.h"
#include "acquisition/image_slots.h"
#include "imaging/dib_image.h"
#include "imaging/filters.h"
#include "settings/records.h"

namespace rezive {

class CRezive417DIRVUDSdk;

// Settings of the camera object that acquisition reads (and auto iris and the automatic
// measurements write).
struct CameraSettings {
    FilterSettings& filters;
    AnalogSettings& analog;
    FormatSettings& format;
    CaptureGeometry& geometry;
    Setting& defectCorrection;
};

class FramePipeline {
public:
    // Processes the raw frame of colorMode in images (the nine slots) into its output buffer.
    void Process(int32_t colorMode, CDibImage* const* images, CameraSettings& settings,
                 CRezive417DIRVUDSdk& model, const DefectList& defects);
    // The dialog open on the camera, told of automatic exposure and measurements.
    DialogObserverSlot& Dialog() { return dialog_; }

private:
    void Reconstruct(CDibImage& color, const CDibImage& mosaic, CameraSettings& settings,
                     DialogObserver* dialog);
    void GrayGainOffset(CDibImage& raw, int32_t bitDepth, CameraSettings& settings,
                        DialogObserver* dialog);
    void Filters(int32_t colorMode, CDibImage& output, CDibImage& work, CameraSettings& settings);

    // Tables of the 16-bit contrast and gamma, kept per camera and rebuilt when a setting changes.
    FilterTables tables_;
    DialogObserverSlot dialog_;
};

}  // namespace rezive
