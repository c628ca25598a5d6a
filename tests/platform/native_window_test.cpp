// Native windows and resizing in the window system, without a display.
#include <gtest/gtest.h>

#include <ReziveSdk.h>

#include "platform/window_system.h"

namespace rezive::platform {
namespace {

WindowId PreviewOf(int32_t width, int32_t height) {
    static int n = 0;
    const std::string cls = "NativeWindowTest_" + std::to_string(++n);
    RegisterWindowClass(cls);
    WindowInfo info;
    info.className = cls;
    info.width = width;
    info.height = height;
    return CreatePreviewWindow(info);
}

TEST(NativeWindow, AWrapperIsAMessageWindowThatKnowsItsNativeId) {
    EXPECT_EQ(RzWrapNativeWindow(0), 0u);
    const RzWindow w = RzWrapNativeWindow(0x3a00007);
    ASSERT_NE(w, 0u);
    uint64_t id = 0;
    EXPECT_EQ(RzGetNativeWindow(w, &id), 1);
    EXPECT_EQ(id, 0x3a00007u);
    EXPECT_EQ(RzGetNativeWindow(w, nullptr), 0);
    ASSERT_EQ(RzPostMessage(w, 0x8001, 1, 2), 1) << "usable as an application window";
    RzMessage m;
    EXPECT_EQ(RzWaitMessage(w, &m, 1000), 1);
    EXPECT_EQ(m.message, 0x8001u);
    // A preview window may have it as parent.
    static const char* kClass = "NativeWindowTest_child";
    RegisterWindowClass(kClass);
    WindowInfo info;
    info.className = kClass;
    info.parent = w;
    info.width = 64;
    info.height = 48;
    const WindowId child = CreatePreviewWindow(info);
    EXPECT_NE(child, 0u);
    DestroyWindow(child);
    EXPECT_EQ(RzDestroyWindow(w), 1);
    EXPECT_EQ(RzGetNativeWindow(w, &id), 0);
}

TEST(NativeWindow, WithoutADisplayNoWindowHasANativeOne) {
    const RzWindow message = RzCreateMessageWindow();
    const WindowId preview = PreviewOf(32, 32);
    uint64_t id = 7;
    EXPECT_EQ(RzGetNativeWindow(message, &id), 0);
    EXPECT_EQ(RzGetNativeWindow(preview, &id), 0);
    EXPECT_EQ(RzGetNativeWindow(0xdeadbeef, &id), 0);
    EXPECT_EQ(id, 7u) << "untouched on failure";
    RzDestroyWindow(message);
    DestroyWindow(preview);
}

TEST(ResizeClient, TheSurfaceTakesTheNewSizeWithinTheLimits) {
    struct Case {
        int32_t width, height;
        bool ok;
    };
    const Case cases[] = {{200, 100, true},  {1, 1, true},  {kMaxClientSide, 1, true},
                          {0, 100, false},   {100, -1, false}, {kMaxClientSide + 1, 10, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const WindowId w = PreviewOf(64, 48);
        EXPECT_EQ(ResizeClient(w, c.width, c.height), c.ok);
        WindowInfo info;
        ASSERT_TRUE(GetWindowInfo(w, &info));
        ClientSurface s;
        ASSERT_TRUE(ReadClientSurface(w, &s));
        const int32_t width = c.ok ? c.width : 64, height = c.ok ? c.height : 48;
        EXPECT_EQ(info.width, width);
        EXPECT_EQ(info.height, height);
        EXPECT_EQ(s.width, width);
        EXPECT_EQ(s.stride, width * 4);
        EXPECT_EQ(s.pixels.size(), static_cast<size_t>(width) * height * 4);
        DestroyWindow(w);
    }
    const WindowId message = CreateMessageWindow();
    EXPECT_FALSE(ResizeClient(message, 10, 10)) << "not a preview window";
    DestroyWindow(message);
    EXPECT_FALSE(ResizeClient(0xdeadbeef, 10, 10));
}

}  // namespace
}  // namespace rezive::platform
