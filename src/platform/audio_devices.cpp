#include "platform/audio_devices.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <deque>
#include <mutex>

namespace tellur::platform {

// A thread with its own event loop and a context object living in it; the Qt audio objects are
// created, used and destroyed there.
class AudioThread {
public:
    AudioThread()
    {
        m_thread.setObjectName("audio");
        m_context = new QObject;
        m_context->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
        m_thread.start(QThread::TimeCriticalPriority);
    }
    ~AudioThread()
    {
        m_thread.quit();
        m_thread.wait();
    }
    // Runs fn on the audio thread and waits for it.
    void run(const std::function<void()>& fn)
    {
        QMetaObject::invokeMethod(m_context, fn, Qt::BlockingQueuedConnection);
    }
    QObject* context() const { return m_context; }

    // State of the audio object; only touched on the audio thread.
    QAudioSource* source = nullptr;
    QAudioSink* sink = nullptr;
    QIODevice* io = nullptr;
    QTimer* timer = nullptr;

private:
    QThread m_thread;
    QObject* m_context;
};

namespace {

QAudioFormat captureFormat()
{
    QAudioFormat f;
    f.setSampleRate(11025);
    f.setChannelCount(1);
    f.setSampleFormat(QAudioFormat::Int16);
    return f;
}

// Qt's audio buffers: at least 2048 bytes (smaller ones stall on PulseAudio).
constexpr qsizetype kQtBufferBytes = 8192;

std::string errorText(QAudio::Error e)
{
    switch (e) {
    case QAudio::NoError: return {};
    case QAudio::OpenError: return "The device could not be opened.";
    case QAudio::IOError: return "An error occurred reading from or writing to the device.";
    case QAudio::UnderrunError: return "Audio data is not being fed to the device at a fast enough rate.";
    case QAudio::FatalError: return "The device is not usable.";
    }
    return "Unknown audio error.";
}

QAudioDevice findDevice(const QList<QAudioDevice>& list, const QAudioDevice& fallback, const std::string& name)
{
    if (name.empty() || name == kAutoAudioDevice)
        return fallback;
    const QString wanted = QString::fromStdString(name);
    for (const auto& d : list)
        if (d.description() == wanted || QString::fromUtf8(d.id()) == wanted)
            return d;
    return {};
}

std::vector<std::string> names(const QList<QAudioDevice>& list)
{
    std::vector<std::string> out;
    for (const auto& d : list)
        out.push_back(d.description().toStdString());
    return out;
}

void logStep(EventLog& log, const char* step, const std::string& text)
{
    std::string line = std::string("+++") + step + ": " + text;
    log.forcedAction(line);
    log.error(line);
}

} // namespace

std::vector<std::string> audioInputNames()
{
    return names(QMediaDevices::audioInputs());
}

std::vector<std::string> audioOutputNames()
{
    return names(QMediaDevices::audioOutputs());
}

// ---------------------------------------------------------------------------------------------

AudioCapture::AudioCapture(EventLog& log) : m_log(log) {}

AudioCapture::~AudioCapture()
{
    stop();
}

bool AudioCapture::start(const std::string& deviceName, BlockConsumer consumer)
{
    stop();
    QAudioDevice dev = findDevice(QMediaDevices::audioInputs(), QMediaDevices::defaultAudioInput(), deviceName);
    if (dev.isNull()) {
        logStep(m_log, "RXPlayer.Open, WaveinOpen", "no audio input device \"" + deviceName + "\"");
        return false;
    }
    auto thread = std::make_unique<AudioThread>();
    std::string error;
    AudioThread* t = thread.get();
    t->run([&] {
        t->source = new QAudioSource(dev, captureFormat(), t->context());
        t->source->setBufferSize(kQtBufferBytes);
        t->io = t->source->start();
        if (!t->io || t->source->error() != QAudio::NoError) {
            error = errorText(t->source->error());
            if (error.empty())
                error = "The device could not be opened.";
            return;
        }
        // Whole 512-sample blocks go to the consumer; a partial block waits for the rest.
        auto pending = std::make_shared<std::vector<std::int16_t>>();
        QObject::connect(t->io, &QIODevice::readyRead, t->context(), [t, pending, consumer] {
            QByteArray bytes = t->io->readAll();
            const auto* s = reinterpret_cast<const std::int16_t*>(bytes.constData());
            pending->insert(pending->end(), s, s + bytes.size() / 2);
            std::size_t used = 0;
            while (pending->size() - used >= kBlockSamples) {
                consumer(std::span<const std::int16_t>(pending->data() + used, kBlockSamples));
                used += kBlockSamples;
            }
            pending->erase(pending->begin(), pending->begin() + static_cast<std::ptrdiff_t>(used));
        });
    });
    if (!error.empty()) {
        logStep(m_log, "RXPlayer.Open, WaveinOpen", error);
        t->run([t] {
            delete t->source;
            t->source = nullptr;
        });
        return false;
    }
    m_thread = std::move(thread);
    return true;
}

void AudioCapture::stop()
{
    if (!m_thread)
        return;
    AudioThread* t = m_thread.get();
    std::string error;
    t->run([&] {
        t->source->stop();
        error = errorText(t->source->error() == QAudio::UnderrunError ? QAudio::NoError : t->source->error());
        delete t->source; // disconnects readyRead: no consumer call after this
        t->source = nullptr;
        t->io = nullptr;
    });
    if (!error.empty())
        logStep(m_log, "RXPlayer.Close, WaveinReset", error);
    m_thread.reset();
}

// ---------------------------------------------------------------------------------------------

// Shared between the controlling thread (write, reset) and the audio thread (feed).
struct AudioOutQueue {
    struct Chunk {
        int header;
        QByteArray bytes;
        qsizetype written = 0;
        std::int64_t endOffset = 0; // cumulative bytes through this chunk
    };
    std::mutex mutex;
    std::deque<Chunk> waiting;  // not yet (fully) handed to the sink
    std::deque<Chunk> inDevice; // handed over, not yet reported played
    std::int64_t totalQueued = 0;
    std::int64_t totalWritten = 0;
};

AudioPlayback::AudioPlayback(std::string deviceName) : m_deviceName(std::move(deviceName)) {}

AudioPlayback::~AudioPlayback()
{
    close();
}

std::string AudioPlayback::open()
{
    close();
    QAudioDevice dev = findDevice(QMediaDevices::audioOutputs(), QMediaDevices::defaultAudioOutput(), m_deviceName);
    if (dev.isNull())
        return "no audio output device \"" + m_deviceName + "\"";
    auto thread = std::make_unique<AudioThread>();
    AudioThread* t = thread.get();
    auto state = std::make_shared<AudioOutQueue>();
    m_queue = state;
    std::string error;
    auto played = m_played;
    t->run([&] {
        t->sink = new QAudioSink(dev, captureFormat(), t->context());
        t->sink->setBufferSize(kQtBufferBytes);
        t->io = t->sink->start();
        if (!t->io || t->sink->error() != QAudio::NoError) {
            error = errorText(t->sink->error());
            if (error.empty())
                error = "The device could not be opened.";
            return;
        }
        t->timer = new QTimer(t->context());
        t->timer->setInterval(10);
        QObject::connect(t->timer, &QTimer::timeout, t->context(), [t, state, played] {
            std::vector<int> done;
            {
                std::lock_guard lock(state->mutex);
                qsizetype room = t->sink->bytesFree();
                while (room > 0 && !state->waiting.empty()) {
                    AudioOutQueue::Chunk& c = state->waiting.front();
                    qint64 n = t->io->write(c.bytes.constData() + c.written,
                                            std::min<qsizetype>(room, c.bytes.size() - c.written));
                    if (n <= 0)
                        break;
                    c.written += n;
                    room -= n;
                    state->totalWritten += n;
                    if (c.written == c.bytes.size()) {
                        state->inDevice.push_back(std::move(c));
                        state->waiting.pop_front();
                    }
                }
                // What is no longer in the sink's buffer has been played.
                std::int64_t inBuffer = t->sink->bufferSize() - t->sink->bytesFree();
                std::int64_t playedBytes = state->totalWritten - std::max<std::int64_t>(inBuffer, 0);
                while (!state->inDevice.empty() && state->inDevice.front().endOffset <= playedBytes) {
                    done.push_back(state->inDevice.front().header);
                    state->inDevice.pop_front();
                }
            }
            if (played)
                for (int h : done)
                    played(h);
        });
        t->timer->start();
    });
    if (!error.empty()) {
        t->run([t] {
            delete t->sink;
            t->sink = nullptr;
        });
        m_queue.reset();
        return error;
    }
    m_thread = std::move(thread);
    return {};
}

std::string AudioPlayback::write(int header, std::span<const std::int16_t> samples)
{
    auto q = m_queue;
    if (!q)
        return "The device is not open.";
    std::lock_guard lock(q->mutex);
    AudioOutQueue::Chunk c;
    c.header = header;
    c.bytes = QByteArray(reinterpret_cast<const char*>(samples.data()), static_cast<qsizetype>(samples.size() * 2));
    q->totalQueued += c.bytes.size();
    c.endOffset = q->totalQueued;
    q->waiting.push_back(std::move(c));
    return {};
}

std::string AudioPlayback::reset()
{
    if (!m_thread)
        return {};
    {
        std::lock_guard lock(m_queue->mutex);
        m_queue->waiting.clear();
        m_queue->inDevice.clear();
    }
    AudioThread* t = m_thread.get();
    t->run([t] { t->sink->reset(); });
    return {};
}

std::string AudioPlayback::close()
{
    if (!m_thread)
        return {};
    AudioThread* t = m_thread.get();
    std::string error;
    t->run([&] {
        t->timer->stop();
        t->sink->stop();
        QAudio::Error e = t->sink->error();
        error = errorText(e == QAudio::UnderrunError ? QAudio::NoError : e);
        delete t->sink;
        t->sink = nullptr;
        t->io = nullptr;
    });
    m_thread.reset();
    m_queue.reset();
    return error;
}

} // namespace tellur::platform
