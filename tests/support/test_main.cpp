#include <gtest/gtest.h>

#include "support/test_env.h"
#include "virtual_camera/virtual_device_file.h"

int main(int argc, char** argv) {
    rezive::test::IsolateProcess();
    // Tests build device-layer objects directly, without the camera object that registers the
    // virtual cameras in the library; they see them from the start all the same.
    rezive::virtual_camera::RegisterBackend();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
