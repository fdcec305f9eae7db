#include "QzExternalAmount.h"

#include <algorithm>

#include "CompareText.h"
#include "TextCodec.h"

namespace {

// A title took part only as far as a 255-byte code page 936 buffer held it.
constexpr size_t kTitleBytes = 254;
// Class names came through a 256-byte buffer.
constexpr size_t kClassNameBytes = 255;

// The title's code page 936 bytes, cut where the old buffer ended but never inside a character.
std::string TitleBytes(const std::string& title) {
    std::string bytes = platform::Utf8ToGbk(title);
    size_t end = 0;
    while (end < bytes.size()) {
        size_t width = static_cast<unsigned char>(bytes[end]) >= 0x81 ? 2 : 1;
        if (end + width > kTitleBytes) {
            break;
        }
        end += width;
    }
    return bytes.substr(0, std::min(end, bytes.size()));
}

// Blanks and control characters go at both ends.
std::string Trim(const std::string& text) {
    auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    auto first = std::find_if_not(text.begin(), text.end(), isBlank);
    auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

// The control's text without blanks at either end; an empty control shows the amount 0.
std::string AmountText(const platform::AccessibleWindow& control) {
    std::string text;
    GetWindowTextByMessage(control, text);
    text = Trim(text);
    return text.empty() ? std::string(1, '0') : text;
}

// One walk over a window's controls in pre-order, counting positions until Order.
class ControlWalk {
public:
    ControlWalk(int order, const std::string& className) : order_(order), className_(className) {}

    // True when the control at Order was reached, whatever its class.
    bool Walk(const platform::AccessibleWindow& parent) {
        for (auto child = parent.FirstChild(); child && counter_ <= order_;
             child = child.NextSibling()) {
            if (counter_ == order_) {
                if (SameClass(child.ClassName())) {
                    found_ = AmountText(child);
                }
                return true;
            }
            ++counter_;
            if (Walk(child)) {
                return true;
            }
        }
        return false;
    }

    const std::string& Found() const { return found_; }

private:
    bool SameClass(const std::string& name) const {
        std::string_view cut(name);
        cut = cut.substr(0, kClassNameBytes);
        return platform::CompareTextIgnoreCase(cut, className_) == 0;
    }

    const int order_;
    const std::string& className_;
    int counter_ = 0;
    std::string found_;
};

}  // namespace

std::string FindChildWindowText(const platform::AccessibleWindow& Parent, int Order,
                                const std::string& ClassName) {
    ControlWalk walk(Order, ClassName);
    walk.Walk(Parent);
    return walk.Found();
}

void GetWindowTextByMessage(const platform::AccessibleWindow& Window, std::string& Text) {
    Text = Window.Text();
}

void GetExternalAmount(QWidget* /*WindowHandle*/, const std::string& TitlePart, int Order,
                       const std::string& ClassName, std::string& Text) {
    Text.clear();
    if (TitlePart.empty() || Order < 0) {
        return;
    }
    const std::string part = platform::Utf8ToGbk(TitlePart);
    for (const auto& window : platform::TopLevelWindows()) {
        std::string title = TitleBytes(window.Title());
        if (title.empty() || title.find(part) == std::string::npos) {
            continue;
        }
        std::string found = FindChildWindowText(window, Order, ClassName);
        if (!found.empty()) {
            Text = found;
            return;
        }
    }
}

bool IsAmountText(const std::string& Text) {
    return std::all_of(Text.begin(), Text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}
