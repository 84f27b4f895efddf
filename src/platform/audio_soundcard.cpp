#include "platform/audio_soundcard.h"

namespace tellur::platform {

SoundcardDevices soundcardDevicesFromConfig(int waveDeviceIndex, int mixerDeviceIndex, int mixerDeviceCount)
{
    SoundcardDevices d;
    if (mixerDeviceIndex == mixerDeviceCount)
        return d;
    auto inputs = audioInputNames();
    auto outputs = audioOutputNames();
    if (waveDeviceIndex >= 0 && waveDeviceIndex < static_cast<int>(inputs.size()))
        d.input = inputs[static_cast<std::size_t>(waveDeviceIndex)];
    if (waveDeviceIndex >= 0 && waveDeviceIndex < static_cast<int>(outputs.size()))
        d.output = outputs[static_cast<std::size_t>(waveDeviceIndex)];
    return d;
}

Soundcard::Soundcard(SampleRing& ring, EventLog& log, SoundcardDevices devices)
    : m_ring(ring), m_log(log), m_devices(std::move(devices))
{
}

Soundcard::~Soundcard()
{
    select("");
}

void Soundcard::select(std::string_view name)
{
    stopToneOutput(false);
    if (m_playback) {
        // The playback resumes capture as it ends; wait for it before stopping capture for good.
        m_playback->abort();
        m_playback->wait();
    }
    stopCapture();
    m_captureWanted = false;
    if (name.empty()) {
        m_demod.select("");
        return;
    }
    m_demod.select(name);
    if (const DemodRow* row = findDemod(name); row && !row->receives()) {
        m_output = std::make_unique<AudioPlayback>(m_devices.output);
        m_player = std::make_unique<signal::TonePlayer>(*m_output, m_log);
        signal::TonePlayer* player = m_player.get();
        m_output->setPlayedHandler([player](int header) { player->played(header); });
        m_player->open();
        m_generator = std::make_unique<signal::ToneGenerator>(*m_player);
        return;
    }
    if (m_demod.receiving()) {
        m_captureWanted = true;
        startCapture();
    }
}

void Soundcard::stopToneOutput(bool abort)
{
    if (!m_player)
        return;
    if (!abort) {
        try {
            m_generator->flush();
        } catch (const signal::ToneOutputError&) {
            // the device is gone; nothing left to play
        }
    }
    m_player->stop(abort);
    m_generator.reset();
    m_player.reset();
    m_output.reset();
}

void Soundcard::startCapture()
{
    m_capture = std::make_unique<AudioCapture>(m_log);
    SampleRing* ring = &m_ring;
    signal::SoundcardDemodulator* demod = &m_demod;
    if (!m_capture->start(m_devices.input,
                          [ring, demod](std::span<const std::int16_t> block) { demod->process(block, *ring); }))
        m_capture.reset(); // logged; "capture carries on in whatever state the device allows"
}

void Soundcard::stopCapture()
{
    if (m_capture) {
        m_capture->stop();
        m_capture.reset();
    }
}

void Soundcard::stopLiveCapture()
{
    stopCapture();
}

void Soundcard::resumeLiveCapture()
{
    if (m_captureWanted && !m_capture)
        startCapture();
}

bool Soundcard::startWavePlayback(const std::filesystem::path& file, signal::WavePlaybackHooks hooks)
{
    if (!m_captureWanted || wavePlaybackRunning())
        return false;
    if (m_playback)
        m_playback->wait();
    m_playback = std::make_unique<signal::WavePlayback>(m_demod, m_ring, *this, std::move(hooks));
    return m_playback->start(file);
}

void Soundcard::abortWavePlayback()
{
    if (m_playback)
        m_playback->abort();
}

} // namespace tellur::platform
