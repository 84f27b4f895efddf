#include "sstv/sstv_modes.h"

#include "core/numeric.h"

#include <cctype>
#include <charconv>

namespace tellur::sstv {

Timing scaleTiming(const SstvModeRecord& row, float samplesPerMs)
{
    Timing scaled{};
    // The product is formed in double, as the original's extended-precision multiply did; the
    // factor itself stays a float so its representation error is part of the result.
    for (std::size_t i = 0; i < scaled.size(); ++i)
        scaled[i] = roundHalfEven(static_cast<double>(row.timing[i]) * static_cast<double>(samplesPerMs));
    return scaled;
}

std::array<Timing, kSstvModeCount> scaleAllTimings(float samplesPerMs)
{
    std::array<Timing, kSstvModeCount> all{};
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = scaleTiming(kSstvModes[i], samplesPerMs);
    return all;
}

char txModeHotKey(int row)
{
    return row < 10 ? static_cast<char>('0' + row) : static_cast<char>('A' + (row - 10));
}

std::string txModeCaption(int row)
{
    std::string caption = "&";
    caption += txModeHotKey(row);
    caption += ' ';
    caption += kSstvModes[static_cast<std::size_t>(row)].name;
    return caption;
}

std::optional<int> txModeFromCaption(std::string_view caption)
{
    if (caption.size() < 2 || caption[0] != '&')
        return std::nullopt;
    char c = caption[1];
    int row = -1;
    if (c >= '0' && c <= '9')
        row = c - '0';
    else if (c >= 'A' && c <= 'Z')
        row = 10 + (c - 'A');
    if (row < 0 || row >= kSstvModeCount)
        return std::nullopt;
    return row;
}

int normaliseTxModeIndex(int index)
{
    return (index < 0 || index >= kSstvModeCount) ? kMartin1Row : index;
}

int txModeFromStartParameter(std::string_view parameter, int current)
{
    if (parameter.size() < 3 || (parameter[0] != 'S' && parameter[0] != 's'))
        return current;
    std::string_view digits = parameter.substr(2);
    int value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return current;
    // An index beyond the table would select no list entry at all; keep the stored one.
    if (value < 0 || value >= kSstvModeCount)
        return current;
    return value;
}

bool txModeChangeResizesEditors(int oldRow, int newRow)
{
    if (newRow == kRepeaterRow)
        return false;
    const auto& a = kSstvModes[static_cast<std::size_t>(oldRow)];
    const auto& b = kSstvModes[static_cast<std::size_t>(newRow)];
    return a.columns != b.columns || a.rows != b.rows;
}

std::string modeDisplayText(std::int64_t mode)
{
    if (mode >= 100)
        return " no signal";
    if (mode == kUnknownMode)
        return " unknown mode";
    if (mode < 0 || mode >= kSstvModeCount)
        return " unknown mode";
    return std::string(" RX: ") + std::string(kSstvModes[static_cast<std::size_t>(mode)].name);
}

namespace {
std::string squeeze(std::string_view s)
{
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '.' && c != '_' && c != '-')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}
} // namespace

std::optional<int> findMode(std::string_view nameOrRow)
{
    int value = 0;
    auto [end, ec] = std::from_chars(nameOrRow.data(), nameOrRow.data() + nameOrRow.size(), value);
    if (ec == std::errc() && end == nameOrRow.data() + nameOrRow.size() && !nameOrRow.empty())
        return (value >= 0 && value < kSstvModeCount) ? std::optional<int>(value) : std::nullopt;
    std::string key = squeeze(nameOrRow);
    for (int row = 0; row < kSstvModeCount; ++row)
        if (squeeze(kSstvModes[static_cast<std::size_t>(row)].name) == key)
            return row;
    return std::nullopt;
}

} // namespace tellur::sstv
