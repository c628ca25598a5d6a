/* Compiled as C90 and C11: the public header must stay plain C. */
#include <ReziveSdk.h>

/* The SDK version is a preprocessor number, so that programs can test it in #if. */
#if !defined(RZ_SDK_VERSION) || RZ_SDK_VERSION < RZ_MAKE_SDK_VERSION(1, 1, 0)
#error "RZ_SDK_VERSION must be usable in #if, and at least 1.1.0"
#endif
#if RZ_SDK_VERSION != RZ_MAKE_SDK_VERSION(RZ_SDK_VERSION_MAJOR, RZ_SDK_VERSION_MINOR, \
                                          RZ_SDK_VERSION_PATCH)
#error "RZ_SDK_VERSION must pack its three parts"
#endif

int rezive_header_check_c(void);
int rezive_header_check_c(void) {
    RzFrameInfo info;
    RzCameraInfo camera;
    /* The constant macros must be C90 constant expressions. */
    static const int32_t constants[] = {RZ_DLL_VERSION, RZ_BITS_BGRX64, RZ_COLOR_MODE_BGRX64,
                                        RZ_FILTER_GRAY_GAIN_AUTO, RZ_FRAME_STREAM_ENDED,
                                        RZ_FILE_TIFF, RZ_SDK_VERSION};
    info.size = (int32_t)sizeof(info);
    camera.size = (int32_t)sizeof(camera);
    return info.size + camera.size + (int)(sizeof constants / sizeof constants[0]);
}
