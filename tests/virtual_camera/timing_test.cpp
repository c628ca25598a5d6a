// When the virtual camera delivers: frame periods, blocking requests, trigger mode, stalls.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "device/rezive417dir_sdk.h"
#include "support/virtual_device_fixture.h"
#include "virtual_camera/frame_sequence.h"
#include "virtual_camera/frame_timing.h"

namespace rezive {
namespace {

using namespace virtual_camera;
using Ms = std::chrono::duration<double, std::milli>;

TEST(FrameTiming, PeriodFollowsClockWindowExposureAndBus) {
    struct Case { SensorTiming t; double periodMs; };
    // Line = (width + 370) clocks; lines = height + vertical blank, at least exposure + 1.
    const Case cases[] = {
        {{1280, 720, 124, 637, 0, 921600}, 844 * 1650 / 24e3},           // sensor bound, 58 ms
        {{1280, 720, 124, 637, 1, 921600}, 844 * 1650 / 12e3},           // half the clock
        {{1280, 720, 124, 637, 2, 921600}, 921600 / 40e3},               // bus bound, 23 ms
        {{1280, 720, 962, 637, 2, 1843200}, 1843200 / 40e3},             // 16-bit: twice the bus
        {{1280, 720, 124, 2000, 0, 921600}, 2001 * 1650 / 24e3},         // never below exposure
        {{320, 240, 398, 637, 2, 76800}, 638 * 690 / 100e3},             // small window
        {{1280, 720, 124, 637, 7, 921600}, 844 * 1650 / 24e3},           // unknown code: 24 MHz
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(FramePeriodSeconds(c.t) * 1000.0, c.periodMs, 1e-6);
    }
    const SensorTiming t{1280, 720, 6, 637, 0, 921600};
    EXPECT_NEAR(TriggeredLatencySeconds(t), (637 + 720) * 1650 / 24e6, 1e-9);
}

class TimingTest : public test::VirtualDeviceTest {
protected:
    void SetUp() override {
        VirtualDeviceTest::SetUp();
        Cam().SetTimeScale(0.0);
        model_ = std::make_unique<CRezive417DIRVUDSdk>();
        model_->SetExposure(637);
        Cam().SetTimeScale(1.0);
    }
    std::unique_ptr<CRezive417DIRVUDSdk> model_;
};

TEST_F(TimingTest, RequestsBlockUntilTheirFrameIsDue) {
    const double period = Cam().FramePeriodMs();
    ASSERT_NEAR(period, 58.0, 0.1);
    ASSERT_EQ(model_->TransferSingleFrame(), 0);
    const uint32_t first = Cam().Stats().lastSequence;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) ASSERT_EQ(model_->TransferSingleFrame(), 0);
    // Each frame waits for the next sensor frame: at least the period apart (lower bound only).
    EXPECT_GE(Ms(std::chrono::steady_clock::now() - start).count(), 2.9 * period);
    EXPECT_GE(Cam().Stats().lastSequence, first + 3);  // more if the machine stalled us
}

TEST_F(TimingTest, SlowConsumersSeeGapsInTheSequence) {
    Cam().SetTimeScale(0.1);  // ~6 ms frames
    device::DeviceHandle handle;
    ASSERT_EQ(device::OpenDevice(model_->DevicePath().c_str(), handle), 1);
    std::vector<uint8_t> frame(921600);
    uint32_t done = 0;
    ASSERT_EQ(device::PipeTransfer(handle.get(), 2, 921600, frame.data(), &done, 1), 0);
    const uint32_t first = Cam().Stats().lastSequence;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    ASSERT_EQ(device::PipeTransfer(handle.get(), 2, 921600, frame.data(), &done, 1), 0);
    EXPECT_GT(Cam().Stats().lastSequence, first + 2);  // frames passed while nobody asked
    EXPECT_EQ(virtual_camera::RecoverSequence(frame.data(), 1280, 720, 1280, 1, false),
              Cam().Stats().lastSequence);
}

TEST_F(TimingTest, TriggerModeDeliversOnlyAfterATrigger) {
    Cam().SetTimeScale(0.0);
    ASSERT_EQ(model_->SetTriggerMode(true), 1);
    Cam().SetTimeoutLimitMs(150);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(model_->TransferSingleFrame(), 19);  // no trigger: fails at the time-out
    EXPECT_GE(Ms(std::chrono::steady_clock::now() - start).count(), 149.0);

    // The software pulse: the camera object sets bits 0 and 1 and pulses bit 7 of port 11.
    ASSERT_EQ(model_->WritePort(11, 0x83), 1);
    EXPECT_EQ(Cam().Port(11), 0x03);
    EXPECT_EQ(model_->TransferSingleFrame(), 0);
    EXPECT_EQ(model_->TransferSingleFrame(), 19);  // one trigger, one frame

    EXPECT_TRUE(Cam().ExternalTrigger());
    EXPECT_EQ(model_->TransferSingleFrame(), 0);

    // A trigger while a request waits releases it.
    Cam().SetTimeoutLimitMs(20000);
    std::thread trigger([this] {
        while (Cam().Stats().imageRequests < 5) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        Cam().ExternalTrigger();
    });
    EXPECT_EQ(model_->TransferSingleFrame(), 0);
    trigger.join();

    ASSERT_EQ(model_->SetTriggerMode(false), 1);
    EXPECT_FALSE(Cam().ExternalTrigger());  // ignored outside trigger mode
    EXPECT_EQ(model_->TransferSingleFrame(), 0);
}

TEST_F(TimingTest, StalledFramesFailAtTheTimeoutAndResume) {
    Cam().SetTimeScale(0.0);
    Cam().SetStalled(true);
    Cam().SetTimeoutLimitMs(100);
    EXPECT_EQ(model_->TransferSingleFrame(), 19);
    Cam().SetStalled(false);
    EXPECT_EQ(model_->TransferSingleFrame(), 0);
}

TEST_F(TimingTest, UnplugReleasesAWaitingRequest) {
    Cam().SetStalled(true);
    std::thread unplug([this] {
        while (Cam().Stats().imageRequests < 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        Cam().Unplug();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(model_->TransferSingleFrame(), 19);
    unplug.join();
    EXPECT_LT(Ms(std::chrono::steady_clock::now() - start).count(), 2900.0);  // not the time-out
}

TEST_F(TimingTest, ReplugIsAPowerCycleThatKeepsTheRom) {
    model_->WriteSromId(3, 0x42);
    model_->SetGainIndex(5);
    Cam().Unplug();
    EXPECT_FALSE(Cam().IsPlugged());
    device::DeviceHandle handle;
    EXPECT_EQ(device::OpenDevice(model_->DevicePath().c_str(), handle), 0);
    Cam().Replug();
    EXPECT_EQ(Cam().Register(0x23), 0x0202);  // power-on value
    EXPECT_EQ(Cam().TransferSize(), 0u);
    EXPECT_EQ(Cam().Rom(0x1803), 0x42);
    EXPECT_EQ(model_->Open(0), 0);
    EXPECT_EQ(Cam().TransferSize(), 921600u);
}

TEST_F(TimingTest, AnswersAreQueuedTwicePerReadCommand) {
    device::DeviceHandle handle;
    ASSERT_EQ(device::OpenDevice(model_->DevicePath().c_str(), handle), 1);
    uint8_t packet[64] = {0x0C, 0x00, 0x2E};
    ASSERT_EQ(device::WritePacket(handle.get(), 0, 64, packet), 0);
    uint8_t answer[64] = {};
    EXPECT_EQ(device::ReadPacket(handle.get(), 1, 64, answer), 0);
    EXPECT_EQ(device::ReadPacket(handle.get(), 1, 64, answer), 0);
    EXPECT_EQ(answer[0], 0x00);  // the line-length term of the 68.75 us line, not the 0x0B80
    EXPECT_EQ(answer[1], 0x01);  // the open sequence wrote
    EXPECT_EQ(Cam().Register(0x2E), 0x0B80);
    EXPECT_EQ(device::ReadPacket(handle.get(), 1, 64, answer), 12);  // nothing more to read
    // A ROM write outside the writable page is refused.
    uint8_t rom[64] = {0x40, 0x51, 0x03, 0x19, 0x00, 0x55};
    EXPECT_EQ(device::WritePacket(handle.get(), 0, 64, rom), 12);
    EXPECT_EQ(Cam().Rom(0x1900), 0xFF);
}

// The library's conversion, lines x (term + 6) x 10 us, must give the exposure this sensor
// really runs, to within the rounding of one 10 us unit per line, or the 60 us floor.
TEST(LineLengthTermTest, ConvertsToTheExposureTheTimingModelRuns) {
    struct Case {
        int32_t width, clockCode, expectedTerm;
    } const cases[] = {
        {1280, 0, 1},  // 68.75 us lines
        {1280, 1, 8},  // 137.5 us
        {640, 0, 0},   // 42.1 us: the floor
        {1280, 2, 0},  // 16.5 us: the floor
    };
    for (const Case& c : cases) {
        SensorTiming t;
        t.width = c.width;
        t.clockCode = c.clockCode;
        t.exposure = 637;
        SCOPED_TRACE(testing::Message() << c.width << " px, clock " << c.clockCode);
        const int32_t term = LineLengthTerm(t);
        EXPECT_EQ(term, c.expectedTerm);
        const double converted = t.exposure * (term + 6) * 10e-6;
        const double line = std::max(LineTimeSeconds(t), 60e-6);
        EXPECT_NEAR(converted, t.exposure * line, t.exposure * 5e-6);
    }
}

}  // namespace
}  // namespace rezive
