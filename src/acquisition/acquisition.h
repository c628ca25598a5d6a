// CAcquisition: the acquisition modes of one camera (preview, capture, trigger), the worker
// thread that turns the frame stream into processed images, the snapshot path, the copy into
// the caller's buffer, the frame messages and the preview window.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "ReziveSdk.h"
#include "acquisition/acquisition_host.h"
#include "acquisition/defect_list.h"
#include "acquisition/frame_pipeline.h"
#include "acquisition/frame_rate.h"
#include "acquisition/preview_window.h"
#include "imaging/dib_image.h"
#include "platform/event.h"
#include "platform/window_registry.h"
#include "settings/records.h"

namespace rezive {

class CRezive417DIRVUDSdk;

enum class AcquisitionMode : int32_t { kIdle = 0, kPreview = 1, kCapture = 2, kTrigger = 3 };

class CAcquisition {
public:
    static constexpr int32_t kNoFrameTimeoutMs = 6000;
    static constexpr int32_t kTriggerTimeoutMs = 60000;

    CAcquisition(AcquisitionHost& host, CameraSettings settings);
    ~CAcquisition();
    CAcquisition(const CAcquisition&) = delete;
    CAcquisition& operator=(const CAcquisition&) = delete;

    // Creates the nine empty image buffers; false when one cannot be made.
    bool CreateBuffers();
    void SetModel(CRezive417DIRVUDSdk* model) { model_ = model; }

    void SetPreviewGeometry(platform::WindowId parent, const std::array<int32_t, 4>& rect);
    int32_t Preview();
    int32_t CallBackPreview(platform::WindowId window, void* buffer, int32_t size, int32_t topDown);
    int32_t StartPreview();
    int32_t StopPreview();
    int32_t Capture();
    int32_t SnapShot(void* buffer, int32_t size, int32_t topDown);
    int32_t GetImage(void* buffer, int32_t size, int32_t topDown);
    int32_t Trigger(platform::WindowId window, void* buffer, int32_t size, int32_t topDown);
    int32_t Close();

    AcquisitionMode Mode() const { return static_cast<AcquisitionMode>(mode_.load()); }
    bool ImageAvailable() const { return imageAvailable_.load() != 0; }
    DefectList& Defects() { return defects_; }

    // For the recorder and the still-image writer: the frame lock that guards the buffers, the
    // buffer of a colour mode, and a flag the worker raises after each processed frame.
    std::mutex& FrameLock() { return frameLock_; }
    CDibImage* Image(int slot) const { return images_[static_cast<size_t>(slot)].get(); }
    // Called by the worker, under the frame lock, after each processed preview frame. Set once,
    // before acquisition starts.
    void SetFrameListener(std::function<void()> listener) { frameListener_ = std::move(listener); }
    // Opens the preview window (for a recording asked to show one); false records nothing.
    bool OpenPreviewWindow();
    bool PreviewWindowWanted() const { return preview_.Wanted(); }
    void ClearCallbackTarget();

    // Tests and tools: the preview window, the frame record, the prepared colour mode.
    platform::WindowId PreviewWindowId() const { return preview_.Window(); }
    const std::string& PreviewClassName() const { return preview_.ClassName(); }
    const RzFrameInfo& FrameInfo() const { return frameInfo_; }
    int32_t PreparedColorMode() const { return preparedMode_.load(); }

private:
    bool Prepare();
    int32_t StartPreviewLocked();
    int32_t StopPreviewLocked();
    int32_t CloseLocked();
    int32_t PreviewLocked();
    bool StartWorker();
    void WorkerMain();
    void PreviewLoop();
    void TriggerLoop();
    // Decodes the received frame into the raw buffer (ring or single-frame) and processes it;
    // false when the decode failed.
    bool DecodeAndProcess(bool fromRing);
    void FillFrameInfo(int32_t frameRate10);
    bool CopyOut(const CDibImage& source, int32_t topDown, void* destination, int32_t size);
    void PostToCallback(platform::WindowId window, uintptr_t wParam, intptr_t lParam);
    void SetCallbackTarget(platform::WindowId window, void* buffer, int32_t size, int32_t topDown);
    void DrawLocked();

    AcquisitionHost& host_;
    CameraSettings settings_;
    CRezive417DIRVUDSdk* model_ = nullptr;
    std::array<std::unique_ptr<CDibImage>, 9> images_;
    FramePipeline pipeline_;
    DefectList defects_;
    PreviewWindow preview_;

    // Entry points that start or stop acquisition are serialised, so Rezive_Close,
    // Rezive_StopPreview and Rezive_Release may race safely.
    std::recursive_mutex control_;
    std::mutex frameLock_;

    std::atomic<int32_t> mode_{0};
    std::atomic<int32_t> run_{0};  // 0 stop, 1 run, 2 pause
    std::atomic<int32_t> preparedMode_{-1};
    std::atomic<int32_t> imageAvailable_{0};
    std::thread worker_;
    std::unique_ptr<platform::Event> done_;
    std::function<void()> frameListener_;

    // Callback target: written under the frame lock, read by the worker under it.
    struct CallbackTarget {
        platform::WindowId window = 0;
        void* buffer = nullptr;
        int32_t size = 0;
        int32_t topDown = 0;
    };
    CallbackTarget callback_;

    RzFrameInfo frameInfo_{static_cast<int32_t>(sizeof(RzFrameInfo)), 0, 0, 0, 0, nullptr};
    FrameRateMeter frameRate_;
};

}  // namespace rezive
