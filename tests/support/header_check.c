/* Compiled as C90 and C11: the public header must stay plain C. */
#include <ReziveSdk.h>

int rezive_header_check_c(void);
int rezive_header_check_c(void) {
    RzFrameInfo info;
    RzCameraInfo camera;
    info.size = (int32_t)sizeof(info);
    camera.size = (int32_t)sizeof(camera);
    return info.size + camera.size;
}
