// The GUI program's command-line switches: an argument whose first character (any case) is the
// switch letter; its value is the argument from the third character on (the second is a free
// separator, "Q=90", "c:Contest"), upper-cased; shorter arguments give an empty value.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellur {

struct CommandSwitch {
    std::string value; // upper-cased, as the switch rule says
    std::string raw;   // case kept: configuration, schedule and picture names on a case-sensitive disk
};

class CommandSwitches {
public:
    CommandSwitches() = default;
    explicit CommandSwitches(std::vector<std::string> args) : m_args(std::move(args)) {}

    // The first argument for the letter (C, D, M, Q, U, X, S, T); options starting with "--" are
    // not switches.
    std::optional<CommandSwitch> get(char letter) const;
    bool has(char letter) const { return get(letter).has_value(); }
    // Switch Q in minutes: below 60 or not a number count as 60.
    std::optional<int> quitMinutes() const;
    // Switch M as a list index; nothing when absent or not a number.
    std::optional<int> listIndex() const;

private:
    std::vector<std::string> m_args;
};

} // namespace tellur
