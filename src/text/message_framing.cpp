#include "text/message_framing.h"

#include <cctype>

namespace tellur::text {

namespace {

bool contains(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }
bool isUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool isDigitChar(char c) { return c >= '0' && c <= '9'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// " B1B2B3B4" + line end: the NAVTEX header after "ZCZC".
bool navtexHeader(const std::string& b)
{
    return b.size() >= 6 && b[0] == ' ' && isUpperLetter(b[1]) && isUpperLetter(b[2]) && isDigitChar(b[3]) &&
           isDigitChar(b[4]) && isLineEnd(b[5]);
}

} // namespace

void MessageFraming::reset()
{
    m_state = 0;
    m_buffer.clear();
}

void MessageFraming::dropInProgress()
{
    if (m_state == 2) {
        m_state = 0;
        m_buffer.clear();
    }
}

void MessageFraming::closeMessage()
{
    if (m_state == 2)
        store();
    m_state = 0;
    m_buffer.clear();
}

void MessageFraming::store()
{
    m_sink->storeMessage(m_message);
}

void MessageFraming::addLine(const std::string& raw)
{
    std::string line;
    for (char c : raw)
        if (!isLineEnd(c))
            line.push_back(c);
    m_message.lines.push_back(std::move(line));
}

void MessageFraming::frame(char ch, DayTime now)
{
    if (ch == 0)
        return;
    m_buffer.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(ch))));

    switch (m_state) {
    case 0: {
        const std::size_t at = m_buffer.find("ZCZC");
        if (at == std::string::npos) {
            if (m_buffer.size() > 3) // only a "ZCZ" split across characters can still matter
                m_buffer.erase(0, m_buffer.size() - 3);
            return;
        }
        if (m_variant == Variant::Navtex) {
            m_buffer.erase(0, at + 4);
        } else {
            m_message.lines.clear();
            if (m_variant == Variant::Import)
                m_message.lines.emplace_back("ZCZC");
            m_buffer.clear();
        }
        m_state = 1;
        return;
    }
    case 1:
        if (m_variant == Variant::Navtex) {
            if (m_buffer.size() < 7)
                return;
            if (navtexHeader(m_buffer)) {
                m_state = 2;
                m_message.kind = FramedMessage::Kind::Navtex;
                m_message.lines.clear();
                m_message.start = now;
                m_message.id = m_buffer.substr(1, 4);
                m_message.lines.push_back(m_message.id);
            } else {
                m_state = 0;
            }
            m_buffer.clear();
        } else if (m_variant == Variant::Bulletin) {
            if (m_buffer.size() < 6)
                return;
            std::string header;
            if (m_buffer[0] != ' ')
                header.push_back(m_buffer[0]);
            header += m_buffer.substr(1, 3);
            if (isDigitChar(m_buffer[4]))
                header.push_back(m_buffer[4]);
            m_state = 2;
            m_message.kind = FramedMessage::Kind::Bulletin;
            m_message.start = now;
            m_message.lines.push_back("ZCZC " + header);
            m_message.id = "@" + header;
            m_buffer.clear();
        } else {
            if (m_buffer.size() < 6)
                return;
            if (navtexHeader(m_buffer)) {
                m_message.kind = FramedMessage::Kind::Navtex;
                m_message.id = m_buffer.substr(1, 4);
                m_message.lines.push_back(m_message.id);
            } else {
                m_message.kind = FramedMessage::Kind::Bulletin;
                m_message.id = "@" + m_buffer.substr(1, 3);
                m_message.lines.push_back(" " + m_buffer.substr(1, 3));
            }
            m_buffer.clear();
            m_state = 2;
            m_message.start = now;
        }
        return;
    case 2: {
        const char lineEnd = m_variant == Variant::Bulletin ? '\n' : '\r';
        if (m_buffer.find(lineEnd) != std::string::npos || m_buffer.size() >= kMaxLineLength) {
            addLine(m_buffer);
            m_buffer.clear();
        }
        if (contains(m_buffer, "NNNN")) {
            m_message.lines.emplace_back("NNNN");
            m_state = 0;
            m_buffer.clear();
            store();
        } else if (contains(m_buffer, "ZCZC")) {
            store();
            m_state = 0;
        } else if (m_variant != Variant::Navtex && contains(m_buffer, "RYRYRYRY")) {
            store();
            m_state = 0;
        } else if (m_variant == Variant::Bulletin && now - m_message.start > kBulletinTimeout) {
            store();
            m_state = 0;
        } else if (m_message.lines.size() >= kMaxLines) {
            store();
            m_state = 0;
            m_buffer.clear();
        }
        return;
    }
    default:
        m_state = 0;
        return;
    }
}

} // namespace tellur::text
