// Sensor control of the 417DIR model: open sequence, window, exposure, gain, mirrors, trigger
// mode, clock and sample width.
#include "device/rezive417dir_sdk.h"

#include <algorithm>

#include "device/protocol.h"
#include "device/register_tables.h"
#include "platform/clock.h"

namespace rezive {

using namespace device;

namespace {

constexpr int32_t kGainCodes[12] = {0x02, 0x03, 0x14, 0x15, 0x16, 0x17,
                                    0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D};

bool IsAcceptedSubsample(int32_t s) {
    return s == 0 || s == 1 || s == 2 || s == 3 || s == 17 || s == 18;
}

}  // namespace

CRezive417DIRVUDSdk::CRezive417DIRVUDSdk() : CZYNSdkLib(kDeviceBaseName) {
    ProbeDevices();
    Open(0);
}

CRezive417DIRVUDSdk::~CRezive417DIRVUDSdk() = default;

int32_t CRezive417DIRVUDSdk::GainCode(int32_t index) {
    const int32_t i = index & 0xFF;
    return i < 12 ? kGainCodes[i] : 0;
}

void CRezive417DIRVUDSdk::ResetDefaults() {
    ResetBaseDefaults();
    subSample_ = 0;
    triggerMode_ = 0;
}

int32_t CRezive417DIRVUDSdk::Open(int32_t index) {
    ResetDefaults();
    if (SelectDevice(index) != kDevOk) return kDevIndexRange;
    SetSampleWidth(false);
    sensorInitialized_ = 0;
    DeviceSetup();
    InitSensor();
    SetWindow(0, 0, kSensorWidth, kSensorHeight, 0);
    SetMirrorV(0);
    SetTriggerMode(false);
    return kDevOk;
}

void CRezive417DIRVUDSdk::InitSensor() {
    if (sensorInitialized_) return;
    WriteSensorRegister(kRegTableEnable, 0);
    for (auto table : {TableMemoryA(), TableMemoryB(), ControlRegisters()}) {
        for (const RegisterPair& pair : table) WriteSensorRegister(pair.address, pair.value);
    }
    sensorInitialized_ = 1;
}

bool CRezive417DIRVUDSdk::AcceptsWindow(int32_t x, int32_t y, int32_t width, int32_t height,
                                        int32_t subsample) {
    return x >= 0 && y >= 0 && width >= 4 && height >= 1 && x <= kSensorWidth - width &&
           y <= kSensorHeight - height && IsAcceptedSubsample(subsample);
}

int32_t CRezive417DIRVUDSdk::SetWindow(int32_t x, int32_t y, int32_t width, int32_t height,
                                       int32_t subsample) {
    if (!AcceptsWindow(x, y, width, height, subsample)) return 1;
    // The geometry below re-sizes the buffers that a running stream or an open single-frame
    // transfer writes into; the camera object's state gate keeps that from happening, and this
    // refusal keeps a caller that bypasses it from corrupting the heap.
    if (TransferActive()) return 1;
    subSample_ = subsample;
    SetGeometry(width, 0, width, height, 0, height, 4);
    const int32_t evenY = (y + 1) & ~1;
    const int32_t evenX = (x + 1) & ~1;
    const int32_t evenWidth = (width + 1) & ~1;
    const int32_t evenHeight = (height + 1) & ~1;
    evenHeight_ = evenHeight;
    WriteSensorRegister(kRegRowStart, (evenY + kRowOrigin) & 0xFFFF);
    WriteSensorRegister(kRegHeight, evenHeight & 0xFFFF);
    WriteSensorRegister(kRegColumnStart, (evenX + kColumnOrigin) & 0xFFFF);
    WriteSensorRegister(kRegWidth, evenWidth & 0xFFFF);
    int32_t exposure = 0;
    ReadSensorRegister(kRegExposure, &exposure);
    SetExposure(exposure);
    const uint32_t size = static_cast<uint32_t>(TransferSize());
    for (int32_t port = 0; port < 4; ++port) WritePort(port, (size >> (8 * port)) & 0xFF);
    platform::SleepMs(100);  // the controller re-arms its transfer after a size change
    lastTransferSizeSent_ = TransferSize();
    UpdateLargeTransferFlag();
    return 0;
}

int32_t CRezive417DIRVUDSdk::SetExposure(int32_t lines) {
    int32_t e = lines & 0xFFFF;
    if (e == 0) e = 1;
    if (e > 0x7FFF) e = 0x7FFF;
    const int32_t h = evenHeight_;
    int32_t timing;
    if (triggerMode_) {
        timing = e < h + 6 ? 6 : e - h + 1;
    } else if (SixteenBit()) {
        timing = e < h + 962 ? 962 : e - h + 1;
    } else {
        timing = e < h + 64 ? 124 : e - h + 1;
    }
    WriteSensorRegister(kRegFrameTiming, timing & 0xFFFF);
    WriteSensorRegister(kRegExposure, e);
    return 1;
}

int32_t CRezive417DIRVUDSdk::GetExposure(int32_t* lines) {
    int32_t value = 0;
    ReadSensorRegister(kRegExposure, &value);
    if (lines) *lines = value;
    return 1;
}

int32_t CRezive417DIRVUDSdk::SetGainIndex(int32_t index) {
    const int32_t value = GainCode(index) * 257;
    WriteSensorRegister(kRegGainA, value);
    WriteSensorRegister(kRegGainB, value);
    return 1;
}

int32_t CRezive417DIRVUDSdk::GetGainIndex() {
    int32_t value = 0;
    ReadSensorRegister(kRegGainA, &value);
    return std::max(0, (value & 0x0F) - 2);
}

namespace {

// Mirror bits are active low: a cleared bit reads the sensor out mirrored.
int32_t WithMirrorBit(int32_t reg, int32_t bit, int32_t mirrored) {
    return mirrored ? (reg & ~bit) : (reg | bit);
}

}  // namespace

// The mirror register is changed between writes of 1 and 0 to the trigger register.
void CRezive417DIRVUDSdk::WriteMirrorBit(int32_t bit, int32_t flag) {
    int32_t reg = 0;
    ReadSensorRegister(kRegMirror, &reg);
    WriteSensorRegister(kRegTrigger, 1);
    WriteSensorRegister(kRegMirror, WithMirrorBit(reg, bit, flag));
    WriteSensorRegister(kRegTrigger, 0);
}

int32_t CRezive417DIRVUDSdk::SetMirrorH(int32_t flag) {
    WriteMirrorBit(2, flag);
    mirrorH_ = flag;
    return 0;
}

int32_t CRezive417DIRVUDSdk::SetMirrorV(int32_t flag) {
    WriteMirrorBit(1, flag);
    mirrorV_ = flag;
    return 0;
}

int32_t CRezive417DIRVUDSdk::SetTriggerMode(bool on) {
    if (WriteSensorRegister(kRegTrigger, on ? 1 : 0) != 1) return 0;
    if (on) {
        PrepareStream();
        int32_t lineLength = 0;
        int32_t exposure = 0;
        ReadSensorRegister(kRegLineLength, &lineLength);
        ReadSensorRegister(kRegExposure, &exposure);
        // Let the exposure that is running finish before the trigger path is armed.
        double wait = exposure * static_cast<double>((lineLength + 6) & 0xFFFF) / 80000.0 + 100.0;
        wait = std::min(wait, 1000.0);
        platform::SleepMs(static_cast<int32_t>(wait));
    }
    if (WritePort(kPortTrigger, on ? 1 : 0) != 1) return 0;
    triggerMode_ = on ? 1 : 0;
    int32_t exposure = 0;
    ReadSensorRegister(kRegExposure, &exposure);
    SetExposure(exposure);
    return 1;
}

int32_t CRezive417DIRVUDSdk::SetClock(int32_t code) { return WritePort(kPortClock, code); }

int32_t CRezive417DIRVUDSdk::GetClock(int32_t* code) {
    int32_t value = 0;
    if (ReadPort(kPortClock, &value) != 1) return 0;
    if (code) *code = value;
    return 1;
}

int32_t CRezive417DIRVUDSdk::SetSampleWidth(bool sixteen) {
    RecordSampleWidth(sixteen);
    // This controller keeps its wide bus enabled and selects the width through port 14.
    WithDevice([&](platform::DeviceFile* h) {
        uint8_t packet[kPacketSize] = {kCmdSetSampleWidth, 1};
        WritePacket(h, kPipeCommand, kPacketSize, packet);
        return 1;
    });
    WritePort(kPortSampleWidth, sixteen ? 5 : 4);
    return 1;
}

int32_t CRezive417DIRVUDSdk::ApplySromVariant(int32_t flag) {
    CZYNSdkLib::ApplySromVariant(flag);
    int32_t reg = 0;
    ReadSensorRegister(kRegVariant, &reg);
    WriteSensorRegister(kRegVariant, flag ? (reg | 1) : (reg & ~1));
    return 1;
}

}  // namespace rezive
