#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <stdlib.h>

#include "KbWatch.h"
#include "KeySymMap.h"

using kbwatch::EffectiveKeySym;
using kbwatch::KeySymToVirtualKey;

TEST(KeySymMap, GivesTheVirtualKeyCodesTheHotKeysAreNamedBy) {
    EXPECT_EQ(KeySymToVirtualKey(XK_Escape), 0x1B);
    EXPECT_EQ(KeySymToVirtualKey(XK_0), 0x30);
    EXPECT_EQ(KeySymToVirtualKey(XK_a), 0x41);
    EXPECT_EQ(KeySymToVirtualKey(XK_Z), 0x5A);
    EXPECT_EQ(KeySymToVirtualKey(XK_F1), 0x70);
    EXPECT_EQ(KeySymToVirtualKey(XK_F12), 0x7B);
    EXPECT_EQ(KeySymToVirtualKey(XK_KP_3), 0x63);
    EXPECT_EQ(KeySymToVirtualKey(XK_KP_End), 0x23) << "keypad 1 with NumLock off";
    EXPECT_EQ(KeySymToVirtualKey(XK_apostrophe), 0xDE);
    EXPECT_EQ(KeySymToVirtualKey(XK_grave), 0xC0);
    EXPECT_EQ(KeySymToVirtualKey(XK_Control_R), 0x11);
    EXPECT_EQ(KeySymToVirtualKey(XK_ISO_Level3_Shift), 0x12);
    EXPECT_EQ(KeySymToVirtualKey(XK_Up), 0x26);
    EXPECT_EQ(KeySymToVirtualKey(0x1008FF13), 0) << "a media key has no code of its own";
}

TEST(KeySymMap, KeypadDigitsCountOnlyWithNumLock) {
    EXPECT_EQ(EffectiveKeySym(XK_KP_End, XK_KP_1, true), static_cast<uint32_t>(XK_KP_1));
    EXPECT_EQ(EffectiveKeySym(XK_KP_End, XK_KP_1, false), static_cast<uint32_t>(XK_KP_End));
    EXPECT_EQ(EffectiveKeySym(XK_KP_Delete, XK_KP_Decimal, true),
              static_cast<uint32_t>(XK_KP_Decimal));
    EXPECT_EQ(EffectiveKeySym(XK_a, XK_A, true), static_cast<uint32_t>(XK_a));
}

TEST(KbWatch, WithoutAnXServerTheHookDoesNotStart) {
    const char* display = getenv("DISPLAY");
    const std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    EXPECT_EQ(StartKeyHook(1, 0x464), 0);
    StopKeyHook();
    StopKeyHook();
    if (display) {
        setenv("DISPLAY", saved.c_str(), 1);
    }
}
