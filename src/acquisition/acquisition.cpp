#include "acquisition/acquisition.h"

#include <cstring>

#include "acquisition/frame_info_pool.h"
#include "acquisition/interface_values.h"
#include "device/rezive417dir_sdk.h"
#include "imaging/conversions.h"
#include "platform/clock.h"

namespace rezive {
namespace {

constexpr int kRaw8 = 0, kRaw16 = 1, kColor24 = 2, kColor32 = 3, kColor48 = 4, kColor64 = 5;

bool SixteenBitMode(int32_t mode) { return mode == 1 || mode == 4 || mode == 5; }

}  // namespace

CAcquisition::CAcquisition(AcquisitionHost& host, CameraSettings settings)
    : host_(host), settings_(settings), frameInfo_(AcquireFrameInfo()),
      frameRate_(platform::TickMs()) {}

CAcquisition::~CAcquisition() {
    Close();
    ReleaseFrameInfo(frameInfo_);
}

AcquisitionState CAcquisition::State() const {
    switch (mode_.load()) {
        case 1: return AcquisitionState::kPreview;
        case 2: return AcquisitionState::kCapture;
        case 3: return AcquisitionState::kTrigger;
        default: return AcquisitionState::kIdle;
    }
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
    const int32_t mode = settings_.format.colorMode;
    if (mode < 0 || mode > 5) {
        host_.RecordError(kErrBuffer);
        return false;
    }
    const bool grayFromColour16 = mode == 1 && settings_.filters.grayMode == 2;
    {
        // Buffers are replaced under the frame lock: Rezive_GetImage and Rezive_SaveImage may
        // be reading them on another thread.
        platform::MutexLock frame(frameLock_);
        bool ok = true;
        auto make = [&](int slot, uint16_t bits) {
            ok = ok && images_[slot]->Create(width, height, bits) == 1;
        };
        if (mode <= 3) make(kRaw8, 8);
        if (SixteenBitMode(mode)) make(kRaw16, 16);
        if (mode != 1) make(kColor24, 24);
        if (mode == 3) make(kColor32, 32);
        if (mode == 4 || grayFromColour16) make(kColor48, 48);
        if (mode == 5) make(kColor64, 64);
        ok = ok && images_[kSlotWork]->CreateLike(images_[mode].get()) == 1;
        if (ok && mode <= 3) images_[kRaw8]->SetPalette(0, nullptr, 0, 256);
        if (!ok) {
            host_.RecordError(kErrBuffer);
            return false;
        }
        preparedMode_ = mode;
    }
    model_->SetSampleWidth(SixteenBitMode(mode));
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
    host_.RefreshRealExposure();
    int32_t cw = 0, ch = 0;
    if (preview_.ClientSize(&cw, &ch)) {
        platform::MutexLock frame(frameLock_);
        CDibImage& display = *images_[kSlotDisplay];
        if (display.Create(cw, ch, mode <= 1 ? 8 : 24) == 1 && mode <= 1)
            display.SetPalette(0, nullptr, 0, 256);
    }
    return true;
}

bool CAcquisition::StartWorker() {
    stopRequested_.Reset();
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
    run_ = 1;
    int32_t code = 0;
    if (!StartWorker()) {
        code = kErrThread;
    } else {
        model_->SetTriggerMode(false);
        if (model_->StartStreaming() != 0) {
            code = kErrRegister;
        } else {
            mode_ = 1;
            host_.ClaimDevice();
            return 1;
        }
    }
    StopPreviewLocked();
    host_.RecordError(code);
    return 0;
}

int32_t CAcquisition::StopPreview() {
    platform::MutexLock control(control_);
    return StopPreviewLocked();
}

int32_t CAcquisition::StopPreviewLocked() {
    run_ = 0;
    stopRequested_.Set();
    if (mode_.exchange(0) != 0 && model_ != nullptr) {
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
        }
    }
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
    return mode_ == 1 ? 1 : PreviewLocked();
}

int32_t CAcquisition::CallBackPreview(platform::WindowId window, void* buffer, int32_t size,
                                      int32_t topDown) {
    platform::MutexLock control(control_);
    SetCallbackTarget(window, buffer, size, topDown);
    return mode_ == 1 ? 1 : PreviewLocked();
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
    mode_ = 2;
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
    mode_ = 3;
    model_->SetTransferTimeout(kTriggerTimeoutMs);
    model_->SetTriggerMode(true);
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
    if (!DecodeAndProcess(false)) {
        PostToCallback(callback_.window, 0, kErrTransfer);
        return fail();
    }
    if (buffer != nullptr && size != 0) {
        const int32_t slot = preparedMode_;
        if (!CopyOut(*images_[slot], topDown, buffer, size)) {
            frame.Release();
            if (!keepHandle) model_->CloseSingleFrame();
            host_.RecordError(kErrBuffer);
            return 0;
        }
    }
    frame.Release();
    if (!keepHandle) model_->CloseSingleFrame();
    return 1;
}

int32_t CAcquisition::GetImage(void* buffer, int32_t size, int32_t topDown) {
    platform::MutexLock frame(frameLock_);
    const int32_t mode = settings_.format.colorMode;
    CDibImage* image = (mode >= 0 && mode <= 5) ? images_[mode].get() : nullptr;
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

bool CAcquisition::CopyOut(const CDibImage& source, int32_t topDown, void* destination,
                           int32_t size) {
    const int64_t required = static_cast<int64_t>(source.Stride()) * source.Height();
    if (size < required || destination == nullptr) {
        PostToCallback(callback_.window, 0, kErrBuffer);
        host_.RecordError(kErrBuffer);
        return false;
    }
    auto* out = static_cast<uint8_t*>(destination);
    const size_t stride = static_cast<size_t>(source.Stride());
    if (topDown != 0) {
        std::memcpy(out, source.Bits(), source.SizeBytes());
    } else {
        for (int32_t r = 0; r < source.Height(); ++r)
            std::memcpy(out + r * stride, source.Row(source.Height() - 1 - r), stride);
    }
    return true;
}

void CAcquisition::PostToCallback(platform::WindowId window, uintptr_t wParam, intptr_t lParam) {
    if (window != 0) platform::PostMessage(window, kFrameMessage, wParam, lParam);
}

bool CAcquisition::DecodeAndProcess(bool fromRing) {
    const int32_t mode = preparedMode_;
    CDibImage& raw = *images_[SixteenBitMode(mode) ? kRaw16 : kRaw8];
    // The raw copy writes the model's window into this buffer; it must be exactly that size.
    if (raw.Empty() || raw.Width() != model_->OutputWidth() ||
        raw.Height() != model_->OutputHeight() ||
        (raw.BitsPerPixel() == 16) != (model_->SixteenBit() != 0))
        return false;
    const int32_t result =
        fromRing ? model_->DecodeNewest(raw.Bits()) : model_->DecodeSingleFrame(raw.Bits());
    if (result != 0) return false;
    if (raw.BitsPerPixel() * raw.Width() / 8 != raw.Stride()) {
        raw.Transfer(raw.BitsPerPixel() == 16 ? SpreadRowsMono16 : SpreadRowsMono8, &raw, nullptr,
                     0, 0, nullptr);
    }
    CDibImage* buffers[kImageSlots];
    for (size_t i = 0; i < images_.size(); ++i) buffers[i] = images_[i].get();
    pipeline_.Process(mode, buffers, settings_, *model_, defects_);
    imageAvailable_ = 1;
    return true;
}

void CAcquisition::FillFrameInfo(int32_t frameRate10) {
    const CDibImage& raw = *images_[SixteenBitMode(preparedMode_) ? kRaw16 : kRaw8];
    frameInfo_->size = static_cast<int32_t>(sizeof(FrameInfoRecord));
    frameInfo_->width = raw.Width();
    frameInfo_->height = raw.Height();
    frameInfo_->bitsPerPixel = ColorModeBits(preparedMode_);
    frameInfo_->frameRate10 = frameRate10;
    frameInfo_->buffer = callback_.buffer;
}

void CAcquisition::DrawLocked() {
    CDibImage* buffers[6];
    for (int i = 0; i < 6; ++i) buffers[i] = images_[i].get();
    preview_.Draw(buffers, *images_[kSlotDisplay], preparedMode_);
}

void CAcquisition::WorkerMain() {
    // A stop joins this thread; that join is the design's wait on the worker's done event.
    if (mode_ == 3) TriggerLoop(); else PreviewLoop();
}

void CAcquisition::PreviewLoop() {
    while (run_ != 0) {
        // A stop ends the wait at once, however long the wait time is.
        stopRequested_.Wait(settings_.format.waitTime);
        if (run_ != 1) continue;
        const int32_t wait = model_->WaitFrame();
        if (wait == 1) {
            run_ = 0;
            platform::WindowId window;
            {
                platform::MutexLock frame(frameLock_);
                window = callback_.window;
            }
            PostToCallback(window, 0, kErrNoFrame);
            host_.RecordError(kErrNoFrame);
            break;
        }
        if (wait != 3) continue;
        platform::ReleasableMutexLock frame(frameLock_);
        const CallbackTarget target = callback_;
        if (!DecodeAndProcess(true)) {
            frame.Release();
            PostToCallback(target.window, 0, kErrTransfer);
            host_.RecordError(kErrTransfer);
            continue;
        }
        FillFrameInfo(frameRate_.Count(platform::TickMs()));
        if (frameListener_) frameListener_();
        DrawLocked();
        if (target.buffer != nullptr && target.size != 0 &&
            !CopyOut(*images_[preparedMode_], target.topDown, target.buffer, target.size))
            continue;
        frame.Release();
        PostToCallback(target.window, reinterpret_cast<uintptr_t>(frameInfo_), 0);
    }
}

void CAcquisition::TriggerLoop() {
    while (run_ != 0) {
        if (run_ != 1) {
            platform::SleepMs(10);
            continue;
        }
        const int32_t transfer = model_->TransferSingleFrame();
        if (run_ == 0) break;
        if (transfer != 0) continue;
        platform::MutexLock frame(frameLock_);
        const CallbackTarget target = callback_;
        if (!DecodeAndProcess(false)) continue;
        FillFrameInfo(0);
        if (target.buffer != nullptr && target.size != 0 &&
            !CopyOut(*images_[preparedMode_], target.topDown, target.buffer, target.size))
            continue;
        PostToCallback(target.window, reinterpret_cast<uintptr_t>(frameInfo_), 0);
        DrawLocked();
    }
}

}  // namespace rezive
