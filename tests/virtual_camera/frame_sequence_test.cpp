#include "virtual_camera/frame_sequence.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace rezive {
namespace {

using virtual_camera::RecoverSequence;
using virtual_camera::StampSequence;

// The stamp is written straight into the frame the host receives, so it must read back in both
// sample widths and never write past the bytes the request asked for.
TEST(FrameSequenceTest, StampReadsBackAndStaysInsideTheFrame) {
    struct Case {
        const char* name;
        uint32_t sequence;
        int32_t width, height;
        bool sixteen;
        size_t limitBytes;  // bytes the stamp may write; the rest of the buffer is a guard
        int64_t recovered;  // -1: the stamp is cut off and cannot be read
    };
    const Case cases[] = {
        {"8-bit", 0x80F00F01u, 256, 8, false, 256 * 8, 0x80F00F01},
        {"16-bit", 0xDEADBEEFu, 256, 8, true, 256 * 8 * 2, 0xDEADBEEF},
        {"all ones", 0xFFFFFFFFu, 128, 4, false, 128 * 4, 0xFFFFFFFF},
        {"zero", 0u, 128, 4, true, 128 * 4 * 2, 0},
        {"short transfer", 0x12345678u, 256, 8, false, 300, -1},
        {"short odd 16-bit", 0x12345678u, 256, 8, true, 301, -1},
        {"narrow window", 0xFFFFFFFFu, 64, 8, false, 64 * 8, -1},
        {"low window", 0xFFFFFFFFu, 256, 2, false, 256 * 2, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t s = c.sixteen ? 2 : 1;
        const size_t frameBytes = static_cast<size_t>(c.width) * c.height * s;
        std::vector<uint8_t> frame(frameBytes + 64, 0xA5);
        StampSequence(c.sequence, c.width, c.height, c.sixteen, frame.data(), c.limitBytes);
        for (size_t i = c.limitBytes; i < frame.size(); ++i) ASSERT_EQ(frame[i], 0xA5) << i;
        if (c.recovered >= 0) {
            EXPECT_EQ(RecoverSequence(frame.data(), c.width, c.height, c.width * s,
                                      static_cast<int32_t>(s), c.sixteen),
                      c.recovered);
        }
        // Samples right of the stamp are the picture's, whatever the window width.
        if (c.width > virtual_camera::kStampColumns && c.limitBytes == frameBytes) {
            EXPECT_EQ(frame[virtual_camera::kStampColumns * s], 0xA5);
        }
    }
}

TEST(FrameSequenceTest, SixteenBitStampUsesTwelveSignificantBits) {
    std::vector<uint8_t> frame(128 * 4 * 2, 0);
    StampSequence(0x80000000u, 128, 4, true, frame.data(), frame.size());
    EXPECT_EQ(frame[0] | (frame[1] << 8), 4095);
    EXPECT_EQ(frame[8] | (frame[9] << 8), 0);  // the second cell: bit 30 is clear
}

}  // namespace
}  // namespace rezive
