#include "text/bit_decoders.h"

#include "core/numeric.h"

#include <cctype>

namespace tellur::text {

BitTiming BitTiming::from(std::int64_t sampleRateE4, std::int64_t baudE4)
{
    BitTiming t;
    if (baudE4 <= 0)
        baudE4 = 450000;
    t.samplesPerBitE4 = roundHalfEven(static_cast<double>(sampleRateE4) / static_cast<double>(baudE4) * 10000.0);
    t.halfBitE4 = roundHalfEven(static_cast<double>(t.samplesPerBitE4) / 2.0);
    return t;
}

BaudotDecoder::BaudotDecoder(BitTiming timing, int bits) : m_timing(timing), m_bits(bits) {}

void BaudotDecoder::setTiming(BitTiming timing, int bits)
{
    m_timing = timing;
    m_bits = bits;
}

void BaudotDecoder::reset()
{
    m_state = State::Idle;
    m_phaseE4 = 0;
    m_bitCount = 0;
    m_register = 0;
    m_previous = 0;
}

void BaudotDecoder::process(std::span<const std::uint16_t> items, ShiftState& shift, std::string& out)
{
    for (std::uint16_t item : items) {
        if (m_state != State::Idle)
            m_phaseE4 += 10000;
        switch (m_state) {
        case State::Idle:
            if (m_previous == 0 && item == 255) {
                m_state = State::StartBit;
                m_phaseE4 = 0;
            }
            break;
        case State::StartBit:
            if (m_phaseE4 > m_timing.halfBitE4) {
                if (item == 255) {
                    m_phaseE4 -= m_timing.halfBitE4;
                    m_bitCount = 0;
                    m_register = 0;
                    m_state = State::DataBits;
                } else {
                    m_state = State::Idle; // false start
                }
            }
            break;
        case State::DataBits:
            if (m_phaseE4 > m_timing.samplesPerBitE4) {
                m_register = static_cast<std::uint8_t>((m_register >> 1) | ((item == 0 ? 1 : 0) << 4));
                ++m_bitCount;
                m_phaseE4 -= m_timing.samplesPerBitE4;
                if (m_bitCount == m_bits)
                    m_state = State::StopBit;
            }
            break;
        case State::StopBit:
            if (m_phaseE4 > m_timing.samplesPerBitE4) {
                m_state = State::Idle;
                if (item == 0) {
                    char c = convertBaudot(m_register, shift);
                    if (c != 0)
                        out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
                }
            }
            break;
        }
        m_previous = item;
    }
}

FecDecoder::FecDecoder(BitTiming timing) : m_timing(timing) {}

void FecDecoder::setTiming(BitTiming timing) { m_timing = timing; }

void FecDecoder::reset()
{
    m_phaseE4 = 0;
    m_sinceTransition = 0;
    m_bitCounter = 0;
    m_errors = 0;
    m_synchronised = false;
    m_regs = {};
    m_previous = 0;
}

void FecDecoder::loseSync(FecListener* listener)
{
    m_synchronised = false;
    if (listener)
        listener->fecSynchronisationLost();
}

void FecDecoder::process(std::span<const std::uint16_t> items, ShiftState& shift, std::string& out,
                         FecListener* listener)
{
    for (std::uint16_t item : items) {
        m_phaseE4 += 10000;
        ++m_sinceTransition;
        if (m_phaseE4 > m_timing.samplesPerBitE4) {
            m_phaseE4 -= m_timing.samplesPerBitE4;
            ++m_bitCounter;
            const unsigned bit = item == 0 ? 1u : 0u;
            for (std::size_t i = 5; i > 0; --i)
                m_regs[i] = static_cast<std::uint8_t>(((m_regs[i] << 1) | ((m_regs[i - 1] >> 6) & 1u)) & 0x7Fu);
            m_regs[0] = static_cast<std::uint8_t>(((m_regs[0] << 1) | bit) & 0x7Fu);
        }
        if (item != m_previous) {
            m_sinceTransition = 0;
            // Pull the sampling instant toward half a bit after the transitions.
            m_phaseE4 += roundHalfEven(static_cast<double>(m_timing.halfBitE4 - m_phaseE4) / 32.0);
        }
        m_previous = item;

        if (!m_synchronised) {
            if (m_regs[5] == kFecPhasingBeta && m_regs[3] == kFecPhasingBeta && m_regs[1] == kFecPhasingBeta &&
                m_regs[0] == kFecPhasingAlpha) {
                m_synchronised = true;
                m_bitCounter = 0;
                m_errors = 0;
                out.append("\n\n");
                if (listener)
                    listener->fecSynchronised();
            }
            continue;
        }
        if (m_bitCounter < 14)
            continue;
        m_bitCounter = 0;
        char c;
        if (fecCodeValid(m_regs[5])) {
            c = convertFec(m_regs[5], shift);
            --m_errors;
        } else {
            ++m_errors;
            if (fecCodeValid(m_regs[0])) {
                c = convertFec(m_regs[0], shift);
                --m_errors;
            } else {
                ++m_errors;
                c = '_';
            }
        }
        if (m_errors > kMaxErrors)
            loseSync(listener);
        else if (m_errors < 0)
            m_errors = 0;
        if (c != 0)
            out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        if (m_synchronised && m_regs[5] == kFecPhasingAlpha && m_regs[3] == kFecPhasingAlpha)
            loseSync(listener);
    }
}

} // namespace tellur::text
