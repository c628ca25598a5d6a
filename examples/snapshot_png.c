/* snapshot_png.c - one frame from the camera, saved as a PNG file and read into memory.
 * Usage: snapshot_png [file.png]   (default snapshot.png) */
#include <ReziveSdk.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    const char* fileName = argc > 1 ? argv[1] : "snapshot.png";
    RzHandle camera = Rezive_Initialize(0);
    int32_t width, height, stride, size;
    unsigned char* pixels;
    long sum = 0;
    int32_t x;

    if (camera == 0) return 1;
    Rezive_SetColorMode(camera, RZ_BITS_BGR24); /* blue, green, red bytes */
    width = Rezive_Width(camera);
    height = Rezive_Height(camera);
    stride = (width * 3 + 3) & ~3; /* rows are padded to 4 bytes */
    size = stride * height;
    pixels = (unsigned char*)malloc((size_t)size);
    if (pixels == NULL) return 1;

    /* One frame, top row first (row-order flag 1), then the same image to a file. */
    if (!Rezive_SnapShot(camera, pixels, size, 1) ||
        !Rezive_SaveImage(camera, fileName, RZ_FILE_PNG)) {
        fprintf(stderr, "snapshot failed: error %d\n", (int)Rezive_GetLastError(camera));
        free(pixels);
        Rezive_Release(camera);
        return 1;
    }
    for (x = 0; x < width * 3; ++x) sum += pixels[x];
    printf("saved %s: %d x %d, mean of the top row %.1f\n", fileName, (int)width, (int)height,
           (double)sum / (width * 3));
    free(pixels);
    Rezive_Release(camera); /* also saves the camera's settings for the next run */
    return 0;
}
