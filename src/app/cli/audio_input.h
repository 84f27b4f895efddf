// The audio input shared by every `decode` command and `demod`, and the loop that drives a
// receiver from it on a virtual clock.
//
//   AudioInputOptions in;
//   takeAudioInputOptions(args, in);           // --rate N, --device NAME, --realtime, --list-devices
//   if (in.listDevices) return listAudioDevices();
//   in.source = args.at(0);                    // a file path, or "-" for raw s16le on stdin
//   std::string err;
//   auto input = AudioInput::open(in, err);    // nullptr + one-line reason -> exit status 1
//   signal::SoundcardDemodulator demod; demod.select("FMFAX");
//   auto ring = std::make_unique<SampleRing>();
//   driveReceiver(*input, demod, *ring, in.realtime, [&](std::int64_t elapsedMs) {
//       receiver.tick();                       // reads the ring up to its write snapshot
//       return true;                           // false stops early
//   });
//
// Files: anything libsndfile reads, first channel, resampled to 11025 S/s. Standard input: raw
// signed 16-bit little-endian mono at --rate (default 11025), resampled. --device captures from
// an audio input device ("Auto" or a name from --list-devices) until end of input is signalled
// (SIGINT/SIGTERM) or the tick returns false.
#pragma once

#include "core/sample_ring.h"
#include "signal/demodulators.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tellur::cli {

struct AudioInputOptions {
    std::string source;   // file path or "-"
    int rate = 11025;     // --rate, standard input only
    std::string device;   // --device NAME: capture instead of a file
    bool realtime = false;
    bool listDevices = false;
};

// Takes the audio-input options out of args. Throws std::invalid_argument (a usage error, after
// printing the reason) on a malformed --rate.
void takeAudioInputOptions(std::vector<std::string>& args, AudioInputOptions& opts);

// Prints the capture devices, one per line ("Auto" first); returns the exit status.
int listAudioDevices();

// 11025 S/s 16-bit mono samples from a file, standard input or a capture device.
class AudioInput {
public:
    virtual ~AudioInput() = default;
    // Blocks until at least one sample is there; fills up to out.size(); 0 at the end of input.
    virtual std::size_t read(std::span<std::int16_t> out) = 0;
    // Realtime sources pace themselves; files and pipes may be paced by --realtime.
    virtual bool live() const { return false; }

    static std::unique_ptr<AudioInput> open(const AudioInputOptions& opts, std::string& error);
};

// The receiver side of the virtual clock: called once per 200 ms of input (2205 samples) after
// they went through the demodulator, and once more at the end of input. elapsedMs is input time.
using TickFn = std::function<bool(std::int64_t elapsedMs)>;

inline constexpr int kTickSamples = 2205; // 200 ms at 11025 S/s

struct DriveResult {
    std::int64_t samples = 0;
    std::int64_t ticks = 0;
    bool stoppedByTick = false;
    int signal = 0; // SIGINT or SIGTERM when one ended the input
};

// Feeds input through demod into ring and runs tick on the virtual clock. With realtime, input
// is paced at 11025 S/s of wall-clock time (live sources are paced by the device anyway).
// SIGINT and SIGTERM end the input as its end would (the caller then ends the reception as Stop
// does); the signal is in the result.
DriveResult driveReceiver(AudioInput& input, signal::SoundcardDemodulator& demod, SampleRing& ring,
                          bool realtime, const TickFn& tick);

// 130 after SIGINT, 143 after SIGTERM, else status.
int exitStatusAfter(const DriveResult& drive, int status);

} // namespace tellur::cli
