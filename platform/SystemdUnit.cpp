#include "SystemdUnit.h"

#include <systemd/sd-bus.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace platform {
namespace {

constexpr const char* kService = "org.freedesktop.systemd1";
constexpr const char* kManagerPath = "/org/freedesktop/systemd1";
constexpr const char* kManager = "org.freedesktop.systemd1.Manager";
constexpr const char* kUnit = "org.freedesktop.systemd1.Unit";

struct BusUnref {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

// One call's error, freed with it.
class BusError {
public:
    ~BusError() { sd_bus_error_free(&error_); }
    sd_bus_error* get() { return &error_; }
    [[noreturn]] void Raise(const std::string& what, int code) {
        std::string reason = error_.message ? error_.message : std::string(std::strerror(-code));
        throw std::runtime_error(what + ": " + reason);
    }

private:
    sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

std::unique_ptr<sd_bus, BusUnref> OpenSystemBus() {
    sd_bus* bus = nullptr;
    int rc = sd_bus_open_system(&bus);
    if (rc < 0) {
        throw std::runtime_error(std::string("Cannot reach the system bus: ") + std::strerror(-rc));
    }
    return std::unique_ptr<sd_bus, BusUnref>(bus);
}

void QueueJob(const char* method, const std::string& unit) {
    auto bus = OpenSystemBus();
    BusError error;
    sd_bus_message* reply = nullptr;
    int rc = sd_bus_call_method(bus.get(), kService, kManagerPath, kManager, method, error.get(),
                                &reply, "ss", unit.c_str(), "replace");
    std::unique_ptr<sd_bus_message, MessageUnref> owned(reply);
    if (rc < 0) {
        error.Raise(std::string(method) + " " + unit, rc);
    }
}

}  // namespace

std::string SystemdUnitName(const std::string& name) {
    static constexpr std::array<std::string_view, 11> kSuffixes = {
        ".service", ".socket", ".device", ".mount", ".automount", ".swap",
        ".target",  ".path",   ".timer",  ".slice", ".scope"};
    for (std::string_view suffix : kSuffixes) {
        if (name.size() > suffix.size() && std::string_view(name).ends_with(suffix)) {
            return name;
        }
    }
    return name + ".service";
}

void StopSystemdUnit(const std::string& unit) {
    QueueJob("StopUnit", unit);
}

void StartSystemdUnit(const std::string& unit) {
    QueueJob("StartUnit", unit);
}

std::string SystemdUnitState(const std::string& unit) {
    auto bus = OpenSystemBus();
    BusError error;
    sd_bus_message* reply = nullptr;
    int rc = sd_bus_call_method(bus.get(), kService, kManagerPath, kManager, "GetUnit", error.get(),
                                &reply, "s", unit.c_str());
    std::unique_ptr<sd_bus_message, MessageUnref> owned(reply);
    if (rc < 0) {
        error.Raise("GetUnit " + unit, rc);
    }
    const char* path = nullptr;
    rc = sd_bus_message_read(reply, "o", &path);
    if (rc < 0) {
        throw std::runtime_error("GetUnit " + unit + ": unreadable reply");
    }
    BusError propertyError;
    char* state = nullptr;
    rc = sd_bus_get_property_string(bus.get(), kService, path, kUnit, "ActiveState",
                                    propertyError.get(), &state);
    if (rc < 0) {
        propertyError.Raise("ActiveState of " + unit, rc);
    }
    std::unique_ptr<char, decltype(&std::free)> text(state, &std::free);
    return text.get();
}

}  // namespace platform
