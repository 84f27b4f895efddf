#include "fax/fax_receiver.h"

#include "fax/fax_assembly.h"
#include "fax/fax_header.h"
#include "fax/fax_timing.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace tellur::fax {

namespace {

constexpr std::int64_t kRingE4 = std::int64_t(kRingSize) * 10000;
constexpr std::int64_t kSumLimit = 2147443647;
constexpr int kPhasingTimeoutMs = 60000;

std::string upper(std::string s)
{
    for (auto& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

int countAbove(const std::array<std::int32_t, 10>& h, std::int32_t threshold)
{
    return static_cast<int>(std::count_if(h.begin(), h.end(), [threshold](std::int32_t v) { return v > threshold; }));
}

} // namespace

std::string_view receptionStatusText(ReceptionState s)
{
    switch (s) {
    case ReceptionState::Waiting: return " waiting";
    case ReceptionState::WaitPhase: return " wait for phase";
    case ReceptionState::Phasing: return " phasing";
    case ReceptionState::WaitPhaseEnd: return " wait for phase end";
    case ReceptionState::CheckHeader: return " check header";
    case ReceptionState::Running: return " running";
    }
    return {};
}

std::uint32_t receptionStatusColour(ReceptionState s)
{
    switch (s) {
    case ReceptionState::Waiting: return 255;
    case ReceptionState::WaitPhase:
    case ReceptionState::Phasing:
    case ReceptionState::WaitPhaseEnd: return 128;
    case ReceptionState::CheckHeader: return 0xFF0000;
    case ReceptionState::Running: return 0x8000;
    }
    return 0;
}

FaxReceiver::FaxReceiver(SampleRing& ring, LevelHistogram& histogram, FaxReceiverHost& host, EventLog& log,
                         FaxDisplaySink* display)
    : m_ring(ring), m_histogram(histogram), m_host(host), m_display(display ? *display : host), m_log(log),
      m_mode(kDefaultFaxModes[0])
{
    m_tables.fillTransmitTable(false);
    selectMode(m_mode, m_settings);
}

GreyLevelInput FaxReceiver::levelInput() const
{
    return {.demodulator = m_mode.demodulator,
            .fourteenBit = m_settings.fourteenBit,
            .blackOffset = m_mode.blackOffset,
            .bitDepth = m_mode.bitDepth};
}

void FaxReceiver::setLevels(std::int32_t black, std::int32_t white)
{
    m_tables.setLevels(black, white, levelInput());
    m_display.levelsChanged(m_tables.black8(), m_tables.white8());
}

void FaxReceiver::applySettings(const FaxReceiverSettings& settings)
{
    m_settings = settings;
}

void FaxReceiver::recomputeTiming()
{
    m_sampleRate = ringSampleRate(m_settings.dataRate, m_settings.soundcard, m_mode.demodulator);
    if (!(m_sampleRate > 0.0))
        m_sampleRate = 7350.0;
    m_evaluationInterval = static_cast<std::int32_t>(roundHalfEven(m_sampleRate / 10.0));
    const std::int32_t lpm = m_lpm > 0 ? m_lpm : 120;
    m_samplesPerLine = m_sampleRate / (lpm / 60.0);
    m_samplesPerPixel = m_samplesPerLine / std::max<std::int32_t>(m_mode.pixelsPerLine, 1);
}

int FaxReceiver::ioc() const
{
    return indexOfCooperation(m_mode.pixelsPerLine, m_iocHalving);
}

void FaxReceiver::selectMode(const FaxModeRecord& mode, const FaxReceiverSettings& settings)
{
    m_mode = mode;
    m_settings = settings;
    m_tables.fillTransmitTable(settings.ptc);
    m_lpm = mode.lpm;
    recomputeTiming();
    m_display.lpmChanged(m_lpm);
    m_display.iocChanged(ioc());
    m_pattern = mode.phaseMode == PhaseInverted ? 0x0000FFFFu : 0xFFFF0000u;
    m_shift = 0;
    m_candidates.clear();
    m_lineCount = 0;
    m_headerText.clear();
    const int width = std::max<std::int32_t>(mode.pixelsToShow, 1);
    const int height = std::max<std::int32_t>(mode.maxLines, 1);
    if (m_picture.width() != width || m_picture.fullHeight() != height)
        m_picture.resize(width, height);
    m_line.assign(static_cast<std::size_t>(std::max(width, 2504)), 0);

    const auto rate = static_cast<std::int32_t>(roundHalfEven(m_sampleRate));
    m_start = std::make_unique<TFilter>(mode.startHz, mode.startLength, rate);
    m_altStart = mode.altStartHz != 0 ? std::make_unique<TFilter>(mode.altStartHz, mode.altStartLength, rate) : nullptr;
    m_stop = mode.startStopMode == StartStopTone ? std::make_unique<TFilter>(mode.stopHz, mode.stopLength, rate)
                                                 : nullptr;
    clearHistories();
    m_historyIndex = 0;
    m_evaluationCounter = 0;

    // Abort whatever ran, as Stop does, and wait automatically.
    m_timer2Ms = 0;
    m_event = 0;
    m_host.releaseMask();
    resetAgc();
    m_iocHalving = false;
    m_state = ReceptionState::Waiting;
    m_formatCode.clear();
    m_automovie = false;
    m_shiftingAllowed = false;
    m_sqQuiet = m_sqNoisy = 0;
    m_button = FaxButton::Auto;
    m_display.slantButtonEnabled(true);
    m_display.shiftingAllowedChanged(false);
    showStatus();
    m_host.loadPalette(m_mode.palette.str() + ".pal");
    setLevels(0, 0);
}

void FaxReceiver::clearHistories()
{
    m_startHistory.fill(0);
    m_altHistory.fill(0);
    m_stopHistory.fill(0);
    m_startPhase = 0;
}

void FaxReceiver::resetAgc()
{
    m_darkSum = m_darkCount = m_brightSum = m_brightCount = 0;
}

void FaxReceiver::showStatus()
{
    m_display.stateChanged(m_state);
}

std::int64_t FaxReceiver::elapsedE4() const
{
    auto e = roundHalfEven((double(m_ring.readIndex()) - m_lineStart) * 10000.0);
    if (e < 0)
        e += kRingE4;
    return e;
}

void FaxReceiver::tickUpTo(std::int32_t end, int elapsedMs)
{
    processItems(end);
    if (!m_display.slantMeasuring() && !m_host.saveRunning())
        stepStateMachine();
    if (m_timer2Ms > 0) {
        m_timer2Ms -= elapsedMs;
        if (m_timer2Ms <= 0)
            timer2Timer();
    }
}

void FaxReceiver::processItems(std::int32_t end)
{
    std::int32_t pos = m_ring.readIndex();
    const bool fourteen = m_settings.fourteenBit;
    const bool tone = m_mode.startStopMode == StartStopTone;
    const bool burst = m_mode.phaseMode == PhaseToneBurst;
    const auto quarterLine = m_samplesPerLine / 4.0;
    while (pos != end) {
        const std::uint16_t raw = m_ring.at(pos);
        const std::uint8_t g = m_tables.grey(raw);
        const std::uint8_t flag = g & 0x80;
        m_ring.countLevel(m_histogram, raw, fourteen);
        if (m_button == FaxButton::Auto) {
            m_start->feed(g);
            if (m_altStart)
                m_altStart->feed(g);
            if (m_stop)
                m_stop->feed(g);
            // Tone evaluation and the start event refer to the item being processed.
            m_ring.setReadIndex(pos);
            if (tone) {
                if (++m_evaluationCounter > m_evaluationInterval) {
                    m_evaluationCounter = 0;
                    toneEvaluation();
                }
            } else {
                squelchStep(flag);
            }
            if (m_state == ReceptionState::Phasing) {
                if (!m_candidates.empty() && m_candidates.front() == pos)
                    m_candidates.pop_front();
                if (burst) {
                    if (m_start->energy() > m_mode.startThreshold && m_burstSpacing > quarterLine) {
                        m_candidates.push_back(pos);
                        m_burstSpacing = 0;
                    }
                    ++m_burstSpacing;
                } else {
                    // 14-bit items keep their full value: the AGC levels are raw item levels.
                    const std::int64_t item = fourteen ? (raw & 0x3FFF) : (raw & 0xFF);
                    if (g > 127) {
                        if (m_brightSum < kSumLimit) {
                            m_brightSum += item;
                            ++m_brightCount;
                        }
                    } else if (m_darkSum < kSumLimit) {
                        m_darkSum += item;
                        ++m_darkCount;
                    }
                    m_shift = (m_shift << 1) | (flag >> 7);
                    if (m_shift == m_pattern)
                        m_candidates.push_back(pos);
                }
            }
        }
        pos = ringIndex(pos + 1);
    }
    m_ring.setReadIndex(pos);
}

void FaxReceiver::toneEvaluation()
{
    const int idx = m_historyIndex;
    if (m_state == ReceptionState::Waiting) {
        m_startHistory[static_cast<std::size_t>(idx)] = m_start->readPeak();
        if (m_altStart)
            m_altHistory[static_cast<std::size_t>(idx)] = m_altStart->readPeak();
        switch (m_startPhase) {
        case 0: {
            const int a = countAbove(m_startHistory, m_mode.startThreshold);
            const int b = countAbove(m_altHistory, m_mode.altStartThreshold);
            if (a > 5)
                m_startPhase = 1;
            if (b > 5)
                m_startPhase = 2;
            break;
        }
        case 1: {
            const int a = m_mode.startThreshold > 0 ? countAbove(m_startHistory, m_mode.startThreshold) : 0;
            if (a < 2) {
                m_event = 1;
                m_lineStart = m_ring.readIndex();
            }
            break;
        }
        case 2: {
            const int a = m_mode.altStartThreshold > 0 ? countAbove(m_altHistory, m_mode.altStartThreshold) : 0;
            if (a < 2) {
                m_event = 2;
                m_lineStart = m_ring.readIndex();
            }
            break;
        }
        default: break;
        }
    } else if (!(m_host.scheduleEventRunning() && m_host.scheduleAptOff())) {
        if (m_state == ReceptionState::Running && m_stop) {
            m_stopHistory[static_cast<std::size_t>(idx)] = m_stop->readPeak();
            if (m_mode.stopThreshold > 0 && countAbove(m_stopHistory, m_mode.stopThreshold) > 5)
                m_event = 3;
        }
    }
    m_historyIndex = (m_historyIndex + 1) % 10;
}

void FaxReceiver::squelchStep(std::uint8_t flag)
{
    m_sqTransitions += std::abs(int(flag) - m_sqPrevFlag);
    ++m_sqCount;
    m_sqPrevFlag = flag;
    if (m_sqCount <= m_sampleRate)
        return;
    std::int32_t raw = (m_sqTransitions * 2) / m_sqCount;
    if (raw < 1)
        raw = 255;
    const std::int32_t value = (raw + m_sqPrevRaw) / 2;
    m_sqPrevRaw = raw;
    m_display.squelchValue(value);
    if (value >= m_settings.squelchThreshold) {
        ++m_sqNoisy;
        if (m_sqQuiet > 0)
            --m_sqQuiet;
    } else {
        ++m_sqQuiet;
        if (m_sqNoisy > 0)
            --m_sqNoisy;
    }
    if (m_state == ReceptionState::Waiting && m_sqQuiet > 3) {
        m_event = 1;
        m_sqQuiet = m_sqNoisy = 0;
    }
    if (!(m_host.scheduleEventRunning() && m_host.scheduleAptOff()) && m_state != ReceptionState::Waiting &&
        m_sqNoisy > 30) {
        m_event = 3;
        m_sqQuiet = m_sqNoisy = 0;
    }
    m_sqTransitions = m_sqCount = m_sqPrevFlag = 0;
}

void FaxReceiver::stepStateMachine()
{
    switch (m_state) {
    case ReceptionState::Waiting:
        if (m_event == 1 || m_event == 2) {
            clearHistories();
            m_iocHalving = m_event == 2;
            m_display.iocChanged(ioc());
            m_state = ReceptionState::WaitPhase;
            m_formatCode.clear();
            m_display.slantButtonEnabled(false);
            m_event = 0;
            showStatus();
            m_candidates.clear();
            m_display.scrollToStartEdge();
        }
        break;
    case ReceptionState::WaitPhase:
        if (m_mode.phaseMode == PhaseNone) {
            m_button = FaxButton::Auto;
            beginRunning();
        } else {
            m_burstSpacing = 0;
            resetAgc();
            m_candidates.clear();
            m_state = ReceptionState::Phasing;
            m_display.slantButtonEnabled(false);
            if (m_host.scheduleEventRunning())
                m_host.schedulePhasingStarted();
            m_timer2Ms = kPhasingTimeoutMs;
            showStatus();
            m_sqQuiet = m_sqNoisy = 0;
            m_display.scrollToStartEdge();
        }
        break;
    case ReceptionState::Phasing:
        if (m_mode.phaseMode == PhaseToneBurst)
            statePhasingToneBurst();
        else
            statePhasingPulses();
        break;
    case ReceptionState::WaitPhaseEnd: stateWaitPhaseEnd(); break;
    case ReceptionState::CheckHeader: stateCheckHeader(); break;
    case ReceptionState::Running: stateRunning(); break;
    }
}

void FaxReceiver::statePhasingToneBurst()
{
    const std::size_t n = m_candidates.size();
    if (n < 3)
        return;
    const std::int32_t c1 = m_candidates[n - 1], c2 = m_candidates[n - 2], c3 = m_candidates[n - 3];
    const std::int32_t d1 = ringIndex(std::int64_t(c1) - c2);
    const std::int32_t d2 = ringIndex(std::int64_t(c2) - c3);
    if (std::abs(d1 - d2) >= 30 || std::fabs(m_samplesPerLine - d2) >= 30)
        return;
    std::array<std::int32_t, 256> bins{};
    const std::int32_t end = ringIndex(std::int64_t(c1) + m_mode.pixelsPerLine);
    for (std::int32_t i = m_candidates.front(); i != end; i = ringIndex(i + 1))
        ++bins[m_tables.grey(m_ring.at(i))];
    std::int32_t black = 63, white = 192;
    for (int b = 2; b <= 63; ++b)
        if (bins[static_cast<std::size_t>(b)] >= 5) {
            black = b;
            break;
        }
    for (int w = 253; w >= 192; --w)
        if (bins[static_cast<std::size_t>(w)] >= 5) {
            white = w;
            break;
        }
    if (m_settings.fourteenBit) {
        black *= 64;
        white *= 64;
    }
    if (m_mode.agc)
        setLevels(black, white);
    resetAgc();
    m_lineStart = c1;
    clearPicture();
    beginRunning();
    m_timer2Ms = 0;
    m_candidates.clear();
}

void FaxReceiver::statePhasingPulses()
{
    const std::size_t n = m_candidates.size();
    if (n < 3)
        return;
    const std::int32_t cl = m_candidates[n - 1];
    const std::int32_t m = ringIndex(std::int64_t(cl) - m_candidates[n - 2]);
    if (m <= 0)
        return;
    std::int32_t last = cl;
    std::int64_t sumG = 0, sumK = 0;
    for (std::size_t j = n - 1; j-- > 0;) {
        const std::int32_t ci = m_candidates[j];
        const std::int32_t gap = ringIndex(std::int64_t(cl) - ci);
        if (phasingDist(gap, m) < 20 && phasingRatio(ringIndex(std::int64_t(last) - ci), m) < 30) {
            sumG += gap;
            sumK += phasingRatio(gap, m);
            last = ci;
        }
    }
    if (sumK <= 3)
        return;
    const auto average = static_cast<std::int32_t>(sumG / sumK);
    std::int32_t lpm = m_lpm;
    if (m_settings.autoLpm)
        lpm = automaticLpm(m_sampleRate, average);
    if (!isAcceptedLpm(lpm))
        return;
    m_lpm = lpm;
    m_display.lpmChanged(m_lpm);
    recomputeTiming();

    const auto mp = static_cast<std::int32_t>(roundHalfEven(m_samplesPerLine));
    std::int64_t d = 0, count = 0;
    for (std::size_t j = n - 1; j-- > 0;) {
        const std::int32_t e = ringIndex(std::int64_t(cl) - m_candidates[j]);
        const std::int32_t u = phasingRatio(e, mp);
        if (phasingDist(e, u * mp) < 20) {
            d += std::int64_t(u) * mp - e;
            ++count;
        }
    }
    const std::int32_t v = count > 1 ? ringIndex(cl + d / count) : cl;
    m_display.scrollToStartEdge();
    if (m_mode.agc) {
        // A class without items has no level; 0 selects the mode's default for it.
        setLevels(m_darkCount > 0 ? static_cast<std::int32_t>(m_darkSum / m_darkCount) : 0,
                  m_brightCount > 0 ? static_cast<std::int32_t>(m_brightSum / m_brightCount) : 0);
    }
    resetAgc();
    m_lineStart = ringIndex(v - 18);
    m_timer2Ms = 0;
    m_state = ReceptionState::WaitPhaseEnd;
    m_display.slantButtonEnabled(false);
    m_candidates.clear();
    showStatus();
}

void FaxReceiver::stateWaitPhaseEnd()
{
    if (elapsedE4() <= roundHalfEven(m_samplesPerLine * 10000.0))
        return;
    const double v = std::trunc(m_lineStart);
    m_lineStart = ringPosition(m_lineStart + m_samplesPerLine);
    const std::int64_t from = roundHalfEven(v + m_samplesPerLine / 4.0);
    const std::int64_t count = roundHalfEven(m_samplesPerLine / 8.0);
    const auto* q = m_tables.quantisedTable().data();
    std::int64_t sum = 0;
    int rises = 0;
    bool prev = count > 0 && (q[m_ring.at(from) & 0x3FFF] & 0x80) != 0;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint8_t g = q[m_ring.at(from + i) & 0x3FFF];
        const bool set = (g & 0x80) != 0;
        if (set && !prev)
            ++rises;
        prev = set;
        sum += g;
    }
    const auto avg = roundHalfEven(double(sum) / (m_samplesPerLine / 8.0));
    const bool ended = (avg > 127 && m_mode.phaseMode == PhaseNormal) ||
                       (avg < 127 && m_mode.phaseMode == PhaseInverted) || rises > 10;
    if (!ended)
        return;
    m_lineStart = v;
    m_display.scrollToStartEdge();
    clearPicture();
    m_state = ReceptionState::CheckHeader;
    m_display.slantButtonEnabled(false);
    showStatus();
    m_host.loadPalette(m_mode.palette.str() + ".pal");
}

void FaxReceiver::stateCheckHeader()
{
    const std::string palette = upper(trimmed(m_mode.palette.view()));
    const bool digital = palette.size() >= 3 && palette.compare(palette.size() - 3, 3, "SCH") == 0;
    if (palette != "AUTOMATIC" && !digital) {
        beginRunning();
        return;
    }
    if (elapsedE4() <= roundHalfEven(2.0 * m_samplesPerLine * 10000.0))
        return;
    const std::string text =
        digital ? readDigitalHeader(m_ring, m_tables.quantisedTable().data(), m_lineStart, m_samplesPerLine,
                                    m_samplesPerPixel, m_log)
                : readScheduleIdentification(m_settings.masksFolder, m_mode.palette.view(), m_host.stationTime());
    if (!text.empty()) {
        const HeaderFields f = digital ? splitDigitalHeader(text) : splitScheduleIdentification(text);
        m_headerText = headerDisplayText(f, digital);
        m_formatCode = f.formatCode;
        m_paletteCode = f.paletteCode;
        m_headerDate = f.date;
        m_headerTime = f.time;
        m_display.headerTextChanged(m_headerText);
        m_host.loadMask(m_formatCode, m_paletteCode);
        m_lineStart = ringPosition(m_lineStart + 2.0 * m_samplesPerLine);
        const std::string code = trimmed(m_formatCode);
        if (std::find(m_settings.movieFormats.begin(), m_settings.movieFormats.end(), code) !=
            m_settings.movieFormats.end()) {
            m_automovie = true;
            m_display.automovieChanged(true, code);
        }
        if (m_settings.synchronizeTime)
            m_host.setClock(synchronisedClock(m_host.stationTime(), m_settings.synchronizeOffset));
    }
    beginRunning();
}

void FaxReceiver::beginRunning()
{
    m_state = ReceptionState::Running;
    m_pictureStartTime = m_host.stationTime();
    m_display.slantButtonEnabled(false);
    m_pictureStartE4 = roundHalfEven(m_lineStart * 10000.0);
    m_shiftingAllowed = true;
    m_display.shiftingAllowedChanged(true);
    m_display.scrollToStartEdge();
    showStatus();
}

void FaxReceiver::stateRunning()
{
    for (int rendered = 0; rendered < 10; ++rendered) {
        if (double(elapsedE4()) < m_samplesPerLine * 10000.0)
            return;
        renderLine();
        m_lineStart = ringPosition(m_lineStart + m_samplesPerLine);
        if (m_lineCount >= m_mode.maxLines || m_event == 3) {
            endPicture();
            return;
        }
    }
}

void FaxReceiver::renderLine()
{
    const LineGeometry g{m_samplesPerPixel, m_mode.firstPixel, m_mode.pixelsToShow, m_mode.rightToLeft != 0};
    const std::span<std::uint8_t> line(m_line.data(), static_cast<std::size_t>(std::max<std::int32_t>(m_mode.pixelsToShow, 0)));
    renderLineItems(m_ring, m_tables.quantisedTable().data(), m_lineStart, g, line);
    m_host.applyMask(line, m_lineCount);
    for (int rep = 0; rep <= (m_iocHalving ? 1 : 0); ++rep) {
        const int row = pictureRow(m_lineCount, m_mode.maxLines, m_mode.bottomToTop != 0);
        m_picture.storeRow(row, line);
        m_display.rowStored(row, m_lineCount);
        ++m_lineCount;
    }
    if ((m_mode.firstPixel != 0 || m_mode.pixelsToShow != m_mode.pixelsPerLine) && m_shiftingAllowed &&
        !shiftStillPossible(m_lineStart, m_pictureStartE4)) {
        m_shiftingAllowed = false;
        m_display.shiftingAllowedChanged(false);
    }
}

FinishedPicture FaxReceiver::currentPictureInfo() const
{
    return {m_lineCount, m_pictureStartTime, m_headerText, m_formatCode, m_headerDate, m_headerTime};
}

void FaxReceiver::endPicture()
{
    // Taken before a continuous reception restarts the clock, so the file is named after this picture.
    const FinishedPicture info = currentPictureInfo();
    clearHistories();
    m_event = 0;
    if (m_button == FaxButton::Auto) {
        m_state = ReceptionState::Waiting;
        m_display.slantButtonEnabled(true);
        m_shiftingAllowed = false;
        m_display.shiftingAllowedChanged(false);
    } else if (m_button == FaxButton::Start) {
        beginRunning();
    }
    if (m_host.scheduleEventRunning()) {
        m_host.schedulePictureEnded(info);
        m_host.scheduleEnd();
    } else if (info.lines > 20) {
        const std::string code = trimmed(info.formatCode);
        if (!code.empty() && std::find(m_settings.movieFormats.begin(), m_settings.movieFormats.end(), code) !=
                                 m_settings.movieFormats.end())
            m_host.appendToMovie(code, info);
        if (m_settings.autoPrint || m_settings.autoSave)
            m_host.startSave(info);
    }
    if (m_automovie)
        m_display.automovieChanged(false, {});
    m_automovie = false;
    m_formatCode.clear();
    m_lineCount = 0;
    showStatus();
    setLevels(0, 0);
    resetAgc();
    if (m_button == FaxButton::Auto) {
        m_iocHalving = false;
        m_sqQuiet = m_sqNoisy = 0;
        m_display.iocChanged(ioc());
    }
}

void FaxReceiver::clearPicture()
{
    m_picture.clear();
    m_lineCount = 0;
    m_headerText.clear();
    m_host.releaseMask();
    m_display.pictureCleared();
    m_display.headerTextChanged(m_headerText);
}

void FaxReceiver::startButtonClick()
{
    m_button = FaxButton::Start;
    m_timer2Ms = 0;
    if (m_state == ReceptionState::Waiting || m_state == ReceptionState::Phasing) {
        m_event = 0;
        clearPicture();
        m_lineStart = m_ring.readIndex();
        m_host.loadPalette(m_mode.palette.str() + ".pal");
        setLevels(0, 0);
        if (m_automovie)
            m_display.automovieChanged(false, {});
        m_automovie = false;
        m_formatCode.clear();
        resetAgc();
        beginRunning();
        m_button = FaxButton::Auto;
    }
}

void FaxReceiver::autoButtonClick()
{
    m_button = FaxButton::Auto;
    m_timer2Ms = 0;
    if (m_state != ReceptionState::Waiting)
        beginRunning();
    m_event = 0;
    resetAgc();
    showStatus();
}

void FaxReceiver::stopButtonClick(bool saveAnswer)
{
    m_button = FaxButton::Stop;
    if (m_state == ReceptionState::Waiting)
        return;
    m_timer2Ms = 0;
    m_event = 0;
    if (m_lineCount > 20 && (m_settings.autoPrint || m_settings.autoSave) && saveAnswer)
        m_host.startSave(currentPictureInfo());
    m_host.releaseMask();
    setLevels(0, 0);
    resetAgc();
    m_iocHalving = false;
    m_state = ReceptionState::Waiting;
    m_formatCode.clear();
    if (m_automovie)
        m_display.automovieChanged(false, {});
    m_automovie = false;
    m_display.slantButtonEnabled(true);
    m_shiftingAllowed = false;
    m_display.shiftingAllowedChanged(false);
    showStatus();
    m_button = FaxButton::Auto;
}

void FaxReceiver::timer2Timer()
{
    m_timer2Ms = 0;
    m_state = ReceptionState::Waiting;
    m_display.slantButtonEnabled(true);
    if (m_host.scheduleEventRunning())
        m_host.scheduleEnd();
    m_shiftingAllowed = false;
    m_display.shiftingAllowedChanged(false);
    m_button = FaxButton::Auto;
    showStatus();
}

void FaxReceiver::setLpm(std::int32_t lpm, bool resetState)
{
    m_lpm = lpm;
    m_display.lpmChanged(m_lpm);
    if (resetState) {
        m_state = ReceptionState::Waiting;
        m_candidates.clear();
        showStatus();
    }
    recomputeTiming();
}

void FaxReceiver::stepLpm(bool up)
{
    const auto it = std::find(kLpmSteps.begin(), kLpmSteps.end(), m_lpm);
    const int n = static_cast<int>(kLpmSteps.size());
    const int pos = it == kLpmSteps.end() ? 0 : static_cast<int>(it - kLpmSteps.begin());
    const int next = (pos + (up ? 1 : n - 1)) % n;
    setLpm(kLpmSteps[static_cast<std::size_t>(next)], true);
}

void FaxReceiver::setIocHalving(bool halved)
{
    m_iocHalving = halved;
    m_display.iocChanged(ioc());
}

void FaxReceiver::shiftPicture(int column)
{
    if (!m_shiftingAllowed)
        return;
    const bool rtl = m_mode.rightToLeft != 0;
    if (m_mode.firstPixel == 0 && m_mode.pixelsToShow == m_mode.pixelsPerLine) {
        m_lineStart = shiftedLineStart(m_lineStart, column, m_mode.pixelsPerLine, m_samplesPerPixel, rtl);
        m_picture.rotateRowsLeft(0, column);
    } else {
        m_pictureStartE4 =
            shiftedPictureStartE4(m_pictureStartE4, column, m_mode.pixelsPerLine, m_samplesPerPixel, rtl);
        m_lineStart = double(m_pictureStartE4) / 10000.0;
        m_lineCount = 0;
    }
}

} // namespace tellur::fax
