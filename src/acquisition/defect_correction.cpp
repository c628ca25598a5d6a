#include "acquisition/defect_correction.h"

#include "device/protocol.h"
#include "imaging/pixel_access.h"

namespace rezive {
namespace {

using device::kSensorHeight;

int32_t Sample(const CDibImage& raw, int32_t column, int32_t memoryRow) {
    const uint8_t* row = raw.Row(memoryRow);
    return raw.BitsPerPixel() == 16 ? pixel::Load16(row + column * 2) : row[column];
}

void Store(CDibImage& raw, int32_t column, int32_t memoryRow, int32_t value) {
    uint8_t* row = raw.Row(memoryRow);
    if (raw.BitsPerPixel() == 16) pixel::Store16(row + column * 2, static_cast<uint16_t>(value));
    else row[column] = static_cast<uint8_t>(value);
}

}  // namespace

void CorrectDefects(CDibImage& raw, const DefectList& defects, const CaptureGeometry& window,
                    bool mirrorH, bool mirrorV) {
    if (raw.Empty() || (raw.BitsPerPixel() != 8 && raw.BitsPerPixel() != 16)) return;
    const int32_t X = window.xOffset, Y = window.yOffset, W = window.width, H = window.height;
    const int32_t width = raw.Width(), height = raw.Height();
    defects.WithPoints([&](const std::vector<DefectPoint>& points, auto isListed) {
        for (const DefectPoint& p : points) {
            if (p.x < X || p.x > X + W - 1) continue;
            if (p.y < kSensorHeight - Y - H || p.y > kSensorHeight - 1 - Y) continue;
            const int32_t c = mirrorH ? X + W - 1 - p.x : p.x - X;
            const int32_t j = mirrorV ? kSensorHeight - 1 - Y - p.y : p.y - (kSensorHeight - Y - H);
            if (c < 0 || c >= width || j < 0 || j >= height) continue;
            // Positions count as defective by the list's own coordinates, compared unconverted.
            int32_t sum = 0, count = 0;
            auto take = [&](int32_t column, int32_t rowIndex) {
                sum += Sample(raw, column, height - 1 - rowIndex);
                ++count;
            };
            for (int32_t k = c - 1; k >= 0; --k) {
                if (!isListed(k, j)) { take(k, j); break; }
            }
            for (int32_t k = c + 1; k < width; ++k) {
                if (!isListed(k, j)) { take(k, j); break; }
            }
            for (int32_t k = j - 1; k >= 0; --k) {
                if (!isListed(c, k)) { take(c, k); break; }
            }
            for (int32_t k = j + 1; k < height; ++k) {
                if (!isListed(c, k)) { take(c, k); break; }
            }
            if (count > 0) Store(raw, c, height - 1 - j, sum / count);
        }
    });
}

}  // namespace rezive
