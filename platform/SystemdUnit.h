#pragma once

#include <string>

// systemd units on the system bus (DBUS_SYSTEM_BUS_ADDRESS names another bus, as for every
// D-Bus client), standing in for the service control manager.
namespace platform {

// Name with ".service" added when it ends in none of systemd's unit suffixes.
std::string SystemdUnitName(const std::string& name);

// Queue a stop or start of the unit. Raise std::runtime_error with the bus's reason when systemd
// refuses (no such unit, no right to do it, no bus).
void StopSystemdUnit(const std::string& unit);
void StartSystemdUnit(const std::string& unit);

// The unit's ActiveState ("active", "activating", "deactivating", "inactive", "failed", ...);
// raises std::runtime_error when it cannot be read (a unit systemd has not loaded included).
std::string SystemdUnitState(const std::string& unit);

}  // namespace platform
