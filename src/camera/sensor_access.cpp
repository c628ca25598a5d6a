// Sensor control of the camera object: mirrors, auto iris, real exposure time, registers,
// serial ROM and the user I/O port.
#include "camera/camera.h"
#include "device/protocol.h"
#include "device/rezive417dir_sdk.h"

namespace rezive {

int32_t CRezive::SetMirrorH(int32_t on) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    analog_.mirrorH = on != 0 ? 1 : 0;
    model_->SetMirrorH(analog_.mirrorH);
    return 1;
}

int32_t CRezive::GetMirrorH() {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    return analog_.mirrorH;
}

int32_t CRezive::SetMirrorV(int32_t on) {
    platform::MutexLock lock(lock_);
    if (!model_) {
        PostError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    analog_.mirrorV = on != 0 ? 1 : 0;
    model_->SetMirrorV(analog_.mirrorV);
    return 1;
}

int32_t CRezive::GetMirrorV() {
    platform::MutexLock lock(lock_);
    if (!model_) {
        PostError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    return analog_.mirrorV;
}

int32_t CRezive::SetAutoIris(int32_t mode) {
    platform::MutexLock lock(lock_);
    if (mode < 0 || mode > 2) {
        PostError(RZ_ERR_ARGUMENT);
        return 0;
    }
    analog_.autoIris = mode;
    return 1;
}

int32_t CRezive::GetAutoIris(int32_t* ok) {
    platform::MutexLock lock(lock_);
    if (ok) *ok = 1;
    return analog_.autoIris;
}

// Line length L (line-length register + 6, or 0 when the read fails) times the time unit, storing the
// conversion fields as each conversion does.
double CRezive::LineLengthTimesUnit() {
    timeUnit_ = static_cast<double>(1e-5f);
    int32_t reg = 0;
    lineLength_ = model_->ReadSensorRegister(device::kRegLineLength, &reg) == 1 ? reg + 6 : 0;
    lineOffset_ = 0;
    return lineLength_ * timeUnit_;
}

int32_t CRezive::GetRealExposureTime(int32_t* ok) {
    platform::MutexLock lock(lock_);
    return RealExposureLocked(ok);
}

int32_t CRezive::RealExposureLocked(int32_t* ok) {
    if (!model_) {
        if (ok) *ok = 0;
        RecordError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    LineLengthTimesUnit();
    lastExposureLines_ = analog_.exposure;
    if (ok) *ok = 1;
    lastExposureMs_ =
        static_cast<int32_t>(static_cast<double>(lastExposureLines_) * lineLength_ * timeUnit_ * 1000);
    return lastExposureMs_;
}

int32_t CRezive::SetRealExposureTime(int32_t milliseconds) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    const double perLine = LineLengthTimesUnit();
    const double lines = (milliseconds / 1000.0) / perLine;
    // A line length of 0 (register unreadable) gives no finite line count: out of range.
    const bool finite = perLine > 0 && lines < 2147483648.0 && lines > -2147483649.0;
    lastExposureLines_ = finite ? static_cast<int32_t>(lines) : 0;
    if (!finite || lastExposureLines_ < model_->ExposureMin() ||
        lastExposureLines_ > model_->ExposureMax()) {
        RecordError(RZ_ERR_ARGUMENT);
        return 0;
    }
    analog_.exposure = lastExposureLines_;
    model_->SetExposure(lastExposureLines_);
    return 1;
}

int32_t CRezive::ReadRegister(int32_t address, int32_t* ok) {
    platform::MutexLock lock(lock_);
    if (!model_) {
        if (ok) *ok = 0;
        RecordError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    int32_t value = 0;
    if (model_->ReadSensorRegister(address, &value) != 1) {
        if (ok) *ok = 0;
        RecordError(RZ_ERR_REGISTER);
        return 0;
    }
    if (ok) *ok = 1;
    return value;
}

int32_t CRezive::WriteRegister(int32_t address, int32_t value) {
    platform::MutexLock lock(lock_);
    if (!RequireModel()) return 0;
    if (model_->WriteSensorRegister(address, value) != 1) {
        RecordError(RZ_ERR_REGISTER);
        return 0;
    }
    return 1;
}

int32_t CRezive::ReadSromID(int32_t index, int32_t* ok) {
    platform::MutexLock lock(lock_);
    int32_t value = 0;
    if (!model_ || model_->ReadSromId(index, &value) != 1) {
        if (ok) *ok = 0;
        PostError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    if (ok) *ok = 1;
    return value;
}

int32_t CRezive::WriteSromID(int32_t index, int32_t value) {
    platform::MutexLock lock(lock_);
    if (!model_ || model_->WriteSromId(index, value) != 1) {
        PostError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    return 1;
}

int32_t CRezive::GetIOPort(uint8_t* value) {
    platform::MutexLock lock(lock_);
    if (value == nullptr) {
        PostError(RZ_ERR_ARGUMENT);
        return 0;
    }
    if (!model_) {
        PostError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    int32_t port = 0;
    model_->ReadPort(7, &port);
    *value = static_cast<uint8_t>(port);
    return 1;
}

int32_t CRezive::SetIOPort(int32_t value) {
    platform::MutexLock lock(lock_);
    if (!model_) {
        PostError(RZ_ERR_NO_DEVICE);
        return 0;
    }
    return model_->WritePort(7, value);
}

}  // namespace rezive
