#include <gtest/gtest.h>

#include "support/test_env.h"

int main(int argc, char** argv) {
    rezive::test::IsolateProcess();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
