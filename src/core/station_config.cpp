#include "core/station_config.h"

namespace tellur {

bool StationConfig::headerValid() const
{
    return bytes_[kHeaderOffset] == kHeaderText.size() && str(kHeaderOffset, 13) == kHeaderText;
}

void StationConfig::writeHeader()
{
    setStr(kHeaderOffset, 13, kHeaderText);
}

ExternalProgramEntry StationConfig::externalProgram(int row) const
{
    const std::size_t b = cfg::kExternalPrograms + cfg::kExternalProgramSize * static_cast<std::size_t>(row);
    return {str(b, 20), str(b + 21, 20), str(b + 42, 20), str(b + 63, 255)};
}

void StationConfig::setExternalProgram(int row, const ExternalProgramEntry& e)
{
    const std::size_t b = cfg::kExternalPrograms + cfg::kExternalProgramSize * static_cast<std::size_t>(row);
    setStr(b, 20, e.name);
    setStr(b + 21, 20, e.switchPosition);
    setStr(b + 42, 20, e.dspProgram);
    setStr(b + 63, 255, e.commandLine);
}

} // namespace tellur
