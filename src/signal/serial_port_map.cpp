#include "signal/serial_port_map.h"

#include "signal/serial_devices.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace tellur::signal {

namespace {
std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
} // namespace

SerialPortMap SerialPortMap::defaults()
{
    // USB adapters first: most stations reach their boxes through one today.
    return {{"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2",
             "/dev/ttyS3"},
            std::string(kDefaultDownloaderCommand)};
}

std::string SerialPortMap::devicePath(int number) const
{
    if (number < 1 || number > kSerialPortCount)
        return {};
    return devices[static_cast<std::size_t>(number - 1)];
}

SerialPortMap parsePortMap(std::string_view text)
{
    SerialPortMap map = SerialPortMap::defaults();
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view {} : text.substr(nl + 1);
        line = trim(line);
        if (line.empty() || line.front() == '#')
            continue;
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        std::string_view key = trim(line.substr(0, eq));
        std::string_view value = trim(line.substr(eq + 1));
        if (equalsIgnoreCase(key, "DOWNLOADER")) {
            if (!value.empty())
                map.downloaderCommand = std::string(value);
            continue;
        }
        if (key.size() == 4 && equalsIgnoreCase(key.substr(0, 3), "COM") && key[3] >= '1' &&
            key[3] < '1' + kSerialPortCount && !value.empty())
            map.devices[static_cast<std::size_t>(key[3] - '1')] = std::string(value);
    }
    return map;
}

std::string formatPortMap(const SerialPortMap& map)
{
    std::string out = "# Serial devices behind the port numbers of the configuration.\n";
    for (int i = 0; i < kSerialPortCount; ++i)
        out += "COM" + std::to_string(i + 1) + "=" + map.devices[static_cast<std::size_t>(i)] + "\n";
    out += "# Loads a DSP program into an EasyDSP in ALEPH position (%p port number, %f program file).\n";
    out += "DOWNLOADER=" + map.downloaderCommand + "\n";
    return out;
}

SerialPortMap loadPortMap(const std::filesystem::path& stationFolder)
{
    std::ifstream in(stationFolder / kPortMapFileName, std::ios::binary);
    if (!in)
        return SerialPortMap::defaults();
    std::ostringstream s;
    s << in.rdbuf();
    return parsePortMap(s.str());
}

bool savePortMap(const std::filesystem::path& stationFolder, const SerialPortMap& map)
{
    std::ofstream out(stationFolder / kPortMapFileName, std::ios::binary | std::ios::trunc);
    out << formatPortMap(map);
    return static_cast<bool>(out.flush());
}

} // namespace tellur::signal
