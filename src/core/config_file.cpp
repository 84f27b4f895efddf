#include "core/config_file.h"

#include "core/durable_file.h"
#include "core/event_log.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace tellur {

namespace {

constexpr std::size_t kFolderCapacity = 255;

std::string withSlashes(std::string s)
{
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

// Text of a folder field as a path string below the station folder, without trailing rules.
std::string absoluteFolderText(std::string text, const fs::path& station)
{
    text = withSlashes(std::move(text));
    if (!text.empty() && text[0] == '.') {
        std::string rest = text.size() >= 2 && text[1] == '/' ? text.substr(2) : text;
        std::string base = station.string();
        if (base.empty() || base.back() != '/')
            base += '/';
        text = base + rest;
    }
    return text;
}

// Reads the file whole, up to one byte more than a record (enough to tell a long file).
bool readFileBytes(const fs::path& file, std::vector<std::uint8_t>& out)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return false;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    out.resize(StationConfig::kSize + 1);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (in.bad())
        return false;
    out.resize(static_cast<std::size_t>(in.gcount()));
    return true;
}

} // namespace

bool decodeConfigRecord(std::span<const std::uint8_t> bytes, StationConfig& out)
{
    if (bytes.size() != StationConfig::kSize)
        return false;
    StationConfig candidate;
    std::copy(bytes.begin(), bytes.end(), candidate.bytes().begin());
    if (!candidate.headerValid())
        return false;
    out = candidate;
    return true;
}

ConfigFileStore::ConfigFileStore(fs::path stationFolder, EventLog& log) : m_station(std::move(stationFolder)), m_log(log)
{
}

std::string ConfigFileStore::reduceName(std::string_view name)
{
    std::string s = withSlashes(std::string(name));
    if (auto slash = s.find_last_of('/'); slash != std::string::npos)
        s = s.substr(slash + 1);
    if (auto dot = s.find('.'); dot != std::string::npos)
        s = s.substr(0, dot);
    return s;
}

fs::path ConfigFileStore::fileFor(std::string_view name) const
{
    std::string n = reduceName(name);
    if (n.empty())
        n = kStandardConfigName;
    return m_station / (n + ".CNJ");
}

bool ConfigFileStore::load(StationConfig& live, std::string_view requested)
{
    std::string name = reduceName(requested);
    if (name.empty())
        name = kStandardConfigName;
    fs::path file = fileFor(name);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        file = standardFile();
        name = kStandardConfigName;
    }
    StationConfig candidate;
    if (!loadConfigFile(file, candidate)) {
        m_log.action("Failure loading configuration " + name);
        return false;
    }
    live = candidate;
    m_name = name;
    // The load's own lines follow the switches of the record being loaded.
    m_log.applyConfig(live);
    if (m_repair)
        for (const auto& field : m_repair(live))
            m_log.action("+++Configuration " + name + ": " + field + " out of range, default used");
    setUpFolders(live);
    for (StationFolder f : {StationFolder::SstvLastReceived, StationFolder::SstvLastRepeated, StationFolder::SstvPictures,
                            StationFolder::Schedules, StationFolder::FaxLastReceived,
                            StationFolder::TextmessagesLastReceived, StationFolder::Demodulators,
                            StationFolder::ExternalPrograms, StationFolder::MasksPalettes, StationFolder::Movies,
                            StationFolder::NavtexDatabase})
        ensureFolder(live, f);
    m_log.action("");
    m_log.action("Configuration " + name + " loaded with success");
    return true;
}

bool ConfigFileStore::save(StationConfig& live, std::string_view requested)
{
    if (saveSuppressed())
        return true;
    std::string name = reduceName(requested);
    if (name.empty())
        name = kStandardConfigName;
    const fs::path file = fileFor(name);
    live.writeHeader();
    // Folders below the station folder are stored relative to it, so a copied station folder
    // writes into itself and not into the original.
    StationConfig stored = live;
    std::string base = m_station.string();
    if (base.empty() || base.back() != '/')
        base += '/';
    for (int i = 0; i < kFolderCount; ++i) {
        const auto f = static_cast<StationFolder>(i);
        const std::string text = withSlashes(live.folder(f));
        if (text.size() > base.size() && text.compare(0, base.size(), base) == 0)
            stored.setFolder(f, "./" + text.substr(base.size()));
    }
    const bool ok = saveConfigFile(file, stored);
    if (!ok) {
        m_log.action("+++Failure saving configuration " + name);
        return false;
    }
    m_name = name;
    m_log.action("Configuration " + name + " saved with success");
    return true;
}

void ConfigFileStore::setUpFolders(StationConfig& config) const
{
    for (int i = 0; i < kFolderCount; ++i) {
        const auto f = static_cast<StationFolder>(i);
        std::string text = absoluteFolderText(config.folder(f), m_station);
        if (text.empty() || text.back() != '/')
            text += '/';
        // A path longer than the field would be cut into another folder: keep the relative form.
        if (text.size() > kFolderCapacity)
            text = withSlashes(config.folder(f));
        config.setFolder(f, text);
    }
}

fs::path folderPath(const StationConfig& config, StationFolder folder, const fs::path& stationFolder)
{
    std::string text = absoluteFolderText(config.folder(folder), stationFolder);
    if (text.empty())
        return stationFolder / kFolderNames[static_cast<std::size_t>(folder)];
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    fs::path p(text);
    return p.is_absolute() ? p : stationFolder / p;
}

fs::path ConfigFileStore::ensureFolder(StationConfig& config, StationFolder folder) const
{
    std::error_code ec;
    fs::path p = folderPath(config, folder, m_station);
    fs::create_directories(p, ec);
    if (!ec && fs::is_directory(p, ec) && !ec)
        return p;
    std::string fallback = m_station.string();
    if (fallback.empty() || fallback.back() != '/')
        fallback += '/';
    fallback += kFolderNames[static_cast<std::size_t>(folder)];
    fallback += '/';
    if (fallback.size() > kFolderCapacity)
        fallback = "./" + std::string(kFolderNames[static_cast<std::size_t>(folder)]) + "/";
    config.setFolder(folder, fallback);
    p = folderPath(config, folder, m_station);
    fs::create_directories(p, ec);
    return p;
}

bool loadConfigFile(const fs::path& file, StationConfig& config)
{
    std::vector<std::uint8_t> bytes;
    return readFileBytes(file, bytes) && decodeConfigRecord(bytes, config);
}

bool saveConfigFile(const fs::path& file, const StationConfig& config)
{
    return writeFileDurably(file, config.bytes());
}

} // namespace tellur
