/* callback_preview.c - live preview with a message handler that counts the delivered frames.
 *
 * The library posts RZ_WM_FRAME to the callback window after each processed frame, with the
 * address of an RzFrameInfo record; the handler runs on the window's own dispatcher thread.
 * Usage: callback_preview [seconds]   (default 2) */
#define _POSIX_C_SOURCE 200809L
#include <ReziveSdk.h>

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

struct Counter {
    volatile long frames;
    volatile long failures;
    RzFrameInfo last;
};

static void OnMessage(RzWindow window, const RzMessage* message, void* user) {
    struct Counter* counter = (struct Counter*)user;
    (void)window;
    if (message->message != RZ_WM_FRAME) return;
    if (message->lParam != RZ_FRAME_OK) { /* a failed transfer, or no frames any more */
        counter->failures++;
        return;
    }
    counter->last = *(const RzFrameInfo*)message->wParam;
    counter->frames++;
}

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? atoi(argv[1]) : 2;
    struct Counter counter = {0, 0, {0, 0, 0, 0, 0, NULL}};
    RzWindow window = RzCreateMessageWindow();
    RzHandle camera = Rezive_Initialize(window);
    struct timespec pause = {0, 100 * 1000 * 1000};
    int tenths;

    if (camera == 0 || window == 0) return 1;
    RzSetMessageHandler(window, OnMessage, &counter);
    Rezive_SetColorMode(camera, RZ_BITS_BGR24);
    Rezive_SetPreviewWindow(camera, 0, 0, 0, 0, 0); /* no on-screen window */
    /* No buffer: the frames are only counted. Give a buffer of Width x Height x 3 (rows padded
     * to 4 bytes) to receive the pixels as well. */
    if (!Rezive_CallBackPreview(camera, window, NULL, 0, 1)) {
        fprintf(stderr, "preview failed: error %d\n", (int)Rezive_GetLastError(camera));
        Rezive_Release(camera);
        RzDestroyWindow(window);
        return 1;
    }
    for (tenths = 0; tenths < seconds * 10; ++tenths) nanosleep(&pause, NULL);
    Rezive_StopPreview(camera);
    /* The handler is removed before reading the counts so that no message is still running. */
    RzSetMessageHandler(window, NULL, NULL);

    printf("%ld frames in %d s (%d x %d, %d bits, camera rate %.1f fps), %ld failed\n",
           counter.frames, seconds, (int)counter.last.width, (int)counter.last.height,
           (int)counter.last.bitsPerPixel, counter.last.frameRate10 / 10.0, counter.failures);
    Rezive_Release(camera);
    RzDestroyWindow(window);
    return counter.frames > 0 ? 0 : 1;
}
