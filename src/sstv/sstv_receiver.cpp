#include "sstv/sstv_receiver.h"

#include "core/numeric.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tellur::sstv {

namespace {

// Integer division rounded half up, for non-negative numerators and positive divisors.
std::int64_t divRoundUp(std::int64_t x, std::int64_t p)
{
    return p <= 0 ? 0 : (2 * x + p) / (2 * p);
}

std::int32_t items(double seconds, double rate)
{
    return static_cast<std::int32_t>(roundHalfEven(rate * seconds));
}

} // namespace

SstvReceiver::SstvReceiver(const SstvRxSettings& settings, SampleRing& ring, LevelHistogram& histogram,
                           SstvReceiverSink* sink, std::function<CivilTime()> clock)
    : m_settings(settings), m_ring(ring), m_histogram(histogram), m_sink(sink), m_clock(std::move(clock))
{
    if (m_settings.interfaceType == 1) { // PTC-II
        m_lo = 1100;
        m_hi = 2700;
    }
    for (int v = 0; v < 256; ++v) {
        double q = double(roundHalfEven(m_lo + (m_hi - m_lo) * v / 255.0));
        m_brightness[static_cast<std::size_t>(v)] =
            static_cast<std::uint8_t>(std::clamp<std::int64_t>(roundHalfEven((q - 1500.0) / 800.0 * 255.0), 0, 255));
        const auto x = static_cast<std::size_t>(v);
        m_crRed[x] = static_cast<int>(roundHalfEven((v - 128) * 1.402));
        m_cbGreen[x] = static_cast<int>(roundHalfEven((v - 128) * 0.34414));
        m_crGreen[x] = static_cast<int>(roundHalfEven((v - 128) * 0.71414));
        m_cbBlue[x] = static_cast<int>(roundHalfEven((v - 128) * 1.772));
    }
    m_lowSync = level(1050);
    m_highSync = level(1450);
    m_blackLevel = level(1500);
    m_toneLow = level(settings.repeaterFrequencyHz - settings.repeaterBandwidthHz);
    m_toneHigh = level(settings.repeaterFrequencyHz + settings.repeaterBandwidthHz);
    const double r = settings.dataRate;
    m_c.ms5 = items(0.005, r);
    m_c.ms2 = items(0.005 * 0.4, r);
    m_c.ms50 = items(0.05, r);
    m_c.ms30 = items(0.03, r);
    m_c.ms3_75 = items(0.00375, r);
    m_c.ms1_25 = items(0.00125, r);
    m_c.window = std::max<std::int32_t>(static_cast<std::int32_t>(roundHalfEven(r * 24.0) / 9600), 1);
    m_c.itemsPerMs = static_cast<float>(r / 1000.0);
    m_scaled = scaleAllTimings(m_c.itemsPerMs);
    reset();
}

int SstvReceiver::level(int hz) const
{
    return static_cast<int>(roundHalfEven(std::max(hz - m_lo, 0) * 256.0 / (m_hi - m_lo)));
}

void SstvReceiver::reset()
{
    m_ring.reset(m_settings.dataRate, m_histogram);
    m_runningSum = 0;
    m_trailing = ringIndex(std::int64_t(kRingSize) - m_c.window);
    m_state = DetectorState::Idle;
    m_run = m_avgCounter = m_avgCount = 0;
    m_avgSum = 0;
    m_syncs.clear();
    m_missingSyncs = 0;
    m_receiving = false;
    m_toneCounter = 0;
    m_detectedMode = kNoSignal;
    m_displayMode = kNoSignal;
    m_lastPictureSync.reset();
}

void SstvReceiver::tick()
{
    const std::int32_t write = m_ring.writeSnapshot();
    if (write != m_ring.readIndex())
        intake(write);

    if (m_sink && m_sink->catalogBusy())
        return;
    if (!m_receiving) {
        detectMode();
        if (m_detectedMode > 98) {
            if (m_shownMode != m_detectedMode) {
                m_shownMode = m_detectedMode;
                m_displayMode = m_detectedMode;
                if (m_sink)
                    m_sink->modeDisplayChanged(m_displayMode);
            }
            if (m_syncs.empty() && m_sink)
                m_sink->syncFrequency(255);
            return;
        }
        if (!m_slantMeasuring && m_syncs.size() >= 2 &&
            (!m_lastPictureSync || m_syncs.back().position != *m_lastPictureSync))
            startPicture();
    }
    if (m_receiving)
        scheduleLines();
}

void SstvReceiver::intake(std::int32_t write)
{
    std::int32_t read = m_ring.readIndex();
    const int w = m_c.window;
    while (read != write) {
        const std::uint16_t item = m_ring.at(read);
        const int v = item & 255;
        m_runningSum += v - (m_ring.at(m_trailing) & 255);
        m_trailing = ringNext(m_trailing);
        m_ring.countLevel(m_histogram, item, false);

        const int a = static_cast<int>(m_runningSum / w) & 255;
        const int k = a > m_highSync ? 2 : (a >= m_lowSync ? 1 : 0);

        if (m_toneLow < a && a < m_toneHigh && !m_activationPending) {
            if (m_toneCounter < std::numeric_limits<std::int32_t>::max())
                ++m_toneCounter;
        } else if (m_toneCounter > 0) {
            --m_toneCounter;
        }

        switch (m_state) {
        case DetectorState::Idle:
            if (k == 2) {
                ++m_run;
            } else if (k == 1 && m_run > m_c.ms30) {
                m_state = DetectorState::InSync;
                m_run = 0;
                m_candidatePos = ringIndex(std::int64_t(read) - w / 2);
                m_avgSum = 0;
                m_avgCounter = 0;
                m_avgCount = 0;
            } else {
                m_run = 0;
            }
            break;
        case DetectorState::InSync:
            if (k == 1) {
                ++m_run;
                ++m_avgCounter;
                if (m_avgCounter >= m_c.ms1_25 && m_avgCounter <= m_c.ms3_75) {
                    m_avgSum += a;
                    ++m_avgCount;
                }
            } else if (m_run < m_c.ms2 || m_run > m_c.ms50) {
                m_state = DetectorState::Idle;
                m_run = 0;
            } else {
                m_syncValue = m_avgCount > 0 ? static_cast<int>(m_avgSum / m_avgCount) : a;
                m_candidateLength = m_run;
                m_run = 0;
                m_state = DetectorState::AfterSync;
            }
            break;
        case DetectorState::AfterSync:
            if (k == 2) {
                if (++m_run > m_c.ms30) {
                    m_state = DetectorState::Idle;
                    if (m_sink)
                        m_sink->syncFrequency(m_syncValue);
                    m_syncs.push_back({m_settings.enhanced ? refineSyncStart(m_candidatePos) : m_candidatePos,
                                        pulseLength(m_candidatePos, m_candidateLength)});
                    m_run = 0;
                }
            } else {
                m_state = DetectorState::Idle;
                m_run = 0;
            }
            break;
        }

        read = ringNext(read);
        if (!m_syncs.empty() && m_syncs.front().position == read)
            m_syncs.pop_front();
    }
    m_ring.setReadIndex(read);
}

// The running sum crosses into the sync band after a number of sync items that depends on what
// preceded the pulse (a black gap crosses within 3 items, bright pixels only after 13), so the
// candidate position carries the picture's content into the line timing. The accepted position
// is put on the step into the sync band itself: items are clipped at black, so the largest drop
// of a short window is the step from porch or pixels into the pulse, not an edge inside the
// picture.
std::int32_t SstvReceiver::refineSyncStart(std::int32_t candidate) const
{
    const int h = std::max(2, m_c.window / 4);
    const int span = m_c.window;
    auto clipped = [this](std::int64_t pos) { return std::min<int>(m_ring.at(pos) & 255, m_blackLevel); };
    std::int64_t best = candidate;
    int bestDrop = std::numeric_limits<int>::min();
    for (std::int64_t s = std::int64_t(candidate) - span; s <= std::int64_t(candidate) + span; ++s) {
        int drop = 0;
        for (int i = 1; i <= h; ++i)
            drop += clipped(s - i) - clipped(s + i - 1);
        if (drop > bestDrop) {
            bestDrop = drop;
            best = s;
        }
    }
    return ringIndex(best);
}

// The running sum stays in the sync band for a time that depends on the neighbours: next to
// black (1500 Hz, just above the 1450 Hz limit) a 6 ms pulse lasts about 8 ms there, next to
// white about 4.5 ms, so the two Robot black-and-white modes cannot be told apart by it. The
// ring items themselves, counted below half depth between the sync tone and black, give the
// pulse's own length whatever surrounds it.
std::int32_t SstvReceiver::pulseLength(std::int32_t candidate, int runLength) const
{
    const int half = (level(1200) + level(1500)) / 2;
    std::int32_t n = 0;
    for (std::int64_t i = std::int64_t(candidate) - m_c.window; i < std::int64_t(candidate) + runLength + m_c.window; ++i)
        if ((m_ring.at(ringIndex(i)) & 255) <= half)
            ++n;
    return n;
}

void SstvReceiver::detectMode()
{
    if (m_syncs.size() > 1000) {
        m_syncs.clear();
        return;
    }
    if (m_syncs.size() <= 2)
        return;
    const std::int32_t newest = m_syncs.back().position;
    const std::int64_t p = ringIndex(std::int64_t(newest) - m_syncs[m_syncs.size() - 2].position);
    if (p <= 0) {
        m_detectedMode = kNoSignal;
        return;
    }
    std::int32_t first = newest;
    std::int32_t accepted = newest;
    std::int64_t n = 0, d = 0;
    for (std::size_t i = m_syncs.size() - 1; i-- > 0;) {
        const std::int32_t entry = m_syncs[i].position;
        const std::int64_t e = ringIndex(std::int64_t(newest) - entry);
        std::int64_t rem = e % p;
        if (rem >= p / 2.0)
            rem -= p;
        const std::int64_t periods = divRoundUp(ringIndex(std::int64_t(accepted) - entry), p);
        if (std::llabs(rem) < m_c.ms1_25 && periods < 30) {
            first = entry;
            accepted = entry;
            n += divRoundUp(e, p);
            d += e;
        }
    }
    if (n < 4) {
        m_detectedMode = kNoSignal;
        return;
    }
    const std::int64_t meanE4 = (d / n) * 10000;
    int best = 0;
    std::int64_t bestDiff = std::numeric_limits<std::int64_t>::max();
    for (int row = 0; row < kTransmissionModeCount; ++row) {
        std::int64_t diff = std::llabs(meanE4 - m_scaled[static_cast<std::size_t>(row)][kLineTime]);
        if (diff < bestDiff) {
            bestDiff = diff;
            best = row;
        }
    }
    if (bestDiff >= std::int64_t(m_c.ms5) * 10000) {
        m_detectedMode = kUnknownMode;
        return;
    }
    if (best == kRobotBw12Row || best == kRobotBw24Row) {
        if (m_syncs.size() < 6) {
            m_detectedMode = kNoSignal;
            return;
        }
        double sum = 0;
        for (std::size_t i = m_syncs.size() - 6; i < m_syncs.size(); ++i)
            sum += m_syncs[i].length;
        best = (sum / 6.0 / m_c.itemsPerMs > 7.5) ? kRobotBw24Row : kRobotBw12Row;
    }

    // Phase: align the newest sync with the mean of the consistent older ones.
    const std::int64_t t = std::max<std::int64_t>(roundHalfEven(lineItems(best)), 1);
    std::int64_t newestRefined = newest;
    {
        std::int64_t sum = 0, count = 0;
        for (std::size_t i = 0; i + 1 < m_syncs.size(); ++i) {
            const std::int64_t h = ringIndex(std::int64_t(newest) - m_syncs[i].position);
            const std::int64_t j = divRoundUp(h, t);
            if (std::llabs(h - j * t) < m_c.ms1_25) {
                sum += j * t - h;
                ++count;
            }
        }
        if (count > 1)
            newestRefined = ringIndex(newest + sum / count);
    }
    const std::int64_t c = divRoundUp(ringIndex(newestRefined - first), t);
    m_newestSync = static_cast<std::int32_t>(newestRefined);
    m_firstSync = ringIndex(newestRefined - t * c);

    if (best == kRobotBw36Row || best == kRobot36Row) {
        if (m_syncs.size() <= 7) {
            m_detectedMode = kNoSignal;
            return;
        }
        const auto& r36 = m_scaled[kRobot36Row];
        std::int64_t posE4 = std::int64_t(m_firstSync) * 10000 - r36[kLineTime] - r36[kSyncStart] + r36[kSlot1End] +
                             r36[kSlot1Gap] / 3;
        const std::int64_t span = std::max<std::int64_t>(r36[kSlot1Gap] * 2 / 3 / 10000, 1);
        int vote = 0;
        for (int j = 1; j <= 8; ++j) {
            const std::int64_t start = ringIndex(posE4 / 10000);
            std::int64_t total = 0;
            for (std::int64_t i = 0; i < span; ++i)
                total += m_ring.at(start + i) & 255;
            const int b = m_brightness[static_cast<std::size_t>((total / span) & 255)];
            const bool odd = j % 2 == 1;
            vote += ((odd && b < 128) || (!odd && b >= 128)) ? 1 : -1;
            posE4 += r36[kLineTime];
        }
        const int mag = std::abs(vote);
        best = mag <= 1 ? kRobotBw36Row : (mag >= 5 ? kRobot36Row : kUnknownMode);
    }
    m_detectedMode = best;
}

void SstvReceiver::startPicture()
{
    const int row = m_detectedMode;
    m_lastPictureSync.reset();
    m_missingSyncs = 0;
    m_displayMode = row;
    m_decodeMode = row;
    m_receiving = true;
    if (m_sink)
        m_sink->pictureStarted(row);
    m_startTime = m_clock ? m_clock() : CivilTime{};
    preparePicture(row);
    const auto& mode = kSstvModes[static_cast<std::size_t>(row)];
    if (mode.colourScheme == kSchemeRobot36) {
        const auto& s = m_scaled[static_cast<std::size_t>(row)];
        const std::int64_t span = std::max<std::int64_t>(s[kSlot1Gap] * 45 / 60 / 10000, 1);
        const std::int64_t begin =
            m_firstSync + roundHalfEven(double(s[kSlot1End] - s[kSyncStart]) / 10000.0);
        const std::int64_t later = begin + roundHalfEven(2.0 * lineItems(row));
        std::int64_t total = 0;
        for (std::int64_t i = 0; i < span; ++i)
            total += (m_ring.at(begin + i) & 255) + (m_ring.at(later + i) & 255);
        const int b = m_brightness[static_cast<std::size_t>((total / (2 * span)) & 255)];
        const auto t = roundHalfEven(lineItems(row));
        if (m_settings.enhanced) {
            // Start with a B-Y line (white separator), so that the first pair is complete: behind
            // the first sync when it opens a B-Y line, at the line before it otherwise.
            m_lineStart = static_cast<float>(b >= 128 ? ringIndex(m_firstSync + t) : m_firstSync);
            m_robotPair = false;
        } else {
            m_lineStart = static_cast<float>(b >= 128 ? m_firstSync : ringIndex(m_firstSync - t));
            m_robotPair = true;
        }
    } else {
        m_lineStart = static_cast<float>(m_firstSync);
    }
}

void SstvReceiver::preparePicture(int row)
{
    const auto& mode = kSstvModes[static_cast<std::size_t>(row)];
    m_currentRow = 0;
    m_decodeMode = row;
    if (m_picture.width() != mode.columns || m_picture.height() != mode.rows) {
        m_picture.resize(mode.columns, mode.rows);
        m_failbarShown = -1;
    }
    std::fill(m_picture.data().begin(), m_picture.data().end(), 0u);
    m_linesDecoded = 0;
    if (m_sink) {
        m_sink->modeDisplayChanged(m_displayMode);
        m_sink->rowsChanged(0, mode.rows);
    }
    m_shownMode = m_displayMode;
}

void SstvReceiver::scheduleLines()
{
    for (int n = 0; n < 6 && m_receiving; ++n)
        if (!decodeScheduledLine())
            break;
}

bool SstvReceiver::decodeScheduledLine()
{
    const int row = m_decodeMode;
    const auto& mode = kSstvModes[static_cast<std::size_t>(row)];
    const double t = lineItems(row);
    const std::int32_t read = m_ring.readIndex();
    // Signed: with enhanced reception the line start may run a little ahead of the read index.
    if (ringDelta(read, std::floor(m_lineStart)) < t)
        return false;

    const double window = 2.0 * m_c.ms5;
    const bool found = std::any_of(m_syncs.rbegin(), m_syncs.rend(),
                                   [&](const SyncEntry& e) { return std::fabs(ringDelta(e.position, m_lineStart)) < window; });
    if (found) {
        if (m_settings.enhanced)
            followSync();
        m_missingSyncs = 0;
        if (m_sink)
            m_sink->syncFrequency(m_syncValue);
    } else {
        ++m_missingSyncs;
        if (m_sink)
            m_sink->syncFrequency(255);
    }
    decodeLine(ringIndex(roundHalfEven(m_lineStart)));
    m_linesDecoded += (mode.colourScheme == kSchemeDualLine || mode.lineDoubling) ? 2 : 1;
    m_lineStart = ringWrap(m_lineStart + static_cast<float>(t));

    if ((m_missingSyncs < m_settings.maxMissingSyncs || m_settings.qrmMode) && m_linesDecoded < mode.rows)
        return true;
    m_lastPictureSync = m_syncs.size() >= 2 ? std::optional<std::int32_t>(m_syncs.back().position) : std::nullopt;
    m_receiving = false;
    m_displayMode = kNoSignal;
    endPicture();
    return false;
}

// Moves the line start an eighth of the way to the nearest sync: slow enough that a single
// displaced sync does not shift the picture.
void SstvReceiver::followSync()
{
    const double window = 2.0 * m_c.ms5;
    double offset = window;
    for (const auto& e : m_syncs) {
        const double d = ringDelta(e.position, m_lineStart);
        if (std::fabs(d) < std::fabs(offset))
            offset = d;
    }
    if (std::fabs(offset) >= window)
        return;
    m_lineStart = ringWrap(m_lineStart + static_cast<float>(offset / kTrackingDivisor));
}

int SstvReceiver::bright(std::int64_t ringPos) const
{
    return m_brightness[m_ring.at(ringPos) & 255];
}

std::uint32_t SstvReceiver::colour(int y, int cr, int cb) const
{
    const auto r = static_cast<std::size_t>(cr & 255), b = static_cast<std::size_t>(cb & 255);
    auto clamp = [](int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); };
    return storage::rgb(clamp(y + m_crRed[r]), clamp(y - m_cbGreen[b] - m_crGreen[r]), clamp(y + m_cbBlue[b]));
}

void SstvReceiver::writePixel(int x, int y, std::uint32_t rgb)
{
    m_picture.setPixel(x, y, rgb);
}

void SstvReceiver::decodeLine(std::int32_t a)
{
    const int row = m_decodeMode;
    const auto& mode = kSstvModes[static_cast<std::size_t>(row)];
    const auto& s = m_scaled[static_cast<std::size_t>(row)];
    const int columns = std::min<int>(mode.columns, 800);
    auto position = [&](std::int64_t start) {
        return ringIndexE4(std::int64_t(a) * 10000 - s[kLineTime] - s[kSyncStart] + start);
    };
    std::int64_t p1 = position(s[kSlot1Start]);
    std::int64_t p2 = position(s[kSlot2Start]);
    std::int64_t p3 = position(s[kSlot3Start]);
    std::int64_t p4 = position(s[kSlot3End]);

    if (m_failbarShown != m_missingSyncs) {
        m_failbarShown = m_missingSyncs;
        const int max = m_settings.maxMissingSyncs;
        if (m_sink)
            m_sink->failbarChanged(max - m_missingSyncs, max, m_missingSyncs > max / 2);
    }

    const int r = m_currentRow;
    const int last = mode.rows - 1;
    int firstChanged = r;
    int endChanged = r + 1;

    if (mode.colourScheme == kSchemeRobot36) {
        // Enhanced: each value from the middle of its pixel instead of three pixels early.
        if (!m_settings.enhanced) {
            const std::int64_t back = 3 * s[kPixelTime] / 10000;
            p1 = ringIndex(p1 - back);
            p2 = ringIndex(p2 - back);
        }
        const float clock = m_c.itemsPerMs * float(mode.timing[kSlot1Length]) / float(mode.columns) / 10000.0f;
        auto scan = [&](std::int64_t pos, float step, std::array<int, 800>& out) {
            float counter = m_settings.enhanced ? step / 2.0f : 0.0f;
            int col = 0;
            for (int guard = 0; col < columns && guard < 100000; ++guard) {
                counter += 1.0f;
                while (counter >= step && col < columns) {
                    out[static_cast<std::size_t>(col++)] = bright(pos);
                    counter -= step;
                }
                ++pos;
            }
        };
        if (m_robotPair) {
            scan(p1, clock, m_work[1]);
            scan(p2, clock / 2.0f, m_work[2]);
            const int r2 = r < last ? r + 1 : r - 1;
            for (int x = 0; x < columns; ++x) {
                const auto i = static_cast<std::size_t>(x);
                writePixel(x, r, colour(m_work[0][i], m_work[2][i], m_work[3][i]));
                writePixel(x, r2, colour(m_work[1][i], m_work[2][i], m_work[3][i]));
            }
            firstChanged = std::min(r, r2);
            endChanged = std::max(r, r2) + 1;
            m_robotPair = false;
            m_currentRow += m_settings.enhanced ? 2 : 1; // enhanced: the row count follows the rows written
        } else {
            scan(p1, clock, m_work[0]);
            scan(p2, clock / 2.0f, m_work[3]);
            m_robotPair = true;
            endChanged = r; // nothing written
            m_currentRow += m_settings.enhanced ? 0 : 1;
        }
    } else {
        const std::int64_t pixelTime = std::max<std::int64_t>(s[kPixelTime], 1);
        const bool doubling = mode.lineDoubling != 0;
        const int r2 = r < last ? r + 1 : r;
        // Enhanced: each pixel from the middle of its time; at its end the last column reads the gap.
        std::int64_t acc = m_settings.enhanced ? pixelTime / 2 : 0;
        int col = 0;
        for (int guard = 0; col < columns && guard < 1000000; ++guard) {
            acc += 10000;
            while (acc > pixelTime && col < columns) {
                switch (mode.colourScheme) {
                case kSchemeRgb:
                    writePixel(col, r, storage::rgb(static_cast<std::uint8_t>(bright(p1)), static_cast<std::uint8_t>(bright(p2)),
                                                    static_cast<std::uint8_t>(bright(p3))));
                    break;
                case kSchemeMono: {
                    const auto g = static_cast<std::uint8_t>(bright(p1));
                    writePixel(col, r, storage::rgb(g, g, g));
                    if (doubling)
                        writePixel(col, r + 1, storage::rgb(g, g, g));
                    break;
                }
                case kSchemeRobotYuv: {
                    const std::uint32_t c = colour(bright(p1), bright(p2), bright(p3));
                    writePixel(col, r, c);
                    if (doubling)
                        writePixel(col, r + 1, c);
                    break;
                }
                case kSchemeDualLine: {
                    const int cr = bright(p2), cb = bright(p3);
                    writePixel(col, r, colour(bright(p1), cr, cb));
                    writePixel(col, r2, colour(bright(p4), cr, cb));
                    break;
                }
                default: break;
                }
                ++col;
                acc -= pixelTime;
            }
            ++p1;
            ++p4;
            if (mode.colourScheme != kSchemeRobotYuv || (col % 2) == 1) {
                ++p2;
                ++p3;
            }
        }
        m_currentRow += 1;
        if (mode.colourScheme == kSchemeDualLine || ((mode.colourScheme == kSchemeMono || mode.colourScheme == kSchemeRobotYuv) && doubling)) {
            m_currentRow += 1;
            endChanged = r + 2;
        }
    }
    if (m_sink && endChanged > firstChanged)
        m_sink->rowsChanged(std::max(firstChanged, 0), std::min(endChanged, int(mode.rows)));
}

void SstvReceiver::endPicture()
{
    const auto& mode = kSstvModes[static_cast<std::size_t>(m_decodeMode)];
    // Enhanced: the line decoded last is checked against the sync that follows it, which the end
    // of a transmission never has; only lines decoded after a missing sync of their own are blanked.
    const int rowsPerLine = (mode.colourScheme == kSchemeDualLine || mode.lineDoubling) ? 2 : 1;
    const int blank = m_settings.enhanced ? (m_missingSyncs - 1) * rowsPerLine : m_missingSyncs;
    if (!m_settings.qrmMode && blank > 0) {
        const int from = std::max(0, m_currentRow - blank);
        for (int y = from; y < std::min<int>(m_currentRow, m_picture.height()); ++y)
            for (auto& px : m_picture.row(y))
                px = 0;
        if (m_sink && m_currentRow > from)
            m_sink->rowsChanged(from, std::min<int>(m_currentRow, m_picture.height()));
    }
    m_failbarShown = -1;
    if (m_sink) {
        m_sink->failbarChanged(m_settings.maxMissingSyncs, m_settings.maxMissingSyncs, false);
        m_sink->syncFrequency(255);
        m_sink->modeDisplayChanged(m_displayMode);
    }
    m_shownMode = m_displayMode;
    const double needed = double(mode.rows) / (1 + mode.lineDoubling) * m_settings.savePercentage / 100.0;
    const bool saved = m_currentRow > needed;
    if (saved)
        m_receivedMode = m_decodeMode;
    if (m_sink)
        m_sink->pictureEnded(saved, m_decodeMode, m_currentRow);
    m_currentRow = 0;
}

void SstvReceiver::forceStart(int txRow)
{
    if (!m_settings.qrmMode)
        return;
    const int row = std::clamp(txRow, 0, kSstvModeCount - 1);
    m_receiving = true;
    m_startTime = m_clock ? m_clock() : CivilTime{};
    m_lastPictureSync.reset();
    m_missingSyncs = 0;
    m_decodeMode = m_displayMode = m_receivedMode = row;
    preparePicture(row);
    m_savedStart = m_lineStart =
        static_cast<float>(ringIndex(std::int64_t(m_ring.readIndex()) - roundHalfEven(lineItems(row))));
}

void SstvReceiver::shift(int direction, int txRow)
{
    if (!m_receiving)
        return;
    const int row = std::clamp(txRow, 0, kSstvModeCount - 1);
    const float before = m_lineStart;
    const double t = lineItems(row);
    double moved = double(m_savedStart) + (direction >= 0 ? t / 30.0 : -t / 30.0);
    moved = ringWrap(moved);
    m_savedStart = static_cast<float>(moved);
    m_missingSyncs = 0;
    m_decodeMode = row;
    preparePicture(row);
    m_lineStart = m_savedStart;
    const auto& mode = kSstvModes[static_cast<std::size_t>(row)];
    // Decode again what the ring still holds, up to where decoding stood.
    for (int guard = 0; guard < mode.rows && std::fabs(ringDelta(before, m_lineStart)) >= t / 2.0; ++guard) {
        decodeLine(ringIndex(roundHalfEven(m_lineStart)));
        m_linesDecoded += (mode.colourScheme == kSchemeDualLine || mode.lineDoubling) ? 2 : 1;
        m_lineStart = static_cast<float>(ringWrap(double(m_lineStart) + t));
    }
}

void SstvReceiver::stopPicture()
{
    m_linesDecoded = kSstvModes[static_cast<std::size_t>(m_decodeMode)].rows;
}

void SstvReceiver::clearPicture()
{
    std::fill(m_picture.data().begin(), m_picture.data().end(), 0u);
    m_linesDecoded = 0;
    m_currentRow = 0;
}

double SstvReceiver::slantValue(int x1, int y1, int x2, int y2) const
{
    if (y1 == y2)
        return 0.0;
    if (y2 < y1) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const auto& s = m_scaled[static_cast<std::size_t>(m_decodeMode)];
    return double(x2 - x1) * double(s[kPixelTime]) / (double(y2 - y1) * double(s[kLineTime]));
}

// ---------------------------------------------------------------------------------------------

std::string formatCivilTime(const CivilTime& t, std::string_view format)
{
    std::string out;
    auto two = [](int v) {
        char b[8];
        std::snprintf(b, sizeof b, "%02d", v % 100);
        return std::string(b);
    };
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    auto starts = [&](std::size_t i, std::string_view tok) {
        if (i + tok.size() > format.size())
            return false;
        for (std::size_t k = 0; k < tok.size(); ++k)
            if (lower(format[i + k]) != tok[k])
                return false;
        return true;
    };
    for (std::size_t i = 0; i < format.size();) {
        if (starts(i, "yyyy")) {
            char b[8];
            std::snprintf(b, sizeof b, "%04d", t.year % 10000);
            out += b;
            i += 4;
        } else if (starts(i, "yy")) {
            out += two(t.year);
            i += 2;
        } else if (starts(i, "mm")) {
            out += two(t.month);
            i += 2;
        } else if (starts(i, "dd")) {
            out += two(t.day);
            i += 2;
        } else if (starts(i, "hh")) {
            out += two(t.hour);
            i += 2;
        } else if (starts(i, "nn")) {
            out += two(t.minute);
            i += 2;
        } else if (starts(i, "ss")) {
            out += two(t.second);
            i += 2;
        } else {
            out += format[i++];
        }
    }
    return out;
}

std::string receivedTimeStampText(const CivilTime& start, std::string_view dateFormat, std::string_view timeFormat,
                                  bool localTime, std::string_view modeName)
{
    auto hasToken = [](std::string_view f) {
        for (char c : f)
            if (std::strchr("yYmMdDhHnNsS", c))
                return true;
        return false;
    };
    std::string date = formatCivilTime(start, hasToken(dateFormat) ? dateFormat : std::string_view("yyyymmdd"));
    std::string time = formatCivilTime(start, hasToken(timeFormat) ? timeFormat : std::string_view("hhnn"));
    return date + " " + time + (localTime ? " loc.|" : " UTC|") + std::string(modeName);
}

std::string lastReceivedFileName(const CivilTime& start, std::string_view modeName, int formatIndex)
{
    static constexpr std::array<std::string_view, 5> kExtensions = {"PNG", "JPG", "PCX", "BMP", "TIF"};
    const auto ext = kExtensions[static_cast<std::size_t>(std::clamp(formatIndex, 0, 4))];
    return formatCivilTime(start, "yyyymmdd hhnn ") + std::string(modeName) + "." + std::string(ext);
}

} // namespace tellur::sstv
