// Tplaybackthread: feeds a recorded wave file to the demodulator as if it came from the soundcard,
// in 512-sample blocks with a 5 ms pause between them (several times real time). While it runs
// it is the sample ring's only writer. Controlled from the GUI thread; `finished` arrives there.
#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <thread>

namespace tellur::ui {

class WavePlayback : public QObject {
    Q_OBJECT
public:
    using Consumer = std::function<void(std::span<const std::int16_t>)>;
    enum class Result { Started, CannotOpen, WrongFormat };

    explicit WavePlayback(QObject* parent = nullptr);
    ~WavePlayback() override;

    // Opens the file here and plays it on the thread; the consumer runs on the thread.
    Result start(const std::filesystem::path& file, Consumer consumer);
    void abort() { m_thread.request_stop(); }
    // Stops and joins; afterwards the consumer is not called any more.
    void stopAndWait();
    bool running() const { return m_running.load(); }
    std::int64_t samplesPlayed() const { return m_samples.load(); }

Q_SIGNALS:
    void finished();

private:
    std::jthread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<std::int64_t> m_samples{0};
};

} // namespace tellur::ui
