// Which device stands behind the port numbers COM1..COM8 of the configuration, read from
// "ports.conf" in the station folder: one "COMn=/dev/..." per line, "#" starts a comment, and
// "DOWNLOADER=..." names the command that loads a DSP program in the EasyDSP's ALEPH position.
// Missing entries keep their defaults.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace tellur::signal {

inline constexpr int kSerialPortCount = 8;
inline constexpr std::string_view kPortMapFileName = "ports.conf";

struct SerialPortMap {
    std::array<std::string, kSerialPortCount> devices;
    std::string downloaderCommand;

    static SerialPortMap defaults();
    // Device path of COM number (1..8), empty for any other number.
    std::string devicePath(int number) const;
};

SerialPortMap parsePortMap(std::string_view text);
std::string formatPortMap(const SerialPortMap& map);

// Reads ports.conf from the station folder; defaults when it is absent or unreadable.
SerialPortMap loadPortMap(const std::filesystem::path& stationFolder);
bool savePortMap(const std::filesystem::path& stationFolder, const SerialPortMap& map);

} // namespace tellur::signal
