#include "acquisition/acquisition.h"

#include "acquisition/frame_info_pool.h"
#include "acquisition/interface_values.h"
#include "device/rezive417dir_sdk.h"
#include "platform/clock.h"

namespace rezive {

CAcquisition::CAcquisition(AcquisitionHost& host, CameraSettings settings)
    : host_(host), settings_(settings), frameInfo_(AcquireFrameInfo()),
      frameRate_(platform::TickMs()) {}

CAcquisition::~CAcquisition() {
    Close();
    ReleaseFrameInfo(frameInfo_);
}

AcquisitionState CAcquisition::State() const {
    switch (acquisitionMode_.load()) {
        case AcquisitionMode::kPreview: return AcquisitionState::kPreview;
        case AcquisitionMode::kCapture: return AcquisitionState::kCapture;
        case AcquisitionMode::kTrigger: return AcquisitionState::kTrigger;
        case AcquisitionMode::kIdle: break;
    }
    return AcquisitionState::kIdle;
}

bool CAcquisition::CreateBuffers() {
    for (auto& image : images_) {
        image.reset(new (std::nothrow) CDibImage);
        if (!image) return false;
    }
    return true;
}

void CAcquisition::SetPreviewGeometry(platform::WindowId parent,
                                      const std::array<int32_t, 4>& rect) {
    platform::MutexLock control(control_);
    preview_.SetGeometry(parent, rect);
}

void CAcquisition::SetCallbackTarget(platform::WindowId window, void* buffer, int32_t size,
                                     int32_t topDown) {
    platform::MutexLock frame(frameLock_);
    callback_ = CallbackTarget{window, buffer, size, topDown};
    // A buffer handed over again starts its turn empty: the meta of what it held before must
    // not be taken for a frame of this turn.
    for (BufferMetaEntry& entry : bufferMeta_)
        if (buffer != nullptr && entry.buffer == buffer) entry.buffer = nullptr;
}

void CAcquisition::ClearCallbackTarget() { SetCallbackTarget(0, nullptr, 0, 0); }

bool CAcquisition::OpenPreviewWindow() {
    platform::MutexLock control(control_);
    platform::MutexLock frame(frameLock_);  // the worker draws through the window under this lock
    return preview_.Create(settings_.geometry.width, settings_.geometry.height, this);
}

bool CAcquisition::Prepare() {
    if (model_ == nullptr) return false;
    if (!host_.DeviceAvailable()) {
        host_.RecordError(kErrDeviceUnavailable);
        return false;
    }
    const CaptureGeometry& g = settings_.geometry;
    const int32_t subSample = settings_.format.subSample;
    if (!IsCaptureWindowValid(g, subSample)) {
        host_.RecordError(kErrCaptureWindow);
        return false;
    }
    int32_t width = g.width, height = g.height;
    switch (subSample) {
        case 1: case 17: width /= 2; height /= 2; break;
        case 2: case 18: width /= 4; height /= 4; break;
        case 3: case 19: width /= 8; height /= 8; break;
        default: break;
    }
    const int32_t colorMode = settings_.format.colorMode;
    if (colorMode < 0 || colorMode > 5) {
        host_.RecordError(kErrBuffer);
        return false;
    }
    const bool grayFromColor16 = colorMode == 1 && settings_.filters.grayMode == 2;
    {
        // Buffers are replaced under the frame lock: Rezive_GetImage and Rezive_SaveImage may
        // be reading them on another thread.
        platform::MutexLock frame(frameLock_);
        bool ok = true;
        auto make = [&](int slot, uint16_t bits) {
            ok = ok && images_[slot]->Create(width, height, bits) == 1;
        };
        if (colorMode <= 3) make(kRaw8, 8);
        if (SixteenBitColorMode(colorMode)) make(kRaw16, 16);
        if (colorMode != 1) make(kColor24, 24);
        if (colorMode == 3) make(kColor32, 32);
        if (colorMode == 4 || grayFromColor16) make(kColor48, 48);
        if (colorMode == 5) make(kColor64, 64);
        ok = ok && images_[kSlotWork]->CreateLike(images_[colorMode].get()) == 1;
        if (ok && colorMode <= 3) images_[kRaw8]->SetPalette(0, nullptr, 0, 256);
        if (!ok) {
            host_.RecordError(kErrBuffer);
            return false;
        }
        preparedColorMode_ = colorMode;
    }
    model_->SetSampleWidth(SixteenBitColorMode(colorMode));
    int32_t clock = 0;
    model_->GetClock(&clock);
    if (clock != settings_.format.clock) {
        model_->SetClock(settings_.format.clock);
        platform::SleepMs(100);
    }
    // The buffers above are sized for this window; a window the model refuses would leave its
    // transfer at the old size, larger than the buffers the frames are copied into.
    if (model_->SetWindow(g.xOffset, g.yOffset, g.width, g.height, subSample) != 0) {
        host_.RecordError(kErrCaptureWindow);
        return false;
    }
    model_->SetMirrorV(settings_.analog.mirrorV);
    model_->SetMirrorH(settings_.analog.mirrorH);
    model_->SetTriggerMode(false);
    model_->SetGainIndex(settings_.analog.globalGain & 0xFF);
    model_->SetExposure(settings_.analog.exposure);
    lineSeconds_ = host_.RefreshRealExposure();
    int32_t cw = 0, ch = 0;
    if (preview_.ClientSize(&cw, &ch)) {
        platform::MutexLock frame(frameLock_);
        CDibImage& display = *images_[kSlotDisplay];
        if (display.Create(cw, ch, colorMode <= 1 ? 8 : 24) == 1 && colorMode <= 1)
            display.SetPalette(0, nullptr, 0, 256);
    }
    return true;
}

bool CAcquisition::StartWorker() {
    stopRequested_.Reset();
    // The helpers start with the worker, so the threads of a running acquisition are all there
    // from its start.
    if (!poolLease_) poolLease_.emplace(platform::WorkerPool::Shared());
    try {
        worker_ = std::thread([this] { WorkerMain(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

int32_t CAcquisition::StartPreview() {
    platform::MutexLock control(control_);
    return StartPreviewLocked();
}

int32_t CAcquisition::StartPreviewLocked() {
    const GateVerdict verdict = AskGate(State(), GatedOperation::kStartPreview);
    if (verdict.kind == GateVerdict::kAlreadyRunning) return 1;
    if (verdict.kind == GateVerdict::kRefused) {
        host_.RecordError(verdict.error);
        return 0;
    }
    if (!Prepare()) {
        host_.RecordError(kErrNoDevice);
        return 0;
    }
    counters_.Reset();
    lastTaken_ = 0;
    run_ = 1;
    int32_t code = 0;
    if (!StartWorker()) {
        code = kErrThread;
    } else {
        model_->SetTriggerMode(false);
        if (model_->StartStreaming() != 0) {
            code = kErrRegister;
        } else {
            acquisitionMode_ = AcquisitionMode::kPreview;
            host_.ClaimDevice();
            return 1;
        }
    }
    StopPreviewLocked();
    host_.RecordError(code);
    return 0;
}

bool CAcquisition::ParkTrigger(bool parked) {
    platform::MutexLock control(control_);
    if (acquisitionMode_ != AcquisitionMode::kTrigger || run_ == 0) return false;
    run_ = parked ? 2 : 1;
    return true;
}

int32_t CAcquisition::StopPreview() {
    platform::MutexLock control(control_);
    return StopPreviewLocked();
}

int32_t CAcquisition::StopPreviewLocked() {
    run_ = 0;
    stopRequested_.Set();
    const AcquisitionMode was = acquisitionMode_.exchange(AcquisitionMode::kIdle);
    if (was != AcquisitionMode::kIdle && model_ != nullptr) {
        // Leaving trigger mode first lets a pending triggered transfer complete, so the trigger
        // loop sees the cleared run flag without waiting for the transfer time-out.
        model_->SetTriggerMode(false);
        model_->StopStreaming();
        host_.ReleaseClaim();
    }
    if (worker_.joinable()) {
        if (worker_.get_id() == std::this_thread::get_id()) {
            worker_.detach();  // a stop from inside the loop: it ends on the cleared flag
        } else {
            worker_.join();
            if (was == AcquisitionMode::kPreview) CountLeftInRing();
        }
    }
    poolLease_.reset();
    return 1;
}

int32_t CAcquisition::PreviewLocked() {
    if (preview_.Wanted()) {
        platform::MutexLock frame(frameLock_);
        if (!preview_.Create(settings_.geometry.width, settings_.geometry.height, this)) {
            host_.RecordError(kErrWindow);
            return 0;
        }
    }
    if (StartPreviewLocked() != 1) {
        CloseLocked();
        host_.RecordError(kErrTransfer);
        return 0;
    }
    return 1;
}

int32_t CAcquisition::Preview() {
    platform::MutexLock control(control_);
    ClearCallbackTarget();
    // A running preview keeps its window and thread; only the target changes.
    return acquisitionMode_ == AcquisitionMode::kPreview ? 1 : PreviewLocked();
}

int32_t CAcquisition::CallBackPreview(platform::WindowId window, void* buffer, int32_t size,
                                      int32_t topDown) {
    platform::MutexLock control(control_);
    SetCallbackTarget(window, buffer, size, topDown);
    return acquisitionMode_ == AcquisitionMode::kPreview ? 1 : PreviewLocked();
}

int32_t CAcquisition::Capture() {
    platform::MutexLock control(control_);
    const GateVerdict verdict = AskGate(State(), GatedOperation::kCapture);
    if (verdict.kind == GateVerdict::kAlreadyRunning) return 1;
    if (verdict.kind == GateVerdict::kRefused) {
        host_.RecordError(verdict.error);
        return 0;
    }
    if (!Prepare()) {
        host_.RecordError(kErrNoDevice);
        return 0;
    }
    acquisitionMode_ = AcquisitionMode::kCapture;
    return 1;
}

int32_t CAcquisition::Trigger(platform::WindowId window, void* buffer, int32_t size,
                              int32_t topDown) {
    platform::MutexLock control(control_);
    const GateVerdict verdict = AskGate(State(), GatedOperation::kTrigger);
    if (verdict.kind != GateVerdict::kRun) {
        host_.RecordError(verdict.kind == GateVerdict::kRefused ? verdict.error : kErrNoDevice);
        return 0;
    }
    SetCallbackTarget(window, buffer, size, topDown);
    if (preview_.Wanted()) {
        platform::MutexLock frame(frameLock_);
        if (!preview_.Create(settings_.geometry.width, settings_.geometry.height, this)) {
            host_.RecordError(kErrWindow);
            return 0;
        }
    }
    if (!Prepare()) {
        CloseLocked();
        host_.RecordError(kErrNoDevice);
        return 0;
    }
    acquisitionMode_ = AcquisitionMode::kTrigger;
    model_->SetTransferTimeout(kTriggerTimeoutMs);
    model_->SetTriggerMode(true);
    counters_.Reset();
    lastTaken_ = 0;
    run_ = 1;
    if (!StartWorker()) {
        CloseLocked();
        host_.RecordError(kErrThread);
        return 0;
    }
    return 1;
}

int32_t CAcquisition::SnapShot(void* buffer, int32_t size, int32_t topDown) {
    platform::MutexLock control(control_);
    const AcquisitionState state = State();
    const GateVerdict verdict = AskGate(state, GatedOperation::kSnapShot);
    if (verdict.kind != GateVerdict::kRun) {
        host_.RecordError(verdict.error != 0 ? verdict.error : kErrNoDevice);
        return 0;
    }
    // In capture mode the camera was prepared once and the device handle stays open.
    const bool keepHandle = state == AcquisitionState::kCapture;
    if (!keepHandle && !Prepare()) {
        host_.RecordError(kErrNoDevice);
        return 0;
    }
    platform::ReleasableMutexLock frame(frameLock_);
    auto fail = [&] {
        if (!keepHandle) model_->CloseSingleFrame();
        host_.RecordError(kErrTransfer);
        return 0;
    };
    if (model_->TransferSingleFrame() != 0) return fail();
    const FrameStamp stamp{snapshots_ + 1, platform::MonotonicMicros()};
    if (!DecodeAndProcess(false, nullptr)) {
        PostToCallback(callback_.window, 0, kErrTransfer);
        return fail();
    }
    if (buffer != nullptr && size != 0) {
        const int32_t slot = preparedColorMode_;
        if (!CopyOut(*images_[slot], topDown, buffer, size)) {
            frame.Release();
            if (!keepHandle) model_->CloseSingleFrame();
            host_.RecordError(kErrBuffer);
            return 0;
        }
        ++snapshots_;
        RememberBufferLocked(buffer, MetaOf(stamp, 0));
    }
    frame.Release();
    if (!keepHandle) model_->CloseSingleFrame();
    return 1;
}

int32_t CAcquisition::GetImage(void* buffer, int32_t size, int32_t topDown) {
    platform::MutexLock frame(frameLock_);
    const int32_t colorMode = settings_.format.colorMode;
    CDibImage* image = (colorMode >= 0 && colorMode <= 5) ? images_[colorMode].get() : nullptr;
    if (image == nullptr) {
        host_.RecordError(kErrNoDevice);
        return 0;
    }
    if (image->Empty() || buffer == nullptr) {
        host_.RecordError(kErrBuffer);
        return 0;
    }
    if (!CopyOut(*image, topDown, buffer, size)) {
        host_.RecordError(kErrBuffer);
        return 0;
    }
    return 1;
}

int32_t CAcquisition::Close() {
    platform::MutexLock control(control_);
    return CloseLocked();
}

int32_t CAcquisition::CloseLocked() {
    {
        platform::MutexLock frame(frameLock_);
        preview_.Close();
    }
    StopPreviewLocked();
    imageAvailable_ = 0;
    if (model_ != nullptr) model_->CloseSingleFrame();
    return 1;
}

}  // namespace rezive
