#include "ServiceControl.h"

#include "Process.h"
#include "SystemdUnit.h"

namespace {

// Pauses, then reads the unit's state for as long as it stays Pending, up to the bound; whether
// it ended in one of the Wanted states. A state that cannot be read ends the wait unmet.
template <size_t N>
bool WaitWhile(const std::string& unit, const char* pending, const char* const (&wanted)[N],
               const TServiceLimits& limits) {
    const auto asked = std::chrono::steady_clock::now();
    for (;;) {
        platform::SleepWithMessages(static_cast<int>(limits.Poll.count()));
        std::string state;
        try {
            state = platform::SystemdUnitState(unit);
        } catch (const std::exception&) {
            return false;
        }
        if (state != pending) {
            for (const char* end : wanted) {
                if (state == end) {
                    return true;
                }
            }
            return false;
        }
        if (std::chrono::steady_clock::now() - asked >= limits.Pending) {
            return false;
        }
    }
}

}  // namespace

bool StopServiceByName(const std::string& runName, const TServiceLimits& limits) {
    const std::string unit = platform::SystemdUnitName(runName);
    try {
        platform::StopSystemdUnit(unit);
    } catch (const std::exception&) {
        return false;
    }
    static const char* const kStopped[] = {"inactive", "failed"};
    return WaitWhile(unit, "deactivating", kStopped, limits);
}

bool StartServiceByName(const std::string& runName, const TServiceLimits& limits) {
    const std::string unit = platform::SystemdUnitName(runName);
    try {
        // The service control manager refuses to start a service that runs; systemd would
        // accept the request and do nothing.
        std::string state;
        try {
            state = platform::SystemdUnitState(unit);
        } catch (const std::exception&) {
            // Not loaded yet: systemd loads it for the start.
        }
        if (state == "active") {
            return false;
        }
        platform::StartSystemdUnit(unit);
    } catch (const std::exception&) {
        return false;
    }
    static const char* const kRunning[] = {"active"};
    return WaitWhile(unit, "activating", kRunning, limits);
}
