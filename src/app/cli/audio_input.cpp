#include "app/cli/audio_input.h"

#include "app/cli/cli.h"

#include "core/event_log.h"
#include "platform/audio_devices.h"
#include "signal/resampler.h"
#include "signal/wave_source.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <signal.h>

namespace tellur::cli {

void ensureQtApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "tellur32-cli";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    (void)app;
}

namespace {

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_signal{0};

extern "C" void onInterrupt(int sig)
{
    g_signal.store(sig);
    g_interrupted.store(true);
}

// SIGINT and SIGTERM end the input as its end would; without SA_RESTART a blocked read of
// standard input returns at once.
void catchTerminationSignals()
{
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

class FileInput final : public AudioInput {
public:
    explicit FileInput(std::unique_ptr<signal::WaveSource> src) : m_src(std::move(src)) {}
    std::size_t read(std::span<std::int16_t> out) override { return m_src->read(out); }

private:
    std::unique_ptr<signal::WaveSource> m_src;
};

class StdinInput final : public AudioInput {
public:
    explicit StdinInput(int rate) : m_resampler(rate, signal::kSoundcardRate) {}
    std::size_t read(std::span<std::int16_t> out) override
    {
        while (m_pending.size() - m_pos < out.size() && !m_eof && !g_interrupted.load())
            fill();
        std::size_t n = std::min(out.size(), m_pending.size() - m_pos);
        std::copy_n(m_pending.begin() + static_cast<std::ptrdiff_t>(m_pos), n, out.begin());
        m_pos += n;
        if (m_pos > 65536) {
            m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(m_pos));
            m_pos = 0;
        }
        return n;
    }

private:
    void fill()
    {
        unsigned char bytes[8192];
        std::size_t got = std::fread(bytes + m_carry.size(), 1, sizeof bytes - m_carry.size(), stdin);
        std::copy(m_carry.begin(), m_carry.end(), bytes);
        got += m_carry.size();
        m_carry.clear();
        if (got == 0 || (got < 2 && std::feof(stdin))) {
            m_eof = true;
            m_resampler.flush(m_pending);
            return;
        }
        std::size_t whole = got / 2 * 2;
        if (got != whole)
            m_carry.push_back(bytes[whole]); // an odd byte waits for its partner
        if (m_resampler.passthrough()) {
            for (std::size_t i = 0; i < whole; i += 2)
                m_pending.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
        } else {
            std::vector<float> f;
            f.reserve(whole / 2);
            for (std::size_t i = 0; i < whole; i += 2)
                f.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)) / 32768.0f);
            m_resampler.process(f, m_pending);
        }
    }

    signal::Resampler m_resampler;
    std::vector<std::int16_t> m_pending;
    std::size_t m_pos = 0;
    std::vector<unsigned char> m_carry;
    bool m_eof = false;
};

// Blocks from the capture device's audio thread into a queue the reader drains.
class DeviceInput final : public AudioInput {
public:
    DeviceInput() : m_capture(m_log) {}
    ~DeviceInput() override { m_capture.stop(); }

    bool start(const std::string& device, std::string& error)
    {
        bool ok = m_capture.start(device, [this](std::span<const std::int16_t> block) {
            std::lock_guard lock(m_mutex);
            m_queue.insert(m_queue.end(), block.begin(), block.end());
            m_ready.notify_one();
        });
        if (!ok) {
            auto entries = m_log.entries();
            error = entries.empty() ? "cannot open audio device " + device : entries.back().text;
        }
        return ok;
    }

    std::size_t read(std::span<std::int16_t> out) override
    {
        std::unique_lock lock(m_mutex);
        while (m_queue.empty()) {
            if (g_interrupted.load())
                return 0;
            m_ready.wait_for(lock, std::chrono::milliseconds(100));
        }
        std::size_t n = std::min(out.size(), m_queue.size());
        std::copy_n(m_queue.begin(), n, out.begin());
        m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }
    bool live() const override { return true; }

private:
    RecordingEventLog m_log;
    platform::AudioCapture m_capture;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::int16_t> m_queue;
};

} // namespace

void takeAudioInputOptions(std::vector<std::string>& args, AudioInputOptions& opts)
{
    std::string rate;
    if (takeOption(args, "--rate", rate)) {
        try {
            std::size_t used = 0;
            opts.rate = std::stoi(rate, &used);
            if (used != rate.size() || opts.rate < signal::kMinSampleRate || opts.rate > signal::kMaxSampleRate)
                throw std::out_of_range(rate);
        } catch (const std::logic_error&) {
            std::fprintf(stderr, "tellur32-cli: --rate must be a sample rate between %d and %d\n", signal::kMinSampleRate,
                         signal::kMaxSampleRate);
            throw std::invalid_argument("--rate");
        }
    }
    takeOption(args, "--device", opts.device);
    opts.realtime = takeFlag(args, "--realtime") || opts.realtime;
    opts.listDevices = takeFlag(args, "--list-devices") || opts.listDevices;
}

int listAudioDevices()
{
    ensureQtApplication();
    std::printf("%s\n", platform::kAutoAudioDevice);
    for (const auto& name : platform::audioInputNames())
        std::printf("%s\n", name.c_str());
    return kExitOk;
}

std::unique_ptr<AudioInput> AudioInput::open(const AudioInputOptions& opts, std::string& error)
{
    if (!opts.device.empty()) {
        ensureQtApplication();
        catchTerminationSignals();
        auto in = std::make_unique<DeviceInput>();
        if (!in->start(opts.device, error))
            return nullptr;
        return in;
    }
    if (opts.source == "-") {
        try {
            return std::make_unique<StdinInput>(opts.rate);
        } catch (const std::exception& e) {
            error = e.what();
            return nullptr;
        }
    }
    auto src = signal::WaveSource::open(opts.source, error);
    if (!src)
        return nullptr;
    return std::make_unique<FileInput>(std::move(src));
}

DriveResult driveReceiver(AudioInput& input, signal::SoundcardDemodulator& demod, SampleRing& ring, bool realtime,
                          const TickFn& tick)
{
    DriveResult r;
    catchTerminationSignals();
    std::vector<std::int16_t> buf(kTickSamples);
    std::size_t fillCount = 0;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        std::size_t n = input.read(std::span(buf).subspan(fillCount));
        if (n > 0) {
            demod.process(std::span<const std::int16_t>(buf).subspan(fillCount, n), ring);
            fillCount += n;
            r.samples += static_cast<std::int64_t>(n);
        }
        bool end = n == 0;
        if (fillCount == buf.size() || (end && fillCount > 0) || (end && r.ticks == 0)) {
            fillCount = 0;
            ++r.ticks;
            if (realtime && !input.live())
                std::this_thread::sleep_until(start + std::chrono::microseconds(r.samples * 1000000 / signal::kSoundcardRate));
            if (!tick(r.samples * 1000 / signal::kSoundcardRate)) {
                r.stoppedByTick = true;
                break;
            }
        }
        if (end || g_interrupted.load())
            break;
    }
    r.signal = g_signal.load();
    return r;
}

int exitStatusAfter(const DriveResult& drive, int status)
{
    return drive.signal != 0 ? 128 + drive.signal : status;
}

} // namespace tellur::cli
