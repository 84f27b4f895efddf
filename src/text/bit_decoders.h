// The two bit decoders of the text receiver. Both read ring items (0 = mark = bit 1,
// 255 = space = bit 0, as the RTTY demodulators deliver them) and time their bits in integer
// fixed point (1/10000 sample), so no timing error accumulates. Owned by the receiver and run
// on its thread; they never allocate per item beyond the output string.
#pragma once

#include "text/text_codes.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tellur::text {

struct BitTiming {
    std::int64_t samplesPerBitE4 = 0;
    std::int64_t halfBitE4 = 0;
    // Both rounded half to even, as the receiver computes them from its ring rate.
    static BitTiming from(std::int64_t sampleRateE4, std::int64_t baudE4);
};

// Asynchronous start/stop decoding: each character synchronises on its own start edge.
class BaudotDecoder {
public:
    enum class State { Idle, StartBit, DataBits, StopBit };

    BaudotDecoder(BitTiming timing, int bits);
    void setTiming(BitTiming timing, int bits);
    void reset(); // idle, phase 0, previous item 0

    // Decoded characters (already upper case, never 0) are appended to out.
    void process(std::span<const std::uint16_t> items, ShiftState& shift, std::string& out);

    State state() const { return m_state; }

private:
    BitTiming m_timing;
    int m_bits;
    State m_state = State::Idle;
    std::int64_t m_phaseE4 = 0;
    int m_bitCount = 0;
    std::uint8_t m_register = 0;
    std::uint16_t m_previous = 0;
};

// What a receiver must do when the FEC decoder gains or loses synchronisation: the framing is
// reset on sync and drops a message in progress on loss.
class FecListener {
public:
    virtual ~FecListener() = default;
    virtual void fecSynchronised() = 0;
    virtual void fecSynchronisationLost() = 0;
};

// SITOR-B collective mode: bit clock loop with gain 1/32, phasing detection in a 42-bit register,
// DX/RX choice per character pair and an error counter that drops synchronisation.
class FecDecoder {
public:
    static constexpr int kMaxErrors = 40;

    explicit FecDecoder(BitTiming timing);
    void setTiming(BitTiming timing);
    void reset(); // not synchronised, registers and counters cleared, previous item 0

    void process(std::span<const std::uint16_t> items, ShiftState& shift, std::string& out,
                 FecListener* listener = nullptr);

    bool synchronised() const { return m_synchronised; }
    int errorCount() const { return m_errors; }
    std::int64_t phaseE4() const { return m_phaseE4; }
    std::uint8_t reg(int i) const { return m_regs[static_cast<std::size_t>(i)]; }

private:
    void loseSync(FecListener* listener);

    BitTiming m_timing;
    std::int64_t m_phaseE4 = 0;
    std::int64_t m_sinceTransition = 0;
    int m_bitCounter = 0;
    int m_errors = 0;
    bool m_synchronised = false;
    std::array<std::uint8_t, 6> m_regs{}; // R0 newest .. R5 oldest
    std::uint16_t m_previous = 0;
};

} // namespace tellur::text
