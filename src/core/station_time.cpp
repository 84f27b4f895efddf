#include "core/station_time.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace tellur {

std::int64_t SystemWallClock::utcMillis() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int SystemWallClock::utcOffsetMinutes(std::int64_t utcMs) const
{
    std::time_t t = static_cast<std::time_t>(utcMs / 1000);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return 0;
    return static_cast<int>(local.tm_gmtoff / 60);
}

const SystemWallClock& SystemWallClock::instance()
{
    static const SystemWallClock clock;
    return clock;
}

std::int64_t stationTimeMillis(const WallClock& clock, bool useLocalTime)
{
    const std::int64_t utc = clock.utcMillis();
    return useLocalTime ? utc + std::int64_t{clock.utcOffsetMinutes(utc)} * 60000 : utc;
}

double stationTimeDays(const WallClock& clock, bool useLocalTime)
{
    return static_cast<double>(stationTimeMillis(clock, useLocalTime)) / kMillisPerDay + kUnixEpochDays;
}

DateTime dateTimeFromMillis(std::int64_t ms)
{
    using namespace std::chrono;
    const auto tp = sys_time<milliseconds>(milliseconds(ms));
    const auto dayPoint = floor<days>(tp);
    const year_month_day ymd(dayPoint);
    const hh_mm_ss hms(tp - dayPoint);
    DateTime dt;
    dt.year = static_cast<int>(ymd.year());
    dt.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    dt.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    dt.hour = static_cast<int>(hms.hours().count());
    dt.minute = static_cast<int>(hms.minutes().count());
    dt.second = static_cast<int>(hms.seconds().count());
    dt.millisecond = static_cast<int>(hms.subseconds().count());
    return dt;
}

std::int64_t millisFromDateTime(const DateTime& dt)
{
    using namespace std::chrono;
    const year_month_day ymd{year(dt.year), month(static_cast<unsigned>(dt.month)), day(static_cast<unsigned>(dt.day))};
    const auto d = sys_days(ymd).time_since_epoch();
    return duration_cast<milliseconds>(d).count() +
           ((std::int64_t{dt.hour} * 60 + dt.minute) * 60 + dt.second) * 1000 + dt.millisecond;
}

DateTime dateTimeFromDays(double days)
{
    return dateTimeFromMillis(static_cast<std::int64_t>(std::llround((days - kUnixEpochDays) * kMillisPerDay)));
}

double daysFromDateTime(const DateTime& dt)
{
    return static_cast<double>(millisFromDateTime(dt)) / kMillisPerDay + kUnixEpochDays;
}

std::string logTimeText(const DateTime& dt)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", dt.year, dt.month, dt.day, dt.hour, dt.minute,
                  dt.second);
    return buf;
}

} // namespace tellur
