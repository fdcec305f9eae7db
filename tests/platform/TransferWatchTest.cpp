#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "CurlSetup.h"

namespace {

constexpr std::chrono::milliseconds kPassed{1};

// One bound, long passed when the transfer is looked at again, with the body at some count of
// its expected length (0: the length is not known).
struct WatchCase {
    const char* name;
    platform::TransferBounds bounds;
    curl_off_t expected;
    curl_off_t received;
    bool expired;
};

class TransferWatchTest : public ::testing::TestWithParam<WatchCase> {};

TEST_P(TransferWatchTest, ABodyArrivedWholePassesEveryBoundButSilence) {
    const WatchCase& c = GetParam();
    platform::TransferWatch watch(c.bounds);
    watch.Expired(c.expected, c.received, 0);
    std::this_thread::sleep_for(20 * kPassed);
    EXPECT_EQ(watch.Expired(c.expected, c.received, 0), c.expired) << watch.Reason();
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, TransferWatchTest,
    ::testing::Values(
        WatchCase{"WholeRequestBodyWhole", {.Whole = kPassed}, 100, 100, false},
        WatchCase{"WholeRequestByteMissing", {.Whole = kPassed}, 100, 99, true},
        WatchCase{"WholeRequestLengthUnknown", {.Whole = kPassed}, 0, 100, true},
        // What is awaited after a whole body (an FTP server's end of the data connection).
        WatchCase{"SilenceBodyWhole", {.Silence = kPassed}, 100, 100, true},
        WatchCase{"SilenceByteMissing", {.Silence = kPassed}, 100, 99, true},
        WatchCase{"FloorBodyWhole", {.FloorBytes = 1000, .FloorWindow = kPassed}, 100, 100, false},
        WatchCase{"FloorByteMissing", {.FloorBytes = 1000, .FloorWindow = kPassed}, 100, 99, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
