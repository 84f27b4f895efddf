#include "sstv/sstv_station.h"

#include "core/config_file.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace tellur::sstv {

SstvStationSettings sstvStationSettings(const StationConfig& config, const fs::path& stationFolder)
{
    SstvStationSettings s;
    // The SSTV items always come as 0..255 on the soundcard scale, except from the PTC-II.
    s.rx.interfaceType = config.interfaceType() == kInterfacePtcII ? kInterfacePtcII : kInterfaceSoundcard;
    s.rx.dataRate = config.dataRate() > 0 ? config.dataRate() : 7350.0;
    s.rx.repeaterFrequencyHz = config.i32(cfg::kRepeaterFrequency);
    s.rx.repeaterBandwidthHz = config.i32(cfg::kRepeaterBandwidth);
    s.rx.maxMissingSyncs = std::clamp(config.i32(cfg::kSstvMaxMissingSyncs), 10, 40);
    s.rx.savePercentage = std::clamp(config.i32(cfg::kSstvSavePercentage), 10, 80);
    s.rx.qrmMode = config.flag(cfg::kSstvQrmMode);
    s.rx.enhanced = config.u8(cfg::kEnhancedReception) != 0;
    s.catalog.lastReceivedFolder = folderPath(config, StationFolder::SstvLastReceived, stationFolder);
    s.catalog.lastRepeatedFolder = folderPath(config, StationFolder::SstvLastRepeated, stationFolder);
    s.catalog.formatIndex = std::clamp(config.i32(cfg::kSstvPictureFormat), 0, 4);
    s.catalog.maxPictures = std::clamp(config.i32(cfg::kSstvMaxPictures), 15, 999);
    s.commandAfterRx = config.str(cfg::kSstvCommandAfterRx, cfg::kSstvCommandCapacity);
    s.externalProgramsFolder = folderPath(config, StationFolder::ExternalPrograms, stationFolder);
    s.localTime = config.useLocalTime();
    s.dateFormat = config.str(cfg::kDateStampFormat, cfg::kStampFormatCapacity);
    s.timeFormat = config.str(cfg::kTimeStampFormat, cfg::kStampFormatCapacity);
    return s;
}

SstvStation::SstvStation(const SstvStationSettings& settings, SampleRing& ring, LevelHistogram& histogram,
                         EventLog& log, SstvStationSink* sink, std::function<CivilTime()> clock,
                         TextMaskRenderer* text, Catalog::FileRemover remover)
    : m_settings(settings), m_ring(ring), m_log(log), m_sink(sink), m_text(text),
      m_catalog(settings.catalog, log, std::move(remover)),
      m_rx(settings.rx, ring, histogram, this, std::move(clock))
{
}

void SstvStation::endOfInput()
{
    const auto block = static_cast<std::size_t>(m_settings.rx.dataRate / 5);
    const std::vector<std::uint16_t> silence(block, 0);
    for (int i = 0; m_rx.receiving() && i < 60 * 5; ++i) {
        m_ring.append(silence);
        m_rx.tick();
        if (m_settings.rx.qrmMode && i > 45 * 5)
            m_rx.stopPicture();
    }
}

void SstvStation::stampTime()
{
    const auto start = m_rx.pictureStartTime();
    if (!m_settings.timestamp || !m_text || !start)
        return;
    const auto name = kSstvModes[static_cast<std::size_t>(m_rx.receivedMode())].name;
    drawReceivedTimeStamp(m_rx.picture(), *m_text,
                          receivedTimeStampText(*start, m_settings.dateFormat, m_settings.timeFormat,
                                                m_settings.localTime, name));
}

std::optional<fs::path> SstvStation::addToLastReceived()
{
    stampTime();
    const int row = m_rx.receivedMode();
    const auto start = m_rx.pictureStartTime().value_or(CivilTime{});
    auto file = m_catalog.addLastReceived(m_rx.picture(), start, kSstvModes[static_cast<std::size_t>(row)].name);
    if (!file) {
        ++m_failed;
        m_log.error("+++Could not write picture into " + m_settings.catalog.lastReceivedFolder.string());
        if (m_sink)
            m_sink->pictureNotStored(m_settings.catalog.lastReceivedFolder);
        return std::nullopt;
    }
    ++m_stored;
    if (m_sink)
        m_sink->pictureStored(*file, row, m_rx.currentRow());
    if (!m_schedulerEvent && m_sink)
        if (auto cmd = fax::commandAfterReception(m_settings.commandAfterRx, *file, m_settings.externalProgramsFolder))
            m_sink->runCommand(*cmd);
    return file;
}

void SstvStation::modeDisplayChanged(std::int32_t mode)
{
    if (m_sink)
        m_sink->modeDisplayChanged(mode);
}

void SstvStation::syncFrequency(int value)
{
    if (m_sink)
        m_sink->syncFrequency(value);
}

void SstvStation::pictureStarted(int row)
{
    if (m_sink)
        m_sink->pictureStarted(row);
}

void SstvStation::rowsChanged(int first, int end)
{
    if (m_sink)
        m_sink->rowsChanged(first, end);
}

void SstvStation::failbarChanged(int value, int maximum, bool red)
{
    if (m_sink)
        m_sink->failbarChanged(value, maximum, red);
}

void SstvStation::pictureEnded(bool saved, int row, int rows)
{
    if (m_sink)
        m_sink->pictureEnded(saved, row, rows);
    if (saved)
        addToLastReceived();
}

void drawReceivedTimeStamp(storage::RgbPicture& picture, TextMaskRenderer& text, std::string_view stamp)
{
    FontSpec font;
    font.family = "arial";
    font.pointSize = 16;
    font.bold = true;
    const TextMask mask = text.render(stamp, font);
    const int left = 5, top = picture.height() - 20;
    for (int pass = 0; pass < 2; ++pass) {
        const int shift = pass == 0 ? 1 : 0;
        const std::uint32_t colour = pass == 0 ? 0u : storage::rgb(255, 255, 255);
        for (int y = 0; y < mask.height; ++y)
            for (int x = 0; x < mask.width; ++x)
                if (mask.at(x, y) >= 128)
                    picture.setPixel(left + x + shift, top + y + shift, colour);
    }
}

} // namespace tellur::sstv
