#include <gtest/gtest.h>

#include "TestHome.h"

// For the binaries that drive programs from outside and need no application object of their own.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TestHome home;
    return RUN_ALL_TESTS();
}
