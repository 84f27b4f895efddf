// FAX pieces shared by the decode/encode commands and the demonstration.
#pragma once

#include "app/cli/audio_input.h"
#include "app/cli/cli.h"
#include "app/cli/cli_station.h"
#include "fax/fax_receiver.h"
#include "fax/fax_transmitter.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tellur::cli {


// --fax-mode NAME|ROW (selectable rows only); empty: the configuration's current row.
std::size_t faxModeRowFromOption(const StationConfig& config, const std::string& option);
std::string_view faxDemodulatorName(std::int32_t demodulator);
fax::FaxTransmitSettings faxTransmitSettings(const StationConfig& config, std::size_t row);

struct FaxDecodeResult {
    int pictures = 0;
    std::filesystem::path lastSaved;
    std::int64_t samples = 0;
    DriveResult drive;
};
// Runs the FAX station over the input; pictures go below pictureFolder (one folder per mode).
// Station time starts at clockStartMs (station-zone milliseconds since 1970), else now.
FaxDecodeResult decodeFax(CliStation& station, const CommonOptions& opts, AudioInput& input, std::size_t row,
                          bool startNow, const std::filesystem::path& pictureFolder, bool realtime,
                          std::optional<std::int64_t> clockStartMs = std::nullopt);
// "2026-03-14T11:00" or "2026-03-14T11:00:05" as station-zone milliseconds since 1970.
std::optional<std::int64_t> parseStationClock(const std::string& text);

// Transmits the picture into a WAV file at 11025 S/s, streamed (memory flat whatever its height),
// replacing file only once complete. The number of samples, or -1 with a one-line reason.
std::int64_t encodeFaxToWave(const fax::FaxTransmitSettings& settings, const storage::TDI8Bitmap& picture,
                             TextMaskRenderer* text, const std::filesystem::path& file, std::string& error);

} // namespace tellur::cli
