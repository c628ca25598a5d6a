#include <gtest/gtest.h>

#include <chrono>

#include "device/register_tables.h"
#include "device/rezive417dir_sdk.h"
#include "support/virtual_device_fixture.h"

namespace rezive {
namespace {

class SensorControlTest : public test::VirtualDeviceTest {
protected:
    void SetUp() override {
        VirtualDeviceTest::SetUp();
        model_ = std::make_unique<CRezive417DIRVUDSdk>();
    }
    uint16_t Reg(int a) { return Cam().Register(a); }
    std::unique_ptr<CRezive417DIRVUDSdk> model_;
};

TEST(RegisterTables, SizesPatternAndNonZeroCounts) {
    struct Case { std::span<const device::RegisterPair> table; uint16_t base; int nonZero; };
    const Case cases[] = {{device::TableMemoryA(), 0x8000, 367}, {device::TableMemoryB(), 0x8800, 45}};
    for (const auto& c : cases) {
        ASSERT_EQ(c.table.size(), 1536u);
        int nonZero = 0;
        for (size_t i = 0; i < c.table.size(); ++i) {
            EXPECT_EQ(c.table[i].address, c.base + 4 * (i / 3) + i % 3);
            if (c.table[i].value != 0) {
                ++nonZero;
                EXPECT_LT(static_cast<int>(i), c.nonZero);  // the used values come first
            }
        }
        EXPECT_EQ(nonZero, c.nonZero);
        EXPECT_EQ(c.table.back().address, c.base + 0x7FE);
    }
    EXPECT_EQ(device::TableMemoryA()[5].value, 0x4806);
    EXPECT_EQ(device::TableMemoryB()[3].value, 0x2002);
    const auto control = device::ControlRegisters();
    ASSERT_EQ(control.size(), 136u);
    EXPECT_EQ(control.front().address, 0x00);
    EXPECT_EQ(control.front().value, 0x0202);
    EXPECT_EQ(control.back().address, 0xFF);
    EXPECT_EQ(control.back().value, 0x0001);
}

TEST_F(SensorControlTest, OpenLoadsTablesAndTheFullWindow) {
    EXPECT_EQ(model_->SensorInitialized(), 1);
    EXPECT_EQ(Reg(0x8000), 0x000D);
    EXPECT_EQ(Reg(0x8806), 0x4000);
    EXPECT_EQ(Reg(0x3E), 0x0001);  // cleared first, then set by the control table
    EXPECT_EQ(Reg(0x2E), 0x0B80);
    EXPECT_EQ(Reg(0x04), 64);
    EXPECT_EQ(Reg(0x05), 720);
    EXPECT_EQ(Reg(0x06), 132);
    EXPECT_EQ(Reg(0x07), 1280);
    EXPECT_EQ(Cam().Port(0), 0x00);
    EXPECT_EQ(Cam().Port(1), 0x10);
    EXPECT_EQ(Cam().Port(2), 0x0E);
    EXPECT_EQ(Cam().Port(3), 0x00);
    EXPECT_EQ(Cam().TransferSize(), 921600u);
    EXPECT_EQ(model_->LastTransferSizeSent(), 921600);
    EXPECT_EQ(Cam().Port(14), 4);  // 8-bit samples
    EXPECT_EQ(Cam().Port(11), 0);  // trigger off
    EXPECT_EQ(Reg(0x01), 0);
    EXPECT_EQ(Reg(0x02) & 1, 1);    // vertical mirror off (active low)
    EXPECT_EQ(model_->GetMirrorV(), 0);
}

TEST_F(SensorControlTest, WindowValidationAndRegisters) {
    struct Case { int32_t x, y, w, h, sub, result; int r04, r05, r06, r07; };
    const Case cases[] = {
        {1, 1, 1279, 719, 0, 0, 66, 720, 134, 1280},
        {100, 50, 640, 480, 17, 0, 114, 480, 232, 640},
        {0, 0, 4, 1, 18, 0, 64, 2, 132, 4},
        {0, 0, 1280, 720, 4, 1, -1, 0, 0, 0},
        {0, 0, 1280, 720, 16, 1, -1, 0, 0, 0},
        {0, 0, 1280, 720, 19, 1, -1, 0, 0, 0},
        {0, 0, 3, 10, 0, 1, -1, 0, 0, 0},
        {0, 0, 10, 0, 0, 1, -1, 0, 0, 0},
        {1, 0, 1280, 10, 0, 1, -1, 0, 0, 0},
        {0, 1, 10, 720, 0, 1, -1, 0, 0, 0},
        {-1, 0, 10, 10, 0, 1, -1, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h << " s" << c.sub);
        ASSERT_EQ(model_->SetWindow(0, 0, 1280, 720, 0), 0);
        ASSERT_EQ(model_->SetWindow(c.x, c.y, c.w, c.h, c.sub), c.result);
        if (c.result != 0) {
            EXPECT_EQ(Reg(0x04), 64);  // refused: unchanged
            EXPECT_EQ(model_->OutputWidth(), 1280);
            continue;
        }
        EXPECT_EQ(Reg(0x04), c.r04);
        EXPECT_EQ(Reg(0x05), c.r05);
        EXPECT_EQ(Reg(0x06), c.r06);
        EXPECT_EQ(Reg(0x07), c.r07);
        EXPECT_EQ(model_->SubSample(), c.sub);
        EXPECT_EQ(model_->OutputWidth(), c.w);
        EXPECT_EQ(model_->OutputHeight(), c.h);
    }
}

TEST_F(SensorControlTest, ExposureAndFrameTimingRegister) {
    struct Case { bool sixteen, trigger; int32_t in; int r0F, r0E; };
    const Case cases[] = {
        {false, false, 700, 700, 124},  // below h + 64: floor 124
        {false, false, 784, 784, 65},
        {false, false, 900, 900, 181},
        {false, false, 783, 783, 124},
        {false, false, 0, 1, 124},
        {false, false, 0x8000, 0x7FFF, 0x7FFF - 720 + 1},
        {false, false, 0x10005, 5, 124},  // only the low 16 bits count
        {true, false, 700, 700, 962},
        {true, false, 1682, 1682, 963},
        {false, true, 725, 725, 6},
        {false, true, 726, 726, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.in << (c.sixteen ? " 16" : " 8") << (c.trigger ? " trig" : ""));
        model_->SetSampleWidth(c.sixteen);
        if (c.trigger) model_->SetTriggerMode(true);
        EXPECT_EQ(model_->SetExposure(c.in), 1);
        EXPECT_EQ(Reg(0x0F), c.r0F);
        EXPECT_EQ(Reg(0x0E), c.r0E);
        int32_t lines = 0;
        EXPECT_EQ(model_->GetExposure(&lines), 1);
        EXPECT_EQ(lines, c.r0F);
        if (c.trigger) model_->SetTriggerMode(false);
    }
}

TEST_F(SensorControlTest, GainCodes) {
    struct Case { int32_t index; uint16_t reg; int32_t readBack; };
    const Case cases[] = {{0, 0x0202, 0}, {1, 0x0303, 1}, {2, 0x1414, 2}, {6, 0x3838, 6},
                          {11, 0x3D3D, 11}, {12, 0x0000, 0}, {255, 0x0000, 0}, {256, 0x0202, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(model_->SetGainIndex(c.index), 1);
        EXPECT_EQ(Reg(0x23), c.reg);
        EXPECT_EQ(Reg(0x24), c.reg);
        EXPECT_EQ(model_->GetGainIndex(), c.readBack);
    }
}

TEST_F(SensorControlTest, MirrorsAreActiveLowAndKeepOtherBits) {
    ASSERT_EQ(model_->WriteSensorRegister(0x02, 0x0103), 1);
    model_->SetMirrorH(1);
    EXPECT_EQ(Reg(0x02), 0x0101);
    model_->SetMirrorV(1);
    EXPECT_EQ(Reg(0x02), 0x0100);
    model_->SetMirrorH(0);
    EXPECT_EQ(Reg(0x02), 0x0102);
    EXPECT_EQ(Reg(0x01), 0);  // written 1 around the change, 0 after
    EXPECT_EQ(model_->GetMirrorH(), 0);
    EXPECT_EQ(model_->GetMirrorV(), 1);
}

TEST_F(SensorControlTest, TriggerModeWaitsForTheRunningExposure) {
    ASSERT_EQ(Reg(0x2E), 0x0B80);
    model_->SetExposure(637);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(model_->SetTriggerMode(true), 1);
    const auto waited = std::chrono::steady_clock::now() - start;
    // Register 0x2E reads the virtual sensor's line-length term 1: 637 x 7 / 80000 + 100 =
    // 100 ms (the lower bound only: the machine may be slow).
    EXPECT_GE(waited, std::chrono::milliseconds(100));
    EXPECT_EQ(model_->TriggerMode(), 1);
    EXPECT_EQ(Reg(0x01), 1);
    EXPECT_EQ(Cam().Port(11), 1);
    EXPECT_TRUE(Cam().TriggerMode());
    EXPECT_EQ(Reg(0x0E), 6);  // the trigger rule
    EXPECT_EQ(model_->SetTriggerMode(false), 1);
    EXPECT_EQ(Reg(0x0E), 124);
    Cam().FailExchanges(virtual_camera::kRegisterExchanges, 1);
    EXPECT_EQ(model_->SetTriggerMode(true), 0);
    EXPECT_EQ(model_->TriggerMode(), 0);
    Cam().FailExchanges(virtual_camera::kPortExchanges, 1);
    model_->SetExposure(1);
    EXPECT_EQ(model_->SetTriggerMode(true), 0);
    EXPECT_EQ(model_->TriggerMode(), 0);
}

TEST_F(SensorControlTest, ClockSampleWidthAndVariant) {
    EXPECT_EQ(model_->SetClock(2), 1);
    int32_t code = -1;
    EXPECT_EQ(model_->GetClock(&code), 1);
    EXPECT_EQ(code, 2);
    Cam().FailExchanges(virtual_camera::kPortExchanges, 1);
    code = -1;
    EXPECT_EQ(model_->GetClock(&code), 0);
    EXPECT_EQ(code, -1);

    model_->SetSampleWidth(true);
    EXPECT_EQ(Cam().Port(14), 5);
    EXPECT_TRUE(Cam().SixteenBit());
    EXPECT_EQ(model_->SixteenBit(), 1);
    model_->SetSampleWidth(false);
    EXPECT_EQ(Cam().Port(14), 4);

    model_->ApplySromVariant(1);
    EXPECT_EQ(Reg(0x50) & 1, 1);
    EXPECT_EQ(model_->VariantValue(), 1);
    model_->ApplySromVariant(0);
    EXPECT_EQ(Reg(0x50) & 1, 0);
    model_->ApplySromVariant(7);
    EXPECT_EQ(model_->VariantValue(), 1);
}

// A reset restores what the open sequence starts from; the sensor state the model keeps for
// itself is reset with the shared defaults, and the mirror flags keep following the device's
// mirror register, which a reset leaves as it is.
TEST_F(SensorControlTest, ResetRestoresTheModelDefaults) {
    ASSERT_EQ(model_->SetWindow(100, 50, 640, 480, 17), 0);
    ASSERT_EQ(model_->SetTriggerMode(true), 1);
    ASSERT_EQ(model_->SetMirrorH(1), 0);
    model_->SetSampleWidth(true);
    model_->ApplySromVariant(1);
    model_->SetTransferTimeout(60000);
    model_->ResetDefaults();

    struct Case { const char* name; int32_t value, expected; };
    const Case cases[] = {
        {"sub-sampling", model_->SubSample(), 0},
        {"trigger mode", model_->TriggerMode(), 0},
        {"sample width", model_->SixteenBit(), 0},
        {"variant", model_->VariantValue(), 0},
        {"transfer time-out", model_->TransferTimeout(), 3000},
        {"output width", model_->OutputWidth(), 1280},
        {"output height", model_->OutputHeight(), 1028},
        {"horizontal mirror", model_->GetMirrorH(), 1},
        {"vertical mirror", model_->GetMirrorV(), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.value, c.expected) << c.name;
    EXPECT_EQ(Reg(0x02) & 2, 0);  // the mirror register still reads out mirrored

    // The open that follows a reset rebuilds the full window with a transfer size to match.
    ASSERT_EQ(model_->Open(0), 0);
    EXPECT_EQ(model_->OutputHeight(), 720);
    EXPECT_EQ(model_->EvenHeight(), 720);
    EXPECT_EQ(model_->TransferSize(), 921600);
}

}  // namespace
}  // namespace rezive
