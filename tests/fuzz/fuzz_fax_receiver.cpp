// The FAX receiver over arbitrary ring items and damaged mode rows: every state, header reading
// and line rendering must survive whatever the interface delivers.
#include "core/event_log.h"
#include "core/sample_ring.h"
#include "settings/fax_mode_table.h"
#include "fax/fax_receiver.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

struct Host final : tellur::fax::FaxReceiverHost {
    double stationTime() override { return 45306.5; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tellur;
    if (size < 8)
        return 0;
    fax::FaxModeRecord mode = fax::kDefaultFaxModes[data[0] % 12];
    mode.phaseMode = data[1] % 4;
    mode.startStopMode = data[2] % 2;
    mode.pixelsPerLine = 600 + data[3] * 8;
    mode.pixelsToShow = data[4] * 10;
    mode.firstPixel = (data[5] & 0x0F) * 100;
    mode.maxLines = 1 + data[6] * 4;
    mode.lpm = 20 + (data[7] % 64) * 9;
    mode.bitDepth = static_cast<std::uint16_t>(data[5] >> 4);
    if (data[1] & 0x80)
        mode.palette = "D_SCH";
    else if (data[1] & 0x40)
        mode.palette = "Automatic";
    fax::FaxReceiverSettings settings;
    settings.fourteenBit = (data[2] & 0x80) != 0;
    settings.soundcard = (data[2] & 0x40) != 0;
    settings.dataRate = 2000 + (data[3] % 64) * 160;

    // One receiver for all inputs, as a window keeps one across mode changes.
    static auto ring = std::make_unique<SampleRing>();
    static LevelHistogram hist;
    static Host host;
    static NullEventLog log;
    static fax::FaxReceiver rx(*ring, hist, host, log);
    ring->reset(settings.dataRate, hist);
    rx.selectMode(mode, settings);
    if (data[2] & 0x20)
        rx.startButtonClick();
    data += 8;
    size -= 8;
    // Items are byte pairs; each input is repeated so that timing-driven states are reached.
    for (int pass = 0; pass < 4; ++pass) {
        for (std::size_t i = 0; i + 1 < size; i += 2) {
            ring->append(static_cast<std::uint16_t>(data[i] | data[i + 1] << 8));
            if (i % 2048 == 0)
                rx.tick();
        }
        rx.tick();
    }
    return 0;
}
