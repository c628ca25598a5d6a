// The preview window: a child of an application window, or a top-level window sized to the
// capture and centred on the screen, into which the worker draws every processed frame.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "device/protocol.h"
#include "imaging/dib_image.h"
#include "platform/window_system.h"

namespace rezive {

class PreviewWindow {
public:
    static constexpr const char* kChildTitle = "ActiveMovie Window";
    static constexpr const char* kTopLevelTitle = "Active Window";
    static constexpr int32_t kChildId = 6540;

    PreviewWindow() = default;
    ~PreviewWindow() { Close(); }
    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;

    // Geometry stored by Rezive_SetPreviewWindow; for a child the last two values are its size.
    void SetGeometry(platform::WindowId parent, const std::array<int32_t, 4>& rect);
    const std::array<int32_t, 4>& Rect() const { return rect_; }
    platform::WindowId Parent() const { return parent_; }
    // A window is wanted when a parent or any rectangle value is set.
    bool Wanted() const;

    // Registers a fresh class and creates the window; false (nothing left behind but the
    // class, which Close unregisters) when that fails or no window is wanted.
    bool Create(int32_t captureWidth, int32_t captureHeight, const void* owner);
    platform::WindowId Window() const { return window_.load(); }
    // Client size of a visible window with a non-empty client area; false otherwise.
    bool ClientSize(int32_t* width, int32_t* height) const;

    // Draws the output image of colorMode (0..5): buffers holds the six frame buffers, the
    // display buffer is resized to the client area when scaling is needed. A vanished window
    // simply makes drawing do nothing.
    void Draw(CDibImage* const* frameBuffers, CDibImage& display, int32_t colorMode);

    // Destroys the window and unregisters its class.
    void Close();
    const std::string& ClassName() const { return className_; }

private:
    platform::WindowId parent_ = 0;
    std::array<int32_t, 4> rect_{0, 0, device::kSensorWidth, device::kSensorHeight};
    // Read by the worker while it draws; Rezive_Close may destroy the window meanwhile.
    std::atomic<platform::WindowId> window_{0};
    std::string className_;
};

}  // namespace rezive
