#include "core/station_config_defaults.h"

#include "core/config_fields.h"
#include "core/station_config.h"

#include <algorithm>

namespace tellur {

void applyDefaults(StationConfig& config)
{
    auto b = config.bytes();
    std::fill(b.begin(), b.end(), std::uint8_t{0});
    for (const auto& f : configFields())
        writeFieldDefault(config, f);
}

} // namespace tellur
