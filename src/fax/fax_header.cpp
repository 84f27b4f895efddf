#include "fax/fax_header.h"

#include "core/numeric.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace tellur::fax {

std::string trimmed(std::string_view s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(b, e - b + 1));
}

namespace {

bool headerCharAllowed(unsigned char c)
{
    if (c == 1 || c == 3 || c == 7 || c == 10 || c == 13 || c == ' ')
        return true;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
        return true;
    return std::string_view("'()+,-./:=?").find(static_cast<char>(c)) != std::string_view::npos;
}

// 1-based substring that tolerates short texts.
std::string part(std::string_view s, std::size_t from1, std::size_t count)
{
    if (from1 == 0 || from1 > s.size())
        return {};
    return std::string(s.substr(from1 - 1, count));
}

// Days since 1899-12-30 <-> civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

constexpr std::int64_t kUnixEpochDay = 25569; // 1970-01-01 as a station day number

} // namespace

double stationTimeOf(int year, int month, int day, int hour, int minute, int second)
{
    const auto days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kUnixEpochDay;
    return double(days) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::string formatStationTime(double stationTime, std::string_view pattern)
{
    // Round to the millisecond first so 12:30:00 stored as 12:29:59.9999 names 12:30.
    const auto ms = static_cast<std::int64_t>(std::llround(stationTime * 86400000.0));
    std::int64_t day = ms / 86400000;
    std::int64_t rest = ms % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --day;
    }
    int y, mo, d;
    civilFromDays(day - kUnixEpochDay, y, mo, d);
    const int hh = static_cast<int>(rest / 3600000), nn = static_cast<int>(rest / 60000 % 60),
              ss = static_cast<int>(rest / 1000 % 60);
    std::string out;
    char buf[16];
    for (std::size_t i = 0; i < pattern.size();) {
        auto take = [&](std::string_view tok) {
            if (pattern.size() - i < tok.size())
                return false;
            for (std::size_t j = 0; j < tok.size(); ++j)
                if (std::tolower(static_cast<unsigned char>(pattern[i + j])) != tok[j])
                    return false;
            i += tok.size();
            return true;
        };
        if (take("yyyy"))
            std::snprintf(buf, sizeof buf, "%04d", y);
        else if (take("yy"))
            std::snprintf(buf, sizeof buf, "%02d", y % 100);
        else if (take("mm"))
            std::snprintf(buf, sizeof buf, "%02d", mo);
        else if (take("dd"))
            std::snprintf(buf, sizeof buf, "%02d", d);
        else if (take("hh"))
            std::snprintf(buf, sizeof buf, "%02d", hh);
        else if (take("nn"))
            std::snprintf(buf, sizeof buf, "%02d", nn);
        else if (take("ss"))
            std::snprintf(buf, sizeof buf, "%02d", ss);
        else {
            buf[0] = pattern[i++];
            buf[1] = 0;
        }
        out += buf;
    }
    return out;
}

std::string readDigitalHeader(const SampleRing& ring, const std::uint8_t* quantised, double lineStart,
                              double samplesPerLine, double samplesPerPixel, EventLog& log)
{
    constexpr int kBits = 400;
    const auto b = static_cast<std::int32_t>(roundHalfEven(samplesPerPixel));
    const double bitE4 = 2.0 * samplesPerPixel * 10000.0;
    if (!(bitE4 > 0.0))
        return {};
    std::string assembled;
    bool anyAssembled = false;
    for (std::int32_t o = -b; o <= 2 * b; ++o) {
        std::int32_t s0 = ringIndex(roundHalfEven(lineStart) + o);
        std::int32_t s1 = ringIndex(roundHalfEven(lineStart + samplesPerLine) + o);
        std::array<int, kBits> bits{};
        int j = 0;
        std::int64_t sum = 0, count = 0;
        double acc = 0.0;
        // A line holds at most a ring's worth of items; bound the walk so odd geometry cannot spin.
        for (std::int32_t n = 0; j < kBits && n < kRingSize; ++n) {
            sum += quantised[ring.at(s0) & 0x3FFF] + quantised[ring.at(s1) & 0x3FFF];
            count += 2;
            s0 = ringIndex(s0 + 1);
            s1 = ringIndex(s1 + 1);
            acc += 10000.0;
            if (acc >= bitE4) {
                acc -= bitE4;
                bits[static_cast<std::size_t>(j++)] = static_cast<int>(sum / count);
                sum = count = 0;
            }
        }
        if (j < kBits)
            continue;
        bool framed = true;
        for (int g = 0; g < kBits; g += 8)
            framed = framed && bits[static_cast<std::size_t>(g)] < 128;
        if (!framed)
            continue;
        std::string chars(kBits / 8, '\0');
        for (int k = 0; k < kBits; ++k)
            if (bits[static_cast<std::size_t>(k)] >= 128)
                chars[static_cast<std::size_t>(k / 8)] |= static_cast<char>(1 << (7 - k % 8));
        assembled = chars;
        anyAssembled = true;
        bool valid = true;
        for (char c : chars)
            valid = valid && headerCharAllowed(static_cast<unsigned char>(c));
        if (valid) {
            log.satellite(chars);
            return chars + " (" + std::to_string(o) + ")";
        }
    }
    if (anyAssembled)
        log.satellite(assembled);
    return {};
}

HeaderFields splitDigitalHeader(std::string_view h)
{
    HeaderFields f;
    f.name = trimmed(part(h, 1, 8));
    f.paletteCode = trimmed(part(h, 9, 3));
    f.date = part(h, 12, 6);
    f.time = part(h, 18, 4);
    f.formatCode = part(h, 22, 4);
    f.rest = h.size() >= 26 ? std::string(h.substr(25)) : std::string();
    return f;
}

std::string readScheduleIdentification(const std::filesystem::path& masksFolder, std::string_view paletteName,
                                       double stationTime)
{
    std::ifstream in(masksFolder / std::string(paletteName));
    if (!in)
        return {};
    const double today = std::floor(stationTime);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() < 4)
            continue;
        auto digit = [&](std::size_t i) { return line[i] >= '0' && line[i] <= '9' ? line[i] - '0' : -1; };
        if (digit(0) < 0 || digit(1) < 0 || digit(2) < 0 || digit(3) < 0)
            continue;
        const int hour = digit(0) * 10 + digit(1), minute = digit(2) * 10 + digit(3);
        const double t = today + hour / 24.0 + minute / 1440.0;
        if (std::fabs(t - stationTime) * 1440.0 < 1.0) {
            const std::string name(paletteName.substr(0, paletteName.find('.')));
            return name + ": " + formatStationTime(t, "yyyymmdd") + " " + formatStationTime(t, "hhnn") + " " +
                   part(line, 5, 4) + " " + part(line, 9, 11);
        }
    }
    return {};
}

HeaderFields splitScheduleIdentification(std::string_view h)
{
    HeaderFields f;
    const auto colon = h.find(':');
    if (colon == std::string_view::npos)
        return f;
    const std::size_t p = colon + 1; // 1-based position of ':'
    f.name = trimmed(part(h, 1, p - 1));
    f.date = part(h, p + 4, 6);
    f.time = part(h, p + 11, 4);
    f.formatCode = part(h, p + 16, 4);
    f.paletteCode = trimmed(part(h, p + 21, 3));
    return f;
}

std::string headerDisplayText(const HeaderFields& f, bool digital)
{
    std::string s = " " + f.name + ": " + f.formatCode + " " + f.paletteCode + " " + f.date + " " + f.time;
    if (digital)
        s += "  " + f.rest;
    return s;
}

double synchronisedClock(double stationTime, std::int32_t offsetSeconds)
{
    const double t = stationTime * 86400.0;
    const double set = offsetSeconds + 120.0 * double(roundHalfEven((t - offsetSeconds) / 120.0));
    return set / 86400.0;
}

} // namespace tellur::fax
