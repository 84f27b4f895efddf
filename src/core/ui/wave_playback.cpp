#include "core/ui/wave_playback.h"

#include "signal/wave_source.h"

#include <QMetaObject>
#include <QPointer>

#include <array>
#include <chrono>

namespace tellur::ui {

WavePlayback::WavePlayback(QObject* parent)
    : QObject(parent)
{
}

WavePlayback::~WavePlayback()
{
    stopAndWait();
}

WavePlayback::Result WavePlayback::start(const std::filesystem::path& file, Consumer consumer)
{
    stopAndWait();
    std::string error;
    std::shared_ptr<signal::WaveSource> source = signal::WaveSource::open(file, error);
    if (!source)
        return Result::CannotOpen;
    if (!source->isStationFormat())
        return Result::WrongFormat;
    m_running = true;
    m_samples = 0;
    QPointer<WavePlayback> self(this);
    m_thread = std::jthread([this, self, source, consumer = std::move(consumer)](std::stop_token stop) {
        std::array<std::int16_t, 512> block{};
        while (!stop.stop_requested()) {
            const std::size_t n = source->read(block);
            if (n == 0)
                break;
            // The short last block is cut to what was read: stale samples would decode as noise.
            consumer(std::span<const std::int16_t>(block.data(), n));
            m_samples += std::int64_t(n);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_running = false;
        QMetaObject::invokeMethod(this, [self] {
            if (self)
                Q_EMIT self->finished();
        }, Qt::QueuedConnection);
    });
    return Result::Started;
}

void WavePlayback::stopAndWait()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
    m_running = false;
}

} // namespace tellur::ui
