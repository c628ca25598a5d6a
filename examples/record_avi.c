/* record_avi.c - records the live preview into an uncompressed AVI file.
 *
 * Rezive_Record starts a preview and records it for the given time, counted from the first
 * frame; it finishes the file by itself, and Rezive_StopPreview finishes it early.
 * Usage: record_avi [file.avi] [milliseconds]   (default record.avi, 2000) */
#define _POSIX_C_SOURCE 200809L
#include <ReziveSdk.h>

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
    const char* fileName = argc > 1 ? argv[1] : "record.avi";
    const int32_t milliseconds = argc > 2 ? atoi(argv[2]) : 2000;
    RzWindow window = RzCreateMessageWindow();
    RzHandle camera = Rezive_Initialize(window);
    RzMessage message;
    long frames = 0;
    double first = 0.0;

    if (camera == 0 || window == 0) return 1;
    if (!Rezive_Record(camera, fileName, milliseconds, 0)) {
        fprintf(stderr, "recording failed: error %d\n", (int)Rezive_GetLastError(camera));
        Rezive_Release(camera);
        RzDestroyWindow(window);
        return 1;
    }
    /* The preview runs now; a callback target brings its frame messages here. */
    Rezive_CallBackPreview(camera, window, NULL, 0, 1);
    /* Wait for the recording time plus a little, so that the recorder finishes the file. */
    while (frames == 0 || Now() - first < milliseconds / 1000.0 + 0.5) {
        if (RzWaitMessage(window, &message, 7000) != 1) break; /* no frames at all */
        if (message.message == RZ_WM_FRAME && message.lParam == RZ_FRAME_OK && frames++ == 0)
            first = Now();
        if (message.message == RZ_WM_ERROR) {
            fprintf(stderr, "error %d while recording\n", (int)message.lParam);
            break;
        }
    }
    Rezive_StopPreview(camera);
    printf("recorded %s while %ld frames were shown\n", fileName, frames);
    Rezive_Release(camera);
    RzDestroyWindow(window);
    return frames > 0 ? 0 : 1;
}
