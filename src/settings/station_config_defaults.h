// The compiled-in defaults of the station configuration record.
#pragma once

namespace tellur {
class StationConfig;

// Fills every field of the record with its default value (unlisted bytes are zero).
void applyDefaults(StationConfig& config);

} // namespace tellur
