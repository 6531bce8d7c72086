#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/CoreTestSupport.h"

int main(int argc, char **argv) {
    ombra::core::test::CoreTestEnvironment env(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
