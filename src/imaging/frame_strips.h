// The strip runner: the frame's steps applied to bands of rows, each band going through every
// step while it is still in the cache. Bands of one phase touch disjoint output rows and read
// only what no band of that phase writes, so the bands of a phase may run on any threads in any
// order; phases run one after another. The result is bit for bit the pass-by-pass runner's.
#pragma once

#include <cstdint>

#include "imaging/frame_recipe.h"

namespace rezive {

class FrameStrips {
public:
    // Output bytes a band aims at: the band, its mosaic rows and the tone table stay in a
    // core's own cache.
    static constexpr int32_t kDefaultBandBytes = 96 * 1024;
    void SetBandBytes(int32_t bytes) { bandBytes_ = bytes > 0 ? bytes : kDefaultBandBytes; }

    // Plans the frame and does the serial part on the calling thread: the composed tone table
    // (from tables, which the bands then only read) and the reconstruction's two-pixel frame.
    // False when the buffers are not shaped for bands; the caller then runs the passes.
    bool Prepare(const FrameRecipe& recipe, const FrameImages& images, FilterTables& tables);

    int32_t Phases() const { return phaseCount_; }
    int32_t Rows() const { return rows_; }
    // Rows per band: about a cache's worth of output bytes.
    int32_t BandRows() const { return bandRows_; }
    int32_t Bands() const { return rows_ == 0 ? 0 : (rows_ + bandRows_ - 1) / bandRows_; }
    // Runs band `band` of phase `phase` (both counted from 0).
    void Run(int32_t phase, int32_t band) const;

    // Runs every phase and band on the calling thread.
    void RunAll() const;

private:
    enum class Phase { kMosaic, kPoint, kSharpen };

    void Mosaic(CDibImage& color, int32_t top, int32_t bottom) const;
    void Point(int32_t top, int32_t bottom) const;
    void Sharpen(int32_t top, int32_t bottom) const;
    void Brighten(int32_t top, int32_t bottom) const;
    void Apply(PixelKernel kernel, CDibImage& dst, const CDibImage& src, int32_t top,
               int32_t bottom, const void* params) const;

    FrameRecipe recipe_;
    FrameImages images_;
    FrameLayout layout_ = FrameLayout::kColor8;
    Phase phases_[3] = {};
    int32_t phaseCount_ = 0;
    int32_t rows_ = 0;
    int32_t bandRows_ = 1;
    int32_t bandBytes_ = kDefaultBandBytes;
    bool reconstruct_ = false;  // colour modes, or gray mode 2 into the colour buffer
    bool grayGain_ = false;
    bool grayLuminance_ = false;
    bool hue_ = false;
    bool sharpen_ = false;
    bool brightnessAlone_ = false;  // brightness as its own step (not in the tone table)
    ToneMapParams tone_;
    bool toneMap_ = false;
};

}  // namespace rezive
