#include "signal/serial_transmit.h"

#include <algorithm>
#include <string>

namespace tellur::signal {

bool SerialTransmit::transmission(bool begin, bool aborted)
{
    if (m_settings.interfaceType == InterfaceType::SoundCard || m_settings.comPort == 0)
        return true;
    if (!m_port.isOpen())
        return false;
    bool ok = true;
    try {
        m_port.clearOutput();
        m_port.setFlowControl(begin ? FlowControl::Hardware : FlowControl::None);
        if (!m_port.isOpen())
            return false;
        if (!m_port.cts())
            ok = false;
        if (!begin) {
            if (m_settings.interfaceType == InterfaceType::Ptc2) {
                if (aborted) {
                    std::string tail(1 + kPtcAbortIdleCodes, static_cast<char>(kPtcIdleCode));
                    tail[0] = static_cast<char>(kPtcTransmitAbort);
                    m_port.write(tail);
                } else {
                    m_port.writeByte(kPtcTransmitEnd);
                }
            }
            m_port.clearInput();
        }
    } catch (...) {
        return false;
    }
    return ok;
}

void SerialTransmit::keying(bool on)
{
    if (m_settings.interfaceType != InterfaceType::SoundCard || m_settings.comPort == 0)
        return;
    try {
        if (m_port.number() != m_settings.comPort)
            m_port.setNumber(m_settings.comPort);
        if (!m_port.isOpen())
            m_port.open();
        m_port.setRts(on);
        m_port.setDtr(on);
        if (!on)
            m_port.close();
    } catch (...) {
        // A keying port that fails must not stop the transmission.
    }
}

void SerialCodeSink::write(std::span<const std::uint8_t> codes)
{
    while (!codes.empty()) {
        auto part = codes.first(std::min(codes.size(), kChunk));
        try {
            if (!m_port.writeBytes(part))
                ++m_failed;
        } catch (...) {
            ++m_failed;
        }
        codes = codes.subspan(part.size());
    }
}

} // namespace tellur::signal
