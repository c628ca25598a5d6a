#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "device/zyn_sdk_lib.h"

namespace rezive {
namespace {

// The base class alone: geometry and copy without any device.
class Engine : public CZYNSdkLib {
public:
    void SetSixteen(bool on) { RecordSampleWidth(on); }
};

TEST(RawCopy, WholeFrameAndWindows) {
    struct Case { int32_t rawW, rawX, w, rawH, rawY, h; bool sixteen; };
    const Case cases[] = {
        {1280, 0, 1280, 720, 0, 720, false},
        {1280, 0, 1280, 720, 0, 720, true},
        {64, 5, 40, 30, 3, 20, false},
        {64, 24, 40, 30, 10, 20, true},
        {16, 0, 16, 8, 2, 6, false},  // full width, rows offset: still row by row
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rawW << "x" << c.rawH << " at " << c.rawX << "," << c.rawY);
        Engine engine;
        engine.SetSixteen(c.sixteen);
        ASSERT_EQ(engine.SetGeometry(c.rawW, c.rawX, c.w, c.rawH, c.rawY, c.h, 4), 0);
        const size_t s = c.sixteen ? 2 : 1;
        std::vector<uint8_t> raw(static_cast<size_t>(engine.RingBufferSize()));
        std::iota(raw.begin(), raw.end(), uint8_t{0});
        std::vector<uint8_t> out(static_cast<size_t>(c.w) * c.h * s + 16, 0xEE);
        ASSERT_EQ(engine.CopyRawFrame(out.data(), raw.data()), 0);
        for (int32_t i = 0; i < c.h; ++i) {
            for (size_t b = 0; b < c.w * s; ++b) {
                const size_t src = (static_cast<size_t>(i + c.rawY) * c.rawW + c.rawX) * s + b;
                ASSERT_EQ(out[i * c.w * s + b], raw[src]) << "row " << i;
            }
        }
        EXPECT_EQ(out[c.w * c.h * s], 0xEE);  // nothing past the packed window
        EXPECT_EQ(engine.CopyRawFrame(nullptr, raw.data()), 14);
        EXPECT_EQ(engine.DecodeSingleFrame(nullptr), 14);
    }
}

}  // namespace
}  // namespace rezive
