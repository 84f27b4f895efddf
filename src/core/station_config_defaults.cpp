#include "core/station_config_defaults.h"

#include "core/station_config.h"
#include "fax/fax_mode_table.h"
#include "text/rtty_mode_table.h"

namespace tellur {

void applyDefaults(StationConfig& config)
{
    auto b = config.bytes();
    std::fill(b.begin(), b.end(), std::uint8_t{0});
    config.setI32(0, 2);         // interface type: Sound Card
    config.setI32(8, 115200);    // serial baud rate
    config.setF64(16, 7350.0);   // data rate
    for (std::size_t r = 0; r < fax::kFaxModeRows; ++r)
        fax::writeFaxModeRow(config, r, fax::kDefaultFaxModes[r]);
    for (std::size_t r = 0; r < text::kRttyModeRows; ++r)
        text::writeRttyModeRow(config, r, text::kDefaultRttyModes[r]);
    text::setCurrentRttyModeRow(config, text::kDefaultRttyModeRow);
    config.setStr(StationConfig::kHeaderOffset, 13, StationConfig::kHeaderText);
}

} // namespace tellur
