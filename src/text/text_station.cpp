#include "text/text_station.h"

#include "core/config_file.h"
#include "core/event_log.h"
#include "core/numeric.h"
#include "core/station_config.h"

#include <system_error>

namespace tellur::text {

namespace fs = std::filesystem;

TextStationSettings textStationSettings(const StationConfig& config, const fs::path& stationFolder)
{
    TextStationSettings s;
    const double rate = config.dataRate();
    if (rate > 0)
        s.sampleRateE4 = static_cast<std::int64_t>(roundHalfEven(rate * 10000.0));
    s.ptc = config.interfaceType() == InterfacePtc2;
    s.textFolder = folderPath(config, StationFolder::TextmessagesLastReceived, stationFolder);
    s.databaseFolder = folderPath(config, StationFolder::NavtexDatabase, stationFolder);
    s.fileNameTemplate = config.str(cfg::kFaxFileNameFormat, cfg::kFaxFileNameFormatCapacity);
    return s;
}

std::size_t storedTextRow(const StationConfig& config)
{
    const std::int8_t row = currentRttyModeRow(config);
    return row >= 0 && static_cast<std::size_t>(row) < kRttyModeRows ? static_cast<std::size_t>(row) : 0;
}

std::optional<std::size_t> firstFecRow(const StationConfig& config)
{
    for (std::size_t r = 0; r < kRttyModeRows; ++r)
        if (readRttyModeRow(config, r).type == RttyFec)
            return r;
    return std::nullopt;
}

TextStation::TextStation(TextStationSettings settings, TextStationListener& listener)
    : m_settings(std::move(settings)), m_listener(listener), m_rx(*this, m_settings.sampleRateE4)
{
}

TextStation::~TextStation() = default;

std::string TextStation::open(DayTime now)
{
    std::error_code ec;
    fs::create_directories(m_settings.textFolder, ec);
    std::string error;
    try {
        m_store = std::make_unique<MessageStore>(m_settings.databaseFolder);
    } catch (const std::exception& e) {
        error = e.what();
    }
    m_capture.open(m_settings.textFolder, now);
    return error;
}

void TextStation::applyMode(const RttyModeRecord& row)
{
    m_rx.applyMode(row);
    m_ptc.clearStatus();
    m_ptcWasWaiting = false;
}

void TextStation::decode(const SampleRing& ring, DayTime now)
{
    m_items.clear();
    const std::int32_t write = ring.writeSnapshot();
    for (; m_readIndex != write; m_readIndex = ringIndex(std::int64_t{m_readIndex} + 1))
        m_items.push_back(ring.at(m_readIndex));
    decode(m_items, now);
}

void TextStation::decode(std::span<const std::uint16_t> items, DayTime now)
{
    if (!m_settings.ptc) {
        m_rx.processItems(items, now);
        return;
    }
    m_rx.addDecoded(m_ptc.read(items));
    // The modem reporting that the signal has gone closes the message being read: it is stored.
    const bool waiting = ptcStatusWaiting(m_ptc.status());
    if (waiting && !m_ptcWasWaiting) {
        consume(now);
        m_rx.framing().closeMessage();
    }
    m_ptcWasWaiting = waiting;
}

void TextStation::consume(DayTime now)
{
    const std::string chars = m_rx.consume(now);
    if (chars.empty())
        return;
    m_changed = true;
    m_displayQueue += chars;
}

std::string TextStation::flushDisplay()
{
    std::string shown = m_pane.flush(m_displayQueue);
    m_displayQueue.clear();
    m_capture.write(shown);
    return shown;
}

bool TextStation::running() const
{
    if (m_settings.ptc)
        return !ptcStatusWaiting(m_ptc.status());
    return m_rx.running();
}

bool TextStation::endOfInput()
{
    MessageFraming& framing = m_rx.framing();
    const bool inProgress = framing.state() == 2;
    framing.dropInProgress();
    return inProgress;
}

void TextStation::close(DayTime now, EventLog* log)
{
    m_rx.framing().dropInProgress();
    m_capture.close(now);
    if (m_store && log)
        m_store->packAndLog(*log);
}

void TextStation::storeMessage(const FramedMessage& m)
{
    const bool navtex = m.kind == FramedMessage::Kind::Navtex;
    const int quality = navtex ? messageQuality(joinLines(m.lines)) : 1000;
    bool stored = false;
    const int errorsBefore = m_store ? m_store->storeErrors() : 0;
    if (m_store)
        stored = navtex ? m_store->storeNavtex(m.id, m.start, m.lines) : m_store->storeBulletin(m.id, m.start, m.lines);
    // Without a usable store every message is lost, not only those the database refused.
    if (!m_store || m_store->storeErrors() > errorsBefore)
        ++m_lostMessages;
    m_listener.messageFramed(m, quality, stored);
}

} // namespace tellur::text
