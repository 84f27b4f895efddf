#include "core/file_event_log.h"

#include "core/station_config.h"
#include "core/station_time.h"

#include <cstdio>
#include <string>
#include <system_error>

namespace tellur {

FileEventLog::FileEventLog(std::filesystem::path stationFolder, const WallClock& clock)
    : m_folder(std::move(stationFolder) / "Logfiles"), m_clock(clock)
{
}

void FileEventLog::applyConfig(const StationConfig& config)
{
    m_actionOn.store(config.createEventLog());
    m_satOn.store(config.logSatHeaders());
    m_localTime.store(config.useLocalTime());
}

void FileEventLog::action(std::string_view text)
{
    if (m_actionOn.load())
        append(kActionFile, text);
}

void FileEventLog::forcedAction(std::string_view text)
{
    append(kActionFile, text);
}

void FileEventLog::error(std::string_view text)
{
    append(kErrorFile, text);
}

void FileEventLog::satellite(std::string_view text)
{
    if (m_satOn.load())
        append(kSatFile, text);
}

void FileEventLog::repeater(std::string_view text)
{
    append(kRepeaterFile, text);
}

void FileEventLog::append(const char* file, std::string_view text)
{
    // The label reads "UTC" also when the station runs on local time.
    std::string line;
    if (!text.empty()) {
        line = logTimeText(dateTimeFromMillis(stationTimeMillis(m_clock, m_localTime.load())));
        line += " UTC:  ";
        line += text;
    }
    line += "\r\n";
    try {
        std::lock_guard lock(m_mutex);
        std::error_code ec;
        std::filesystem::create_directories(m_folder, ec);
        std::FILE* f = std::fopen((m_folder / file).c_str(), "ab");
        if (!f)
            return;
        // One write of the whole line through an O_APPEND descriptor: other processes logging to
        // the same file (the GUI and the command-line tool) cannot split it either.
        std::setvbuf(f, nullptr, _IOFBF, line.size() + 1);
        std::fwrite(line.data(), 1, line.size(), f);
        std::fclose(f);
    } catch (...) {
        // A log entry never raises an error.
    }
}

} // namespace tellur
