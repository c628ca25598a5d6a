/* triggered_capture.c - frames on the camera's software trigger, copied into a buffer.
 *
 * Rezive_Trigger starts the trigger loop: each RzSoftwareTrigger pulse brings one frame, which
 * the library copies into the buffer before it posts RZ_WM_FRAME to the window.
 * Usage: triggered_capture [frames]   (default 3) */
#include <ReziveSdk.h>

#include <stdio.h>
#include <stdlib.h>

static int WaitForFrame(RzWindow window) {
    RzMessage message;
    while (RzWaitMessage(window, &message, 1000) == 1) {
        if (message.message == RZ_WM_FRAME && message.lParam == RZ_FRAME_OK) return 1;
    }
    return 0; /* nothing within a second */
}

int main(int argc, char** argv) {
    const int wanted = argc > 1 ? atoi(argv[1]) : 3;
    RzWindow window = RzCreateMessageWindow();
    RzHandle camera = Rezive_Initialize(window);
    int32_t size;
    unsigned char* pixels;
    int got = 0, pulses = 0;

    if (camera == 0 || window == 0) return 1;
    Rezive_SetColorMode(camera, RZ_BITS_GRAY8); /* one gray byte per pixel */
    size = ((Rezive_Width(camera) + 3) & ~3) * Rezive_Height(camera);
    pixels = (unsigned char*)calloc((size_t)size, 1);
    if (pixels == NULL) return 1;
    Rezive_SetPreviewWindow(camera, 0, 0, 0, 0, 0); /* no on-screen window */
    if (!Rezive_Trigger(camera, window, pixels, size, 1)) {
        fprintf(stderr, "trigger mode failed: error %d\n", (int)Rezive_GetLastError(camera));
        free(pixels);
        Rezive_Release(camera);
        RzDestroyWindow(window);
        return 1;
    }
    /* A pulse fired before the camera waits for it is lost: pulse again after a quiet second. */
    while (got < wanted && pulses < wanted * 10) {
        RzSoftwareTrigger(camera);
        ++pulses;
        if (WaitForFrame(window)) {
            ++got;
            printf("frame %d: first pixel %d, centre pixel %d\n", got, pixels[0],
                   pixels[size / 2]);
        }
    }
    Rezive_StopPreview(camera);
    printf("%d of %d frames after %d pulses\n", got, wanted, pulses);
    free(pixels);
    Rezive_Release(camera);
    RzDestroyWindow(window);
    return got == wanted ? 0 : 1;
}
