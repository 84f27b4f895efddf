// A short text with a fixed capacity, usable in constexpr tables (mode rows, list texts) and
// mirroring a counted-string field of the same capacity.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tellur {

template <std::size_t N>
struct FixedString {
    std::array<char, N> chars{};
    std::uint8_t length = 0;

    constexpr FixedString() = default;
    // Longer texts are cut to the capacity, as the counted-string field would cut them.
    constexpr FixedString(std::string_view s) // NOLINT: implicit by design, tables read naturally
    {
        length = static_cast<std::uint8_t>(std::min(s.size(), N));
        for (std::size_t i = 0; i < length; ++i)
            chars[i] = s[i];
    }
    constexpr FixedString(const char* s) : FixedString(std::string_view(s)) {}
    FixedString(const std::string& s) : FixedString(std::string_view(s)) {}

    static constexpr std::size_t capacity() { return N; }
    constexpr std::string_view view() const { return {chars.data(), length}; }
    std::string str() const { return std::string(view()); }
    constexpr bool empty() const { return length == 0; }

    friend constexpr bool operator==(const FixedString& a, const FixedString& b) { return a.view() == b.view(); }
    friend constexpr bool operator==(const FixedString& a, std::string_view b) { return a.view() == b; }
};

} // namespace tellur
