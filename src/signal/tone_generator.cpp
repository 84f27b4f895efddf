#include "signal/tone_generator.h"

#include "core/numeric.h"
#include "signal/demodulators.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tellur::signal {
namespace {

struct CodeTables {
    std::array<std::int64_t, 256> steps{};
    std::array<std::int16_t, 256> sine{};
    CodeTables()
    {
        for (int c = 1; c < 256; ++c) {
            std::int64_t hz = roundHalfEven(1000.0 + 1400.0 * c / 255.0);
            steps[static_cast<std::size_t>(c)] = roundHalfEven(static_cast<double>(hz * 256) / 11025.0 * 10000.0);
        }
        for (int j = 0; j < 256; ++j)
            sine[static_cast<std::size_t>(j)] =
                static_cast<std::int16_t>(roundHalfEven(std::sin(2.0 * std::numbers::pi * j / 255.0) * 28000.0));
    }
};
const CodeTables& codeTables()
{
    static const CodeTables t;
    return t;
}

} // namespace

const std::array<std::int64_t, 256>& ToneGenerator::stepTable() { return codeTables().steps; }
const std::array<std::int16_t, 256>& ToneGenerator::sineTable() { return codeTables().sine; }

int ToneGenerator::codeFrequencyHz(std::uint8_t c)
{
    return c == 0 ? 0 : static_cast<int>(roundHalfEven(1000.0 + 1400.0 * c / 255.0));
}

std::uint8_t ToneGenerator::codeForFrequency(double hz)
{
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(roundHalfEven((hz - 1000.0) / 1400.0 * 255.0), 0, 255));
}

ToneGenerator::ToneGenerator(ToneBlockSink& sink) : m_sink(sink), m_block(kBlockSamples, 0)
{
    start();
}

void ToneGenerator::start()
{
    m_r = 0.0;
    m_phaseE4 = 0;
    m_stepE4 = 0;
    m_fill = 0;
    m_pending = 100;
}

void ToneGenerator::emitSample(bool silentOnZeroStep)
{
    m_block[static_cast<std::size_t>(m_fill)] = m_pending;
    m_phaseE4 += m_stepE4;
    if (m_phaseE4 >= kPhaseTurnE4)
        m_phaseE4 %= kPhaseTurnE4;
    m_pending = silentOnZeroStep && m_stepE4 == 0 ? std::int16_t(0)
                                                  : codeTables().sine[static_cast<std::size_t>(m_phaseE4 / 10000)];
    if (++m_fill == kBlockSamples) {
        m_fill = 0; // first: a throwing sink must not leave the buffer overfull
        m_sink.writeBlock(m_block, 1000);
        m_sink.startPlaying();
    }
}

void ToneGenerator::appendCodes(std::span<const std::uint8_t> codes)
{
    const auto& steps = codeTables().steps;
    for (std::uint8_t c : codes) {
        m_stepE4 = steps[c];
        while (m_r < 1.5) {
            emitSample(true);
            m_r += 1.0;
        }
        m_r -= 1.5;
    }
}

void ToneGenerator::appendTone(double hz, double seconds)
{
    hz = std::clamp(hz, 0.0, kSoundcardRate / 2.0);
    m_stepE4 = roundHalfEven((hz * 256.0) / 11025.0 * 10000.0);
    std::int64_t n = roundHalfEven(seconds * 11025.0 / 1.5);
    if (n < 1)
        return; // nothing to play (the loop below would never reach its end)
    for (;;) {
        if (m_r >= 1.5) {
            m_r -= 1.5;
            if (n == 1)
                break;
            --n;
        } else {
            emitSample(false);
            m_r += 1.0;
        }
    }
}

int ToneGenerator::flush()
{
    int n = m_fill;
    if (n == 0)
        return 0;
    m_fill = 0;
    m_sink.writeBlock(std::span(m_block).first(static_cast<std::size_t>(n)), n * 1000 / kBlockSamples);
    m_sink.startPlaying();
    return n;
}

std::int64_t ToneGenerator::freeRoomSamples() const
{
    return roundHalfEven((kMaxQueuedMs - queuedMs()) / 1000.0 * 11025.0);
}

std::size_t ToneGenerator::freeRoom() const
{
    return static_cast<std::size_t>(std::max<std::int64_t>(0, freeRoomSamples()));
}

void ToneGenerator::write(std::span<const std::uint8_t> codes)
{
    try {
        appendCodes(codes);
    } catch (const ToneOutputError& e) {
        ++m_errors;
        m_lastError = e.what();
    }
}

// ---------------------------------------------------------------------------------------------

TonePlayer::TonePlayer(AudioOutputDevice& device, EventLog& log) : m_device(device), m_log(log) {}

TonePlayer::~TonePlayer()
{
    bool wasOpen;
    {
        std::lock_guard lock(m_mutex);
        wasOpen = m_state != Closed;
        markClosedLocked();
    }
    if (wasOpen) {
        m_device.reset();
        m_device.close();
    }
}

void TonePlayer::logFailure(const std::string& result, const char* step)
{
    std::string line = std::string("+++") + step + ": " + result;
    m_log.forcedAction(line);
    m_log.error(line);
}

void TonePlayer::markClosedLocked()
{
    m_state = Closed;
    m_outstanding = 0;
    for (auto& h : m_headers)
        h.inUse = false;
    m_queuedMs.store(0, std::memory_order_release);
    m_changed.notify_all();
}

void TonePlayer::closeAfterFailure()
{
    std::string result = m_device.close();
    if (!result.empty())
        logFailure(result, "PlayerClose; waveOutClose");
}

void TonePlayer::open()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_state != Closed)
            return;
    }
    std::string result = m_device.open();
    if (!result.empty()) {
        logFailure(result, "PlayerOpen; waveOutOpen");
        closeAfterFailure();
        return;
    }
    std::lock_guard lock(m_mutex);
    m_headers.clear();
    m_state = Idle;
    m_started = false;
    m_startPending = true;
    m_outstanding = 0;
    m_queuedMs.store(0, std::memory_order_release);
}

void TonePlayer::writeBlock(std::span<const std::int16_t> samples, int durationMs)
{
    std::unique_lock lock(m_mutex);
    if (m_state == Closed)
        throw ToneOutputError(kNoOutputDeviceText);
    const std::int64_t blockBytes = static_cast<std::int64_t>(samples.size()) * 2;
    constexpr std::size_t chunkSamples = kChunkBytes / 2;
    for (std::size_t off = 0; off < samples.size(); off += chunkSamples) {
        auto chunk = samples.subspan(off, std::min(chunkSamples, samples.size() - off));
        auto it = std::find_if(m_headers.begin(), m_headers.end(), [](const Header& h) { return !h.inUse; });
        if (it == m_headers.end()) {
            if (static_cast<int>(m_headers.size()) >= kMaxHeaders) {
                markClosedLocked();
                lock.unlock();
                m_device.reset();
                closeAfterFailure();
                throw ToneOutputError(kNoMoreBuffersText);
            }
            m_headers.emplace_back();
            it = m_headers.end() - 1;
        }
        const int index = static_cast<int>(it - m_headers.begin());
        it->inUse = true;
        it->durationMs = static_cast<int>(durationMs * (static_cast<std::int64_t>(chunk.size()) * 2) / blockBytes);
        it->data.assign(chunk.begin(), chunk.end());
        m_queuedMs.fetch_add(it->durationMs, std::memory_order_acq_rel);
        if (m_started) {
            ++m_outstanding;
            m_state = Playing;
            std::string result = m_device.write(index, it->data);
            if (!result.empty()) {
                logFailure(result, "PlayerWrite; waveOutWrite");
                markClosedLocked();
                lock.unlock();
                closeAfterFailure();
                return;
            }
        }
    }
    if (!m_started && static_cast<int>(m_headers.size()) > kStartHeaders) {
        lock.unlock();
        startPlaying();
    }
}

void TonePlayer::startPlaying()
{
    std::unique_lock lock(m_mutex);
    if (!m_startPending || m_state == Closed)
        return;
    m_startPending = false;
    m_started = true;
    for (std::size_t i = 0; i < m_headers.size(); ++i) {
        if (!m_headers[i].inUse)
            continue;
        ++m_outstanding;
        m_state = Playing;
        std::string result = m_device.write(static_cast<int>(i), m_headers[i].data);
        if (!result.empty()) {
            logFailure(result, "PlayerStartPlaying; waveOutWrite");
            markClosedLocked();
            lock.unlock();
            closeAfterFailure();
            return;
        }
    }
}

void TonePlayer::played(int header)
{
    std::lock_guard lock(m_mutex);
    if (header < 0 || header >= static_cast<int>(m_headers.size()))
        return;
    Header& h = m_headers[static_cast<std::size_t>(header)];
    if (!h.inUse)
        return;
    h.inUse = false;
    m_queuedMs.fetch_sub(h.durationMs, std::memory_order_acq_rel);
    if (m_outstanding > 0 && --m_outstanding == 0 && m_state == Playing)
        m_state = Idle;
    m_changed.notify_all();
}

void TonePlayer::closed()
{
    std::lock_guard lock(m_mutex);
    markClosedLocked();
}

void TonePlayer::stop(bool abort, std::chrono::milliseconds maxWait)
{
    if (!abort)
        startPlaying(); // chunks still waiting for the start would otherwise be lost
    {
        std::unique_lock lock(m_mutex);
        if (m_state == Closed)
            return;
        if (!abort)
            m_changed.wait_for(lock, maxWait, [&] { return m_state != Playing; });
        if (m_state == Closed)
            return;
        markClosedLocked();
        m_headers.clear();
    }
    std::string result = m_device.reset();
    if (!result.empty())
        logFailure(result, "PlayerStop; waveOutReset");
    result = m_device.close();
    if (!result.empty())
        logFailure(result, "PlayerClose; waveOutClose");
}

TonePlayer::State TonePlayer::state() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

int TonePlayer::headerCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_headers.size());
}

bool TonePlayer::startPending() const
{
    std::lock_guard lock(m_mutex);
    return m_startPending;
}

} // namespace tellur::signal
