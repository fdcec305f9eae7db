#pragma once

#include <memory>
#include <string>
#include <vector>

typedef struct _AtspiAccessible AtspiAccessible;

// The windows of other programs, as the desktop's accessibility tree (AT-SPI) shows them: what
// GetWindow, GetClassNameA and WM_GETTEXT gave on Windows.
namespace platform {

// One window or control of any program; an empty handle stands for "no window". Every read
// asks the program that owns it, so it waits on that program.
class AccessibleWindow {
public:
    AccessibleWindow() = default;

    explicit operator bool() const { return object_ != nullptr; }

    // The accessible name: a top-level window's title, a control's label.
    std::string Title() const;
    // The process that shows the object; 0 when unknown.
    int ProcessId() const;
    // The role name ("text", "label", "push button", ...): what stands for a window class.
    std::string ClassName() const;
    // The control's text when it has one (an edit, most labels), else its name.
    std::string Text() const;

    AccessibleWindow FirstChild() const;
    AccessibleWindow NextSibling() const;

private:
    using Object = std::shared_ptr<AtspiAccessible>;
    AccessibleWindow(Object object, Object parent, int index);
    AccessibleWindow ChildAt(int index) const;

    Object object_;
    Object parent_;
    int index_ = 0;

    friend std::vector<AccessibleWindow> TopLevelWindows();
};

// The top-level windows of every other program on the desktop (this process's own are left
// out): program by program in the desktop's order, each program's windows in its own order.
// Empty when no accessibility bus runs.
std::vector<AccessibleWindow> TopLevelWindows();

}  // namespace platform
