#include <gtest/gtest.h>

#include "Application.h"
#include "TestHome.h"

// One application object for the whole binary, on the offscreen platform unless told otherwise,
// and one home for the programs its tests start.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TestHome home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    platform::Application app(argc, argv);
    return RUN_ALL_TESTS();
}
