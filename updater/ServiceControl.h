#pragma once

#include <chrono>
#include <string>

// Bounds of the service wait. The defaults are what the updater uses; tests shorten them.
struct TServiceLimits {
    // Between two reads of the unit's state.
    std::chrono::milliseconds Poll{1000};
    // A unit still pending this long after the request fails the operation.
    std::chrono::milliseconds Pending{60000};
};

// The systemd unit named RunName (".service" added when it has no unit suffix), stopped or
// started over the system bus, then watched while it is "deactivating" / "activating". True only
// when it ends "inactive" or "failed" (stop) or "active" (start). Starting a unit that is already
// active fails.
bool StopServiceByName(const std::string& runName, const TServiceLimits& limits = {});
bool StartServiceByName(const std::string& runName, const TServiceLimits& limits = {});
