#include "ui/station_context.h"

#include <QTimeZone>

namespace tellur::ui {

namespace {
const QDateTime kEpoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
}

double toDayCount(const QDateTime& t)
{
    // Calendar fields are read as they stand, so local and UTC readings both count from midnight.
    const QDateTime asUtc(t.date(), t.time(), Qt::UTC);
    return double(kEpoch.msecsTo(asUtc)) / 86400000.0;
}

QDateTime fromDayCount(double days)
{
    return kEpoch.addMSecs(static_cast<qint64>(days * 86400000.0 + (days >= 0 ? 0.5 : -0.5)));
}

double StationContext::stationTime() const
{
    const QDateTime now = clock();
    if (config.flag(cfg::kUseLocalTime))
        return toDayCount(now.toLocalTime());
    return toDayCount(now.toUTC());
}

} // namespace tellur::ui

#include <fstream>
#include <vector>

namespace tellur::ui {

bool loadConfigFile(const std::filesystem::path& file, StationConfig& config)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    // One byte more than a record, so that a longer file is seen as such.
    std::vector<std::uint8_t> bytes(StationConfig::kSize + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(in.gcount()));
    return decodeConfigRecord(bytes, config);
}

bool saveConfigFile(const std::filesystem::path& file, const StationConfig& config)
{
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const auto tmp = file.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        auto b = config.bytes();
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
        if (!out.flush())
            return false;
    }
    std::filesystem::rename(tmp, file, ec);
    return !ec;
}

} // namespace tellur::ui
