#include "core/station_config_defaults.h"

#include "core/station_config.h"

namespace tellur {

void applyDefaults(StationConfig& config)
{
    auto b = config.bytes();
    std::fill(b.begin(), b.end(), std::uint8_t{0});
    config.setI32(0, 2);         // interface type: Sound Card
    config.setI32(8, 115200);    // serial baud rate
    config.setF64(16, 7350.0);   // data rate
    config.setStr(StationConfig::kHeaderOffset, 13, StationConfig::kHeaderText);
}

} // namespace tellur
