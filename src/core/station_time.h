// Station time: the clock that stamps logs, names files and drives the scheduler. It is UTC,
// or the computer's local time when the configuration says "Use local time instead of UTC:".
// Kept as a day count (days since 30 Dec 1899, fractions for the time of day) because the
// scheduler and the schedule files compute in days.
#pragma once

#include <cstdint>
#include <string>

namespace tellur {

// Source of wall-clock time; tests inject a fixed one.
class WallClock {
public:
    virtual ~WallClock() = default;
    virtual std::int64_t utcMillis() const = 0;                        // since 1970-01-01 UTC
    virtual int utcOffsetMinutes(std::int64_t utcMillis) const = 0;    // local - UTC, daylight saving included
};

// The machine's clock and time zone. Thread-safe.
class SystemWallClock final : public WallClock {
public:
    std::int64_t utcMillis() const override;
    int utcOffsetMinutes(std::int64_t utcMillis) const override;
    static const SystemWallClock& instance();
};

// A clock standing still until moved; for tests and the command-line decoder's virtual time.
class FixedWallClock final : public WallClock {
public:
    explicit FixedWallClock(std::int64_t utcMillis = 0, int offsetMinutes = 0) : m_ms(utcMillis), m_offset(offsetMinutes) {}
    std::int64_t utcMillis() const override { return m_ms; }
    int utcOffsetMinutes(std::int64_t) const override { return m_offset; }
    void set(std::int64_t utcMillis) { m_ms = utcMillis; }
    void advance(std::int64_t ms) { m_ms += ms; }
    void setOffset(int minutes) { m_offset = minutes; }

private:
    std::int64_t m_ms;
    int m_offset;
};

struct DateTime {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, millisecond = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

inline constexpr double kMillisPerDay = 86400000.0;
// Days between 1899-12-30 and 1970-01-01.
inline constexpr std::int64_t kUnixEpochDays = 25569;

// Station time in days; local time when useLocalTime, else UTC.
double stationTimeDays(const WallClock& clock, bool useLocalTime);
// Milliseconds since 1970 (in the station's own zone) of the station time.
std::int64_t stationTimeMillis(const WallClock& clock, bool useLocalTime);

DateTime dateTimeFromMillis(std::int64_t millisSince1970);
std::int64_t millisFromDateTime(const DateTime& dt);
DateTime dateTimeFromDays(double days);
double daysFromDateTime(const DateTime& dt);

// "2024-01-15 12:30:05": the fixed, unambiguous form used in log lines.
std::string logTimeText(const DateTime& dt);

} // namespace tellur
