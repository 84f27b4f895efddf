#include "core/station_config.h"

#include "core/station_config_defaults.h"

namespace tellur {

StationConfig::StationConfig()
{
    applyDefaults(*this);
}

bool StationConfig::headerValid() const
{
    return bytes_[kHeaderOffset] == kHeaderText.size() && str(kHeaderOffset, 13) == kHeaderText;
}

} // namespace tellur
