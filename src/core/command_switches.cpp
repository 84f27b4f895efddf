#include "core/command_switches.h"

#include <cctype>
#include <charconv>

namespace tellur {

static char upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::optional<CommandSwitch> CommandSwitches::get(char letter) const
{
    for (const auto& a : m_args) {
        if (a.empty() || a.rfind("--", 0) == 0 || upper(a[0]) != upper(letter))
            continue;
        CommandSwitch s;
        if (a.size() >= 3) {
            s.raw = a.substr(2);
            s.value = s.raw;
            for (char& c : s.value)
                c = upper(c);
        }
        return s;
    }
    return std::nullopt;
}

static std::optional<int> number(const std::string& s)
{
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc{} || p != s.data() + s.size())
        return std::nullopt;
    return v;
}

std::optional<int> CommandSwitches::quitMinutes() const
{
    auto s = get('Q');
    if (!s)
        return std::nullopt;
    auto v = number(s->value);
    return !v || *v < 60 ? 60 : *v;
}

std::optional<int> CommandSwitches::listIndex() const
{
    auto s = get('M');
    return s ? number(s->value) : std::nullopt;
}

} // namespace tellur
