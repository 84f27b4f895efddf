// Turns bytes received from a serial interface into sample-ring items. With the 14-bit stream
// flag a byte with bit 7 set carries the high part of the next item (kept in the high-part
// register) and emits nothing; every other byte emits low + 128 x high. Without the flag every
// byte is one item. Every byte also proves the interface alive: the watchdog counter goes to 0.
//
// Owned by whoever owns the serial reader; used only by the reader thread while it runs. The
// high-part register survives reader restarts, as the station keeps it from program start.
#pragma once

#include "core/sample_ring.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

namespace tellur::signal {

class SerialFraming {
public:
    void setFourteenBit(bool on) { m_fourteenBit = on; }
    bool fourteenBit() const { return m_fourteenBit; }
    std::int32_t highPart() const { return m_highPart; }
    void reset() { m_highPart = 0; }

    void process(std::span<const std::uint8_t> bytes, SampleRing& ring, std::atomic<std::int32_t>& watchdog)
    {
        if (bytes.empty())
            return;
        // Items are appended in blocks so the write index is published once per block.
        std::array<std::uint16_t, 512> block;
        std::size_t n = 0;
        for (std::uint8_t b : bytes) {
            if (m_fourteenBit && b >= 128) {
                m_highPart = b & 0x7F;
                continue;
            }
            block[n++] = m_fourteenBit ? static_cast<std::uint16_t>(b + 128 * m_highPart) : b;
            if (n == block.size()) {
                ring.append(std::span<const std::uint16_t>(block.data(), n));
                n = 0;
            }
        }
        if (n)
            ring.append(std::span<const std::uint16_t>(block.data(), n));
        watchdog.store(0, std::memory_order_relaxed);
    }

private:
    bool m_fourteenBit = false;
    std::int32_t m_highPart = 0;
};

} // namespace tellur::signal
