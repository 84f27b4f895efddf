// Where transmitters put their tone codes: the soundcard tone generator or a serial interface.
// One byte per output item names its frequency (soundcard code c: 1000 + c * 1400 / 255 Hz,
// 0 silence; the PTC-II has its own scale). Called from the transmitter thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tellur::signal {

class CodeSink {
public:
    virtual ~CodeSink() = default;
    // Room for this many more codes without blocking; transmitters pace themselves against it.
    virtual std::size_t freeRoom() const = 0;
    virtual void write(std::span<const std::uint8_t> codes) = 0;
};

} // namespace tellur::signal
