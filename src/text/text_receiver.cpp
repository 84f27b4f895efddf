#include "text/text_receiver.h"

namespace tellur::text {

TextReceiver::TextReceiver(MessageSink& sink, std::int64_t sampleRateE4)
    : m_sampleRateE4(sampleRateE4), m_timing(BitTiming::from(sampleRateE4, 450000)), m_baudot(m_timing, 5),
      m_fec(m_timing), m_framing(MessageFraming::Variant::Bulletin, sink)
{
}

void TextReceiver::applyMode(std::uint8_t type, std::int64_t baudE4, int bits)
{
    m_type = type;
    m_timing = BitTiming::from(m_sampleRateE4, baudE4);
    m_baudot.setTiming(m_timing, bits);
    m_baudot.reset();
    m_fec.setTiming(m_timing);
    m_fec.reset();
    m_framing.setVariant(type == RttyFec ? MessageFraming::Variant::Navtex : MessageFraming::Variant::Bulletin);
    m_framing.reset();
}

void TextReceiver::processItems(std::span<const std::uint16_t> items, DayTime now)
{
    m_now = now;
    if (m_type == RttyFec)
        m_fec.process(items, m_shift, m_decoded, this);
    else
        m_baudot.process(items, m_shift, m_decoded);
}

std::string TextReceiver::consume(DayTime now)
{
    m_now = now;
    frameUpTo();
    std::string out;
    out.swap(m_decoded);
    m_framedUpTo = 0;
    return out;
}

// Characters decoded before a change of synchronisation are framed before the framing is reset
// or drops its message, whatever the tick length: "NNNN" just before the end of emission counts.
void TextReceiver::frameUpTo()
{
    for (; m_framedUpTo < m_decoded.size(); ++m_framedUpTo)
        m_framing.frame(m_decoded[m_framedUpTo], m_now);
}

void TextReceiver::fecSynchronised()
{
    frameUpTo();
    m_framing.reset();
}

void TextReceiver::fecSynchronisationLost()
{
    frameUpTo();
    m_framing.dropInProgress();
}

} // namespace tellur::text
