// The decoding core of the RTTY/NAVTEX receive window: runs the Baudot or FEC decoder over ring
// items, keeps the decoded-character buffer, and on consumption hands every character to the
// message framing. The window (or the command-line decoder) calls it from its tick; one thread.
#pragma once

#include "text/bit_decoders.h"
#include "text/message_framing.h"
#include "settings/rtty_mode_table.h"

#include <span>
#include <string>

namespace tellur::text {

class TextReceiver final : private FecListener {
public:
    static constexpr std::int64_t kDefaultSampleRateE4 = 73500000; // 7350 items/s

    explicit TextReceiver(MessageSink& sink, std::int64_t sampleRateE4 = kDefaultSampleRateE4);

    // Timing from the baud rate, decoders and framing reset (the non-PTC part of apply mode).
    void applyMode(std::uint8_t type, std::int64_t baudE4, int bits);
    void applyMode(const RttyModeRecord& row) { applyMode(row.type, row.baudE4, row.bits); }

    // Bit decoder loop over new ring items at station time now.
    void processItems(std::span<const std::uint16_t> items, DayTime now);
    // Characters a PTC-II decoded, into the same buffer.
    void addDecoded(const std::string& chars) { m_decoded += chars; }
    // Character consumer: frames every decoded character and returns them for the display.
    std::string consume(DayTime now);

    // Status display: FEC rows "waiting" while not synchronised; Baudot rows always "running".
    bool running() const { return m_type != RttyFec || m_fec.synchronised(); }
    bool fec() const { return m_type == RttyFec; }
    MessageFraming& framing() { return m_framing; }
    const BitTiming& timing() const { return m_timing; }
    const FecDecoder& fecDecoder() const { return m_fec; }

private:
    void fecSynchronised() override;
    void fecSynchronisationLost() override;

    std::int64_t m_sampleRateE4;
    std::uint8_t m_type = RttyBaudot;
    BitTiming m_timing;
    ShiftState m_shift;
    BaudotDecoder m_baudot;
    FecDecoder m_fec;
    MessageFraming m_framing;
    void frameUpTo();

    std::string m_decoded;        // decoded, not yet consumed
    std::size_t m_framedUpTo = 0; // characters of m_decoded already framed
    DayTime m_now = 0;
};

} // namespace tellur::text
