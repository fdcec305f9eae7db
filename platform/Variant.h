#pragma once

#include <string>
#include <variant>
#include <vector>

namespace platform {

// What passes between the windows: nothing (Unassigned), a string, a Boolean, an integer or an
// array of strings.
class Variant {
public:
    using Strings = std::vector<std::string>;

    Variant() = default;
    Variant(std::string s) : value_(std::move(s)) {}
    Variant(const char* s) : value_(std::string(s)) {}
    Variant(bool b) : value_(b) {}
    Variant(int i) : value_(i) {}
    Variant(Strings a) : value_(std::move(a)) {}

    bool IsUnassigned() const { return std::holds_alternative<std::monostate>(value_); }
    bool IsString() const { return std::holds_alternative<std::string>(value_); }
    bool IsBool() const { return std::holds_alternative<bool>(value_); }
    bool IsInt() const { return std::holds_alternative<int>(value_); }
    bool IsArray() const { return std::holds_alternative<Strings>(value_); }

    // The value in the form the caller expects; a value of another kind gives the empty form.
    std::string AsString() const {
        if (IsString())
            return std::get<std::string>(value_);
        if (IsInt())
            return std::to_string(std::get<int>(value_));
        if (IsBool())
            return std::get<bool>(value_) ? "True" : "False";
        return {};
    }
    bool AsBool() const { return IsBool() && std::get<bool>(value_); }
    int AsInt() const { return IsInt() ? std::get<int>(value_) : 0; }
    Strings AsArray() const { return IsArray() ? std::get<Strings>(value_) : Strings{}; }

    bool operator==(const Variant&) const = default;

private:
    std::variant<std::monostate, std::string, bool, int, Strings> value_;
};

}  // namespace platform
