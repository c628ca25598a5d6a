#include "acquisition/preview_window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imaging/conversions.h"
#include "platform/clock.h"

namespace rezive {
namespace {

// Copies a bottom-up bitmap view onto the top-down window: window row y shows source memory
// row y when flip is set (the direct path), else source memory row H-1-y (a plain device copy
// of a bottom-up buffer).
void CopyToClient(const CDibImage& source, bool flip, uint8_t* pixels, int32_t width,
                  int32_t height, int32_t stride) {
    const int32_t w = std::min(width, source.Width()), h = std::min(height, source.Height());
    const int32_t bpp = source.BytesPerPixel();
    const auto& palette = source.Info().colors;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* src = source.Row(flip ? y : source.Height() - 1 - y);
        uint8_t* dst = pixels + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < w; ++x, dst += 4) {
            if (bpp == 1) {
                const PaletteEntry& e = palette[src[x]];
                dst[0] = e.blue;
                dst[1] = e.green;
                dst[2] = e.red;
            } else {
                const uint8_t* p = src + static_cast<size_t>(x) * bpp;
                dst[0] = p[0];
                dst[1] = p[1];
                dst[2] = p[2];
            }
            dst[3] = 0;
        }
    }
}

}  // namespace

void PreviewWindow::SetGeometry(platform::WindowId parent, const std::array<int32_t, 4>& rect) {
    parent_ = parent;
    rect_ = rect;
}

bool PreviewWindow::Wanted() const {
    return parent_ != 0 || rect_[0] != 0 || rect_[1] != 0 || rect_[2] != 0 || rect_[3] != 0;
}

bool PreviewWindow::Create(int32_t captureWidth, int32_t captureHeight, const void* owner) {
    Close();
    char name[64];
    std::snprintf(name, sizeof name, "VideoRenderer_%08x_%08x",
                  static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner)),
                  platform::TickMs() + static_cast<uint32_t>(std::rand()));
    if (!platform::RegisterWindowClass(name)) return false;
    className_ = name;

    platform::WindowInfo info;
    info.className = className_;
    if (parent_ != 0) {
        info.title = kChildTitle;
        info.parent = parent_;
        info.style = platform::kStyleChild;
        info.childId = kChildId;
        info.x = rect_[0];
        info.y = rect_[1];
        info.width = rect_[2];
        info.height = rect_[3];
    } else {
        if (!Wanted()) return false;
        // Sized from the capture window, which may still be an invalid one the application
        // stored: refuse what no window can be before any arithmetic on it.
        if (captureWidth <= 0 || captureHeight <= 0 || captureWidth > platform::kMaxClientSide ||
            captureHeight > platform::kMaxClientSide)
            return false;
        info.title = kTopLevelTitle;
        info.style = platform::kStyleTopLevel;
        info.width = captureWidth;
        info.height = captureHeight;
        const platform::ScreenSize screen = platform::GetScreenSize();
        info.x = std::max(0, (screen.width - info.width) / 2);
        info.y = std::max(0, (screen.height - info.height) / 2);
    }
    window_ = platform::CreatePreviewWindow(info);
    return window_.load() != 0;
}

bool PreviewWindow::ClientSize(int32_t* width, int32_t* height) const {
    platform::WindowInfo info;
    const platform::WindowId window = window_.load();
    if (window == 0 || !platform::GetWindowInfo(window, &info) || !info.visible) return false;
    if (info.width <= 0 || info.height <= 0) return false;
    *width = info.width;
    *height = info.height;
    return true;
}

void PreviewWindow::Draw(CDibImage* const* frameBuffers, CDibImage& display, int32_t colorMode) {
    const platform::WindowId window = window_.load();
    if (window == 0 || colorMode < 0 || colorMode > 5) return;
    CDibImage* source = nullptr;
    switch (colorMode) {
        case 0: source = frameBuffers[0]; break;
        case 1:
            source = frameBuffers[0];
            source->Transfer(Mono12To8, frameBuffers[1], nullptr, 0, 0, nullptr);
            break;
        case 2: source = frameBuffers[2]; break;
        case 3:
            source = frameBuffers[2];
            source->Transfer(Bgr32ToBgr24, frameBuffers[3], nullptr, 0, 0, nullptr);
            break;
        default:
            source = frameBuffers[2];
            source->Transfer(Color12To8, frameBuffers[colorMode], nullptr, 0, 0, nullptr);
            break;
    }
    if (source == nullptr || source->Empty()) return;
    int32_t cw = 0, ch = 0;
    if (!ClientSize(&cw, &ch)) return;

    if (cw == source->Width() && ch == source->Height() && colorMode != 1) {
        platform::DrawToClient(window, [&](uint8_t* pixels, int32_t w, int32_t h, int32_t stride) {
            CopyToClient(*source, true, pixels, w, h, stride);
        });
        return;
    }
    const uint16_t displayBits = colorMode <= 1 ? 8 : 24;
    if (display.Width() != cw || display.Height() != ch || display.BitsPerPixel() != displayBits) {
        if (display.Create(cw, ch, displayBits) != 1) return;
    }
    display.TransferScaled(colorMode <= 1 ? ScaleNearestMono8 : ScaleNearestBgr24, source, nullptr,
                           nullptr, nullptr);
    platform::DrawToClient(window, [&](uint8_t* pixels, int32_t w, int32_t h, int32_t stride) {
        CopyToClient(display, false, pixels, w, h, stride);
    });
}

void PreviewWindow::Close() {
    if (const platform::WindowId window = window_.exchange(0)) platform::DestroyWindow(window);
    if (!className_.empty()) platform::UnregisterWindowClass(className_);
    className_.clear();
}

}  // namespace rezive
