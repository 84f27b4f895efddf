#include "settings/station_config_defaults.h"

#include "settings/config_fields.h"
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

// The record's constructor lives with the defaults it applies, so that core knows nothing of the
// field table.
StationConfig::StationConfig()
{
    applyDefaults(*this);
}

} // namespace tellur
