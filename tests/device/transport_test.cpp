#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "device/rezive417dir_sdk.h"
#include "device/transport.h"
#include "support/virtual_device_fixture.h"

namespace rezive {
namespace {

using namespace device;

TEST(DevicePath, SuffixTableOrderAndRange) {
    struct Case { int32_t index; const char* path; };
    const Case cases[] = {
        {0, "/dev/Daro417DIRVUD-0"},  {9, "/dev/Daro417DIRVUD-9"},  {12, "/dev/Daro417DIRVUD-C"},
        {21, "/dev/Daro417DIRVUD-L"}, {22, "/dev/Daro417DIRVUD-N"}, {23, "/dev/Daro417DIRVUD-M"},
        {24, "/dev/Daro417DIRVUD-O"}, {31, "/dev/Daro417DIRVUD-V"}, {32, "/dev/Daro417DIRVUD-W"},
        {35, "/dev/Daro417DIRVUD-Z"},
    };
    for (const auto& c : cases) {
        char path[128];
        ASSERT_TRUE(FormatDevicePath(kDeviceBaseName, c.index, path, sizeof path));
        EXPECT_STREQ(path, c.path);
    }
    char small[8];
    EXPECT_FALSE(FormatDevicePath(kDeviceBaseName, 36, small, sizeof small));
    EXPECT_FALSE(FormatDevicePath(kDeviceBaseName, -1, small, sizeof small));
    EXPECT_FALSE(FormatDevicePath(kDeviceBaseName, 0, small, sizeof small));  // does not fit
}

// A model names its device files through the base class; a name longer than the base class
// keeps is cut, never written past its field.
TEST(DevicePath, ModelBaseNameFormsTheSelectedPath) {
    class NamedModel : public CZYNSdkLib {
    public:
        explicit NamedModel(const char* name) : CZYNSdkLib(name) {}
    };
    const std::string longName(40, 'q');
    struct Case { const char* name; int32_t index; std::string path; };
    const Case cases[] = {
        {kDeviceBaseName, 12, "/dev/Daro417DIRVUD-C"},
        {"Other", 0, "/dev/Other-0"},
        {longName.c_str(), 1, "/dev/" + std::string(31, 'q') + "-1"},
    };
    for (const auto& c : cases) {
        NamedModel model(c.name);
        ASSERT_EQ(model.SelectDevice(c.index), 0);
        EXPECT_EQ(model.DevicePath(), c.path);
    }
}

// A scripted device file: each request takes the next scripted outcome.
class ScriptedFile : public platform::DeviceFile {
public:
    struct Step { bool ok; uint32_t done; std::vector<uint8_t> data; };
    std::deque<Step> steps;
    std::vector<std::pair<uint32_t, uint32_t>> calls;  // (code, pipe)
    bool Control(uint32_t code, const void* in, uint32_t, void* out, uint32_t outSize,
                 uint32_t* done) override {
        uint32_t pipe = 0;
        std::memcpy(&pipe, in, 4);
        calls.emplace_back(code, pipe);
        Step s = steps.empty() ? Step{true, outSize, {}} : steps.front();
        if (!steps.empty()) steps.pop_front();
        if (!s.data.empty()) std::memcpy(out, s.data.data(), std::min<size_t>(s.data.size(), outSize));
        *done = s.done;
        return s.ok;
    }
};

TEST(Transport, PipeTransferAndPacketResults) {
    ScriptedFile file;
    uint8_t buffer[64] = {};
    uint32_t done = 7;
    EXPECT_EQ(PipeTransfer(nullptr, 0, 64, nullptr, &done, 1), -2);  // buffer checked first
    EXPECT_EQ(PipeTransfer(nullptr, 0, 64, buffer, &done, 1), -3);
    file.steps = {{false, 3, {}}, {true, 64, {}}, {true, 63, {}}, {false, 64, {}}};
    EXPECT_EQ(PipeTransfer(&file, 2, 64, buffer, &done, 1), -1);
    EXPECT_EQ(done, 3u);  // the driver's count also after a failure
    EXPECT_EQ(WritePacket(&file, 0, 64, buffer), 0);
    EXPECT_EQ(ReadPacket(&file, 1, 64, buffer), 12);  // short
    EXPECT_EQ(ReadPacket(&file, 1, 64, buffer), 12);  // failed
    EXPECT_EQ(WritePacket(nullptr, 0, 64, buffer), 10);
    EXPECT_EQ(file.calls[0].first, platform::kIoctlPipeTransferIn);
    EXPECT_EQ(file.calls[1].first, platform::kIoctlPipeTransferIn);  // WritePacket: choice 1
    EXPECT_EQ(file.calls[2].first, platform::kIoctlPipeTransfer);    // ReadPacket: choice 0
    EXPECT_EQ(LargePipeTransfer(&file, 2, 64, buffer, &done), 0);
    EXPECT_EQ(file.calls.back().first, platform::kIoctlLargeTransferIn);
}

TEST(Transport, RegisterReadDependsOnTheSecondAnswer) {
    struct Case { bool writeOk, firstOk, secondOk; int32_t result; size_t calls; };
    const Case cases[] = {
        {true, true, true, 0, 3},
        {true, false, true, 0, 3},   // a failed first answer read does not matter
        {true, true, false, 12, 3},
        {false, true, true, 12, 1},  // no reads after a failed command
    };
    for (const auto& c : cases) {
        ScriptedFile file;
        file.steps = {{c.writeOk, 64, {}}, {c.firstOk, 64, {0x11, 0x22}}, {c.secondOk, 64, {0x12, 0x34}}};
        uint8_t value[2] = {};
        EXPECT_EQ(ExchangeReadRegister(&file, 0x0F, value, 2), c.result);
        EXPECT_EQ(file.calls.size(), c.calls);
        if (c.result == 0) {
            EXPECT_EQ(value[0], 0x12);
            EXPECT_EQ(value[1], 0x34);
        }
    }
}

using EnumerationTest = test::VirtualDeviceTest;

TEST_F(EnumerationTest, ProbeFindsCamerasInSlotsZeroAndTwo) {
    test::EnableVirtualCameras(3);
    Cam(1).Unplug();
    CRezive417DIRVUDSdk model;
    EXPECT_TRUE(model.IsDevicePresent(0));
    EXPECT_FALSE(model.IsDevicePresent(1));
    EXPECT_TRUE(model.IsDevicePresent(2));
    EXPECT_FALSE(model.IsDevicePresent(3));
    EXPECT_FALSE(model.IsDevicePresent(-1));
    EXPECT_FALSE(model.IsDevicePresent(32));
    EXPECT_EQ(model.DeviceCount(), 32);

    EXPECT_EQ(model.Open(2), 0);
    EXPECT_STREQ(model.DevicePath().c_str(), "/dev/Daro417DIRVUD-2");
    EXPECT_EQ(Cam(2).Register(0x8000), 0x000D);  // the register tables went to slot 2
    model.ProbeDevices();
    EXPECT_EQ(model.SelectedDevice(), 0);          // the probe resets the index ...
    EXPECT_STREQ(model.DevicePath().c_str(), "/dev/Daro417DIRVUD-2");  // ... but not the path
}

TEST_F(EnumerationTest, SelectDeviceRange) {
    CRezive417DIRVUDSdk model;
    EXPECT_EQ(model.SelectDevice(32), 0);
    EXPECT_STREQ(model.DevicePath().c_str(), "/dev/Daro417DIRVUD-W");
    EXPECT_EQ(model.SelectDevice(33), 22);
    EXPECT_EQ(model.SelectedDevice(), 32);
    EXPECT_STREQ(model.DevicePath().c_str(), "/dev/Daro417DIRVUD-W");
    EXPECT_EQ(model.Open(40), 22);
}

TEST_F(EnumerationTest, NoCamerasMeansNoOpenDeviceButAModel) {
    test::EnableVirtualCameras(0);
    CRezive417DIRVUDSdk model;
    for (int i = 0; i < 32; ++i) EXPECT_FALSE(model.IsDevicePresent(i));
    int32_t value = 5;
    EXPECT_EQ(model.ReadSensorRegister(0x0F, &value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(model.TransferSingleFrame(), 10);
}

TEST_F(EnumerationTest, SerialRomReadsAndWrites) {
    CRezive417DIRVUDSdk model;
    Cam().ResetStats();
    int32_t value = -1;
    EXPECT_EQ(model.ReadSrom(0x17FF, &value), 0);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(Cam().Stats().opens, 0u);  // refused without touching the device
    EXPECT_EQ(model.ReadSrom(0x1EB0, &value), 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(model.WriteSromId(0x105, 0xA5), 1);  // index taken to its low byte
    EXPECT_EQ(Cam().Rom(0x1805), 0xA5);
    EXPECT_EQ(model.ReadSromId(5, &value), 1);
    EXPECT_EQ(value, 0xA5);
    Cam().FailExchanges(virtual_camera::kRomExchanges, 1);
    EXPECT_EQ(model.WriteSromId(6, 1), 0);
    Cam().FailExchanges(virtual_camera::kRomExchanges, -1);
    EXPECT_EQ(model.ReadSromId(5, &value), 0);
    Cam().FailExchanges(virtual_camera::kRomExchanges, 0);
    EXPECT_EQ(model.ReadSromId(5, &value), 1);
}

TEST_F(EnumerationTest, RegisterAndPortExchangesReportFailures) {
    CRezive417DIRVUDSdk model;
    int32_t value = 0;
    EXPECT_EQ(model.WriteSensorRegister(0x1234, 0xBEEF), 1);
    EXPECT_EQ(model.ReadSensorRegister(0x1234, &value), 1);
    EXPECT_EQ(value, 0xBEEF);
    EXPECT_EQ(model.WritePort(7, 0x5A), 1);
    EXPECT_EQ(model.ReadPort(7, &value), 1);
    EXPECT_EQ(value, 0x5A);
    Cam().FailExchanges(virtual_camera::kRegisterExchanges | virtual_camera::kPortExchanges, 2);
    EXPECT_EQ(model.ReadSensorRegister(0x1234, &value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(model.ReadPort(7, &value), 0);
    EXPECT_EQ(model.ReadPort(7, &value), 1);  // the count is used up
    Cam().Unplug();
    EXPECT_EQ(model.WritePort(7, 1), 0);
    EXPECT_EQ(model.WriteSensorRegister(1, 1), 0);
}

TEST_F(EnumerationTest, TransferTimeoutRecordReachesTheDevice) {
    CRezive417DIRVUDSdk model;
    EXPECT_EQ(model.TransferTimeout(), 3000);
    model.SetTransferTimeout(60000);
    EXPECT_EQ(model.TransferTimeout(), 60000);
    EXPECT_EQ(Cam().TimeoutMs(), 60000u);
    model.ResetDefaults();
    EXPECT_EQ(model.TransferTimeout(), 3000);
}

}  // namespace
}  // namespace rezive
