// The processing of one frame: defect correction, automatic exposure, the mosaic (gray modes or
// white balance and colour reconstruction) and the tone and detail filters.
#pragma once

#include <cstdint>

#include "acquisition/defect_list.h"
#include "acquisition/dialog_observer.h"
#include "acquisition/image_slots.h"
#include "imaging/dib_image.h"
#include "imaging/filters.h"
#include "imaging/frame_recipe.h"
#include "imaging/frame_strips.h"
#include "platform/worker_pool.h"
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

// The measurements and automatic exposure run on the calling thread; the mosaic and filter
// steps then run in bands of rows, shared with the process's worker pool.
class FramePipeline {
public:
    explicit FramePipeline(platform::WorkerPool& pool = platform::WorkerPool::Shared(),
                           int32_t bandBytes = FrameStrips::kDefaultBandBytes)
        : pool_(pool) {
        strips_.SetBandBytes(bandBytes);
    }

    // Processes the raw frame of colorMode in images (the nine slots) into its output buffer.
    void Process(int32_t colorMode, CDibImage* const* images, CameraSettings& settings,
                 CRezive417DIRVUDSdk& model, const DefectList& defects);
    // The dialog open on the camera, told of automatic exposure and measurements.
    DialogObserverSlot& Dialog() { return dialog_; }

    // Runs the recipe's steps on images: in bands over the pool, or as whole passes where the
    // buffers are not shaped for bands.
    void Run(const FrameRecipe& recipe, const FrameImages& images);

private:
    void MeasureWhiteBalance(const CDibImage& mosaic, const CDibImage& color,
                             CameraSettings& settings, FrameRecipe& recipe,
                             DialogObserver* dialog);
    void MeasureGrayGains(CDibImage& raw, int32_t bitDepth, CameraSettings& settings,
                          FrameRecipe& recipe, DialogObserver* dialog);

    platform::WorkerPool& pool_;
    // The tone tables, kept per camera and rebuilt when a setting changes.
    FilterTables tables_;
    FrameStrips strips_;
    DialogObserverSlot dialog_;
};

}  // namespace rezive
