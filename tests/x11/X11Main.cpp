#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "Application.h"
#include "X11Session.h"

namespace {
std::unique_ptr<XServer> server;
}

const XServer& Session() {
    return *server;
}

// The whole binary runs on a private X server, with the window manager when VELPAY_TEST_WM=1,
// and its application object on the xcb platform (or the one VELPAY_TEST_QPA names: with
// "offscreen", code that reaches other programs' windows must open its own connection).
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const char* wm = std::getenv("VELPAY_TEST_WM");
    const bool withWindowManager = wm && std::string(wm) == "1";
    if (withWindowManager && !XServer::WindowManagerInstalled()) {
        std::printf("openbox is not installed: nothing to test with a window manager\n");
        return 0;
    }
    server = std::make_unique<XServer>(withWindowManager);
    setenv("DISPLAY", server->Display().c_str(), 1);
    const char* platform = std::getenv("VELPAY_TEST_QPA");
    setenv("QT_QPA_PLATFORM", platform && *platform ? platform : "xcb", 1);
    int rc = 0;
    {
        platform::Application app(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    server.reset();
    return rc;
}
