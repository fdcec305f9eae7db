#include "Accessibility.h"

#include <atspi/atspi.h>
#include <unistd.h>

namespace platform {
namespace {

struct ErrorSlot {
    GError* error = nullptr;
    ~ErrorSlot() {
        if (error) {
            g_error_free(error);
        }
    }
    operator GError**() { return &error; }
};

std::string TakeText(gchar* text) {
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

std::shared_ptr<AtspiAccessible> Own(AtspiAccessible* object) {
    if (!object) {
        return nullptr;
    }
    return std::shared_ptr<AtspiAccessible>(object, [](AtspiAccessible* o) { g_object_unref(o); });
}

// libatspi ends the process when its first use finds no accessibility bus, so look for the bus
// first. Until one is found every call looks again: a desktop may start it after the till.
bool AccessibilityReady() {
    static bool ready = false;
    if (!ready && atspi_get_a11y_bus() != nullptr) {
        atspi_init();
        ready = true;
    }
    return ready;
}

}  // namespace

AccessibleWindow::AccessibleWindow(Object object, Object parent, int index)
    : object_(std::move(object)), parent_(std::move(parent)), index_(index) {}

std::string AccessibleWindow::Title() const {
    if (!object_) {
        return {};
    }
    ErrorSlot error;
    return TakeText(atspi_accessible_get_name(object_.get(), error));
}

int AccessibleWindow::ProcessId() const {
    if (!object_) {
        return 0;
    }
    ErrorSlot error;
    return static_cast<int>(atspi_accessible_get_process_id(object_.get(), error));
}

std::string AccessibleWindow::ClassName() const {
    if (!object_) {
        return {};
    }
    ErrorSlot error;
    return TakeText(atspi_accessible_get_role_name(object_.get(), error));
}

std::string AccessibleWindow::Text() const {
    if (!object_) {
        return {};
    }
    AtspiText* text = atspi_accessible_get_text_iface(object_.get());
    if (!text) {
        return Title();
    }
    ErrorSlot countError;
    gint length = atspi_text_get_character_count(text, countError);
    ErrorSlot textError;
    std::string result = TakeText(atspi_text_get_text(text, 0, length, textError));
    g_object_unref(text);
    return result;
}

AccessibleWindow AccessibleWindow::ChildAt(int index) const {
    if (!object_) {
        return {};
    }
    // Asking past the last child is not safe with every libatspi; the count is.
    ErrorSlot countError;
    if (index >= atspi_accessible_get_child_count(object_.get(), countError)) {
        return {};
    }
    ErrorSlot error;
    return {Own(atspi_accessible_get_child_at_index(object_.get(), index, error)), object_, index};
}

AccessibleWindow AccessibleWindow::FirstChild() const {
    return ChildAt(0);
}

AccessibleWindow AccessibleWindow::NextSibling() const {
    if (!parent_) {
        return {};
    }
    return AccessibleWindow(parent_, nullptr, 0).ChildAt(index_ + 1);
}

std::vector<AccessibleWindow> TopLevelWindows() {
    std::vector<AccessibleWindow> windows;
    if (!AccessibilityReady()) {
        return windows;
    }
    AccessibleWindow desktop(Own(atspi_get_desktop(0)), nullptr, 0);
    for (AccessibleWindow program = desktop.FirstChild(); program;
         program = program.NextSibling()) {
        // Asking our own windows over the bus would wait on ourselves: the answer can only
        // come from this thread, which is blocked in the question, until libatspi gives up.
        if (program.ProcessId() == getpid()) {
            continue;
        }
        for (AccessibleWindow window = program.FirstChild(); window;
             window = window.NextSibling()) {
            windows.push_back(window);
        }
    }
    return windows;
}

}  // namespace platform
