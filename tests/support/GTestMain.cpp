#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/TestSupport.h"

int main(int argc, char **argv) {
    ombra::ui::test::TestEnvironment env(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
