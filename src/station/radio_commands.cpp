#include "station/radio_commands.h"

#include "core/numeric.h"
#include "core/station_config.h"

#include <charconv>
#include <cmath>

namespace tellur::station {
namespace {

std::size_t at(int n, std::size_t base, std::size_t step) { return base + step * static_cast<std::size_t>(n - 1); }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The eight lowest decimal digits of v as four BCD bytes, least significant pair first.
std::array<char, 4> bcdLowFirst(std::int64_t v)
{
    std::array<char, 4> out{};
    for (auto& b : out) {
        const int pair = static_cast<int>(v % 100);
        b = static_cast<char>(((pair / 10) << 4) | (pair % 10));
        v /= 100;
    }
    return out;
}

std::string replaceAll(std::string s, char what, std::string_view with)
{
    std::string out;
    for (char c : s) {
        if (c == what)
            out += with;
        else
            out += c;
    }
    return out;
}

} // namespace

RadioPortEntry radioPortEntry(const StationConfig& c, int n)
{
    RadioPortEntry e;
    e.command = c.str(at(n, cfg::kRadioCommand, cfg::kRadioCommandSize), cfg::kRadioCommandCapacity);
    e.ptcControl = c.flag(at(n, cfg::kRadioPtcControl, 1));
    e.asciiControl = c.flag(at(n, cfg::kRadioAsciiControl, 1));
    e.comPort = c.u8(at(n, cfg::kRadioComPort, 1));
    e.baudRate = c.i32(at(n, cfg::kRadioBaudRate, 4));
    e.type = static_cast<RadioType>(c.i32(at(n, cfg::kRadioType, 4)));
    e.address = c.str(at(n, cfg::kRadioAddress, 4), cfg::kRadioAddressCapacity);
    return e;
}

void setRadioPortEntry(StationConfig& c, int n, const RadioPortEntry& e)
{
    c.setStr(at(n, cfg::kRadioCommand, cfg::kRadioCommandSize), cfg::kRadioCommandCapacity, e.command);
    c.setFlag(at(n, cfg::kRadioPtcControl, 1), e.ptcControl);
    c.setFlag(at(n, cfg::kRadioAsciiControl, 1), e.asciiControl);
    c.setU8(at(n, cfg::kRadioComPort, 1), static_cast<std::uint8_t>(e.comPort));
    c.setI32(at(n, cfg::kRadioBaudRate, 4), e.baudRate);
    c.setI32(at(n, cfg::kRadioType, 4), static_cast<std::int32_t>(e.type));
    c.setStr(at(n, cfg::kRadioAddress, 4), cfg::kRadioAddressCapacity, e.address);
}

std::optional<Frequency> parseFrequency(std::string_view text)
{
    std::string t(trimmed(text));
    for (char& c : t)
        if (c == ',')
            c = '.';
    double khz = 0;
    const char* end = t.data() + t.size();
    auto [ptr, ec] = std::from_chars(t.data(), end, khz);
    if (t.empty() || ec != std::errc{} || ptr != end || !std::isfinite(khz) || khz < 0 || khz >= 1e10)
        return std::nullopt;
    return Frequency{t, roundHalfEven(khz * 1000.0), roundHalfEven(khz * 100.0)};
}

std::string decodeDirectCommand(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '$') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            break;
        const int hi = hexDigit(text[i + 1]), lo = hexDigit(text[i + 2]);
        if (hi < 0 || lo < 0) {
            out += '$';
            continue;
        }
        out += static_cast<char>((hi << 4) | lo);
        i += 2;
    }
    return out;
}

std::optional<std::uint8_t> icomAddress(std::string_view text)
{
    text = trimmed(text);
    unsigned value = 0;
    const bool hex = !text.empty() && text.front() == '$';
    if (hex)
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, hex ? 16 : 10);
    if (ec != std::errc{} || ptr != text.data() + text.size() || value > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

std::optional<RadioCommands> radioCommands(const RadioPortEntry& entry, const Frequency& f)
{
    switch (entry.type) {
    case RadioType::Direct:
        return RadioCommands{replaceAll(decodeDirectCommand(entry.command), '@', f.text), {}};
    case RadioType::Icom: {
        const auto address = icomAddress(entry.address);
        if (!address)
            return std::nullopt;
        const std::string head{'\xFE', '\xFE', static_cast<char>(*address), '\xE0'};
        const auto bcd = bcdLowFirst(f.hz);
        return RadioCommands{head + '\x00' + std::string(bcd.begin(), bcd.end()) + '\xFD',
                             head + "\x06\x01\xFD"};
    }
    case RadioType::Kenwood: {
        const char vfo = entry.address.empty() ? 'A' : entry.address.front();
        std::string digits = std::to_string(f.hz);
        if (digits.size() < 11)
            digits.insert(0, 11 - digits.size(), '0');
        return RadioCommands{std::string(vfo == 'B' || vfo == 'b' || vfo == '2' ? "FB" : "FA") + digits + ";",
                             "MD2;"};
    }
    case RadioType::Yaesu1: {
        const auto bcd = bcdLowFirst(f.tenHz);
        return RadioCommands{std::string(bcd.begin(), bcd.end()) + '\x0A', std::string("\x01\x01\x01\x01\x0C", 5)};
    }
    case RadioType::Yaesu2: {
        const auto bcd = bcdLowFirst(f.tenHz);
        return RadioCommands{std::string(bcd.rbegin(), bcd.rend()) + '\x01', std::string("\x01\x01\x01\x01\x07", 5)};
    }
    case RadioType::Rigctld:
        return RadioCommands{"F " + std::to_string(f.hz) + "\n", "M USB 0\n"};
    }
    return std::nullopt;
}

std::string NetworkEndpoint::text() const
{
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<NetworkEndpoint> parseRigctldEndpoint(std::string_view text)
{
    text = trimmed(text);
    if (text.empty())
        text = kDefaultRigctldEndpoint;
    NetworkEndpoint e;
    std::string_view port;
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        e.host = std::string(text.substr(1, close - 1));
        const auto rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return std::nullopt;
        port = rest.empty() ? std::string_view{} : rest.substr(1);
    } else {
        const auto colon = text.rfind(':');
        e.host = std::string(text.substr(0, colon));
        port = colon == std::string_view::npos ? std::string_view{} : text.substr(colon + 1);
        if (e.host.find(':') != std::string::npos)
            return std::nullopt; // a bare IPv6 address needs brackets
    }
    unsigned p = kDefaultRigctldPort;
    if (!port.empty()) {
        auto [ptr, ec] = std::from_chars(port.data(), port.data() + port.size(), p);
        if (ec != std::errc{} || ptr != port.data() + port.size())
            return std::nullopt;
    }
    if (e.host.empty() || p == 0 || p > 65535)
        return std::nullopt;
    e.port = static_cast<std::uint16_t>(p);
    return e;
}

} // namespace tellur::station
