#include "fax/fax_station.h"

#include "core/config_file.h"
#include "fax/fax_assembly.h"
#include "fax/fax_header.h"
#include "fax/movie_tools.h"
#include "fax/palette_file.h"

#include <algorithm>

namespace tellur::fax {

FaxStation::FaxStation(SampleRing& ring, LevelHistogram& histogram, const StationConfig& config,
                       std::filesystem::path stationFolder, const WallClock& clock, EventLog& log,
                       FaxStationSink& sink, FaxStationServices services)
    : m_ring(ring), m_config(config), m_folder(std::move(stationFolder)), m_clock(clock), m_sink(sink),
      m_services(services), m_rx(ring, histogram, *this, log, &sink)
{
}

FaxStation::~FaxStation()
{
    m_save.wait();
}

FaxReceiverSettings FaxStation::receiverSettings(const StationConfig& config, const std::filesystem::path& stationFolder,
                                                 const FaxInput& input)
{
    FaxReceiverSettings s;
    s.dataRate = config.f64(cfg::kDataRate);
    if (!(s.dataRate > 0.0))
        s.dataRate = 7350.0;
    s.soundcard = input.soundcard;
    s.ptc = input.ptc;
    s.fourteenBit = input.fourteenBit;
    s.autoLpm = input.autoLpm.value_or(config.flag(cfg::kFaxAutoLpm));
    s.squelchThreshold = config.u8(cfg::kFaxSquelchThreshold);
    s.autoSave = input.saveEveryPicture || config.flag(cfg::kFaxAutoSave);
    s.autoPrint = config.flag(cfg::kFaxAutoPrint);
    s.synchronizeTime = input.synchronizeClock && config.flag(cfg::kFaxSynchronizeTime);
    s.synchronizeOffset = config.i32(cfg::kFaxSyncOffset);
    for (int i = 0; i < cfg::kMovieFormatCount; ++i) {
        const std::string code = trimmed(
            config.str(cfg::kMovieFormats + std::size_t(i) * cfg::kMovieFormatSize, cfg::kMovieFormatCapacity));
        if (!code.empty())
            s.movieFormats.push_back(code);
    }
    s.masksFolder = folderPath(config, StationFolder::MasksPalettes, stationFolder);
    return s;
}

std::filesystem::path FaxStation::folderOf(StationFolder f) const
{
    return folderPath(m_config, f, m_folder);
}

double FaxStation::stationTime()
{
    return stationTimeDays(m_clock, m_config.useLocalTime());
}

void FaxStation::selectMode(const FaxModeRecord& mode, const FaxInput& input)
{
    m_input = input;
    m_rx.selectMode(mode, receiverSettings(m_config, m_folder, input));
}

void FaxStation::applySettings(const FaxInput& input)
{
    m_input = input;
    m_rx.applySettings(receiverSettings(m_config, m_folder, input));
}

void FaxStation::tick()
{
    const auto block = static_cast<std::int32_t>(std::max<std::int64_t>(roundHalfEven(m_rx.sampleRate() / 5.0), 1));
    while (m_ring.available() >= block)
        m_rx.tickUpTo(ringIndex(std::int64_t(m_ring.readIndex()) + block));
    poll();
}

void FaxStation::endOfInput()
{
    m_rx.tick();
    if (m_rx.state() != ReceptionState::Waiting)
        stopButton(true);
    waitForSave();
}

void FaxStation::startButton()
{
    m_rx.startButtonClick();
}

void FaxStation::autoButton()
{
    m_rx.autoButtonClick();
}

bool FaxStation::stopAsksToSave() const
{
    return m_rx.state() != ReceptionState::Waiting && m_rx.lineCount() > 20 &&
           (m_config.flag(cfg::kFaxAutoSave) || m_config.flag(cfg::kFaxAutoPrint));
}

void FaxStation::stopButton(bool save)
{
    if (save && m_rx.state() != ReceptionState::Waiting && m_rx.lineCount() > 20)
        startSaveOf(m_rx.currentPictureInfo(), true);
    m_rx.stopButtonClick(false);
}

bool FaxStation::saveNow()
{
    if (m_rx.lineCount() <= 0 || m_save.running())
        return false;
    startSaveOf(m_rx.currentPictureInfo(), true);
    return true;
}

void FaxStation::clearPicture()
{
    m_rx.clearPicture();
}

void FaxStation::startSave(const FinishedPicture& picture)
{
    startSaveOf(picture, false);
}

void FaxStation::startSaveOf(const FinishedPicture& picture, bool explicitSave)
{
    // One save at a time; the next picture's save waits for the one before.
    waitForSave();
    FaxSaveRequest request = saveRequestFromConfig(m_config, m_rx.mode(), picture, m_folder);
    if (m_pictureFolder)
        request.pictureFolder = *m_pictureFolder;
    request.autoSave = explicitSave || m_input.saveEveryPicture || request.autoSave;
    if (m_saveInline) {
        storage::TDI8Bitmap copy = m_rx.picture();
        finishSave(saveReceivedPicture(request, copy, m_services.text, m_services.printer), picture);
        return;
    }
    m_savePicture = picture;
    m_save.start(std::move(request), m_rx.picture(), m_services.text, m_services.printer);
}

void FaxStation::waitForSave()
{
    m_save.wait();
    poll();
}

void FaxStation::poll()
{
    if (!m_savePicture || m_save.running())
        return;
    auto result = m_save.takeResult();
    const FinishedPicture picture = *m_savePicture;
    m_savePicture.reset();
    if (result)
        finishSave(*result, picture);
}

void FaxStation::finishSave(const FaxSaveResult& result, const FinishedPicture& picture)
{
    m_lastSaved = result.file;
    if (result.written)
        ++m_saved;
    m_sink.saveFinished(result, picture);
    if (!result.written)
        return;
    const auto command = commandAfterReception(
        m_config.str(cfg::kCommandAfterFaxRx, cfg::kCommandAfterFaxRxCapacity), m_lastSaved,
        folderOf(StationFolder::ExternalPrograms));
    if (command && m_services.commands)
        m_sink.commandStarted(*command, m_services.commands->start(*command));
}

bool FaxStation::saveAs(const std::filesystem::path& file)
{
    if (!saveDialogWritable(file))
        return false;
    storage::TDI8Bitmap copy = m_rx.picture();
    copy.jpegQuality = static_cast<std::uint16_t>(m_config.u8(cfg::kJpegQuality));
    const double start = m_rx.pictureStartTime();
    if (m_config.flag(cfg::kFaxTimestamp) && m_services.text && start != 0.0)
        drawStamp(copy, *m_services.text,
                  stampText(start, m_config.str(cfg::kDateStampFormat, cfg::kStampFormatCapacity),
                            m_config.str(cfg::kTimeStampFormat, cfg::kStampFormatCapacity), m_config.useLocalTime()));
    return copy.save(file);
}

void FaxStation::appendToMovie(const std::string& formatCode, const FinishedPicture&)
{
    const auto file = automovieFileForFormat(folderOf(StationFolder::Movies), formatCode);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const bool ok = automovieAppend(m_rx.picture(), file, std::clamp(m_config.i32(cfg::kMovieRate), 1, 20),
                                    std::clamp(m_config.i32(cfg::kMovieResolution), 1, 4),
                                    std::clamp(m_config.i32(cfg::kMaxMoviePictures), 5, 999));
    m_sink.movieAppended(file, ok);
}

bool FaxStation::loadPalette(const std::string& fileName)
{
    const bool fromFile = fax::loadPalette(folderOf(StationFolder::MasksPalettes), fileName, m_palette, &m_rx.picture());
    m_sink.paletteChanged();
    return fromFile;
}

bool FaxStation::loadMask(const std::string& formatCode, const std::string& paletteCode)
{
    const auto masks = folderOf(StationFolder::MasksPalettes);
    const auto file = findMask(masks, formatCode);
    if (file.empty() || !loadPalette(paletteCode + ".psl"))
        return false;
    return m_mask.load(file);
}

void FaxStation::applyMask(std::span<std::uint8_t> line, int lineCount)
{
    if (m_mask.isLoaded())
        m_mask.applyToLine(line, pictureRow(lineCount, m_rx.mode().maxLines, m_rx.mode().bottomToTop != 0),
                           m_config.flag(cfg::kFaxInvertMask));
}

} // namespace tellur::fax
