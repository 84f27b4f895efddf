// Cuts a character stream into messages: NAVTEX ("ZCZC B1B2B3B4" ... "NNNN"), RTTY bulletins
// ("ZCZC" header ... "NNNN", "ZCZC", "RYRYRYRY" or 30 minutes) and the import variant that
// accepts both from a text file. Owned by the receiver (or an import run); one thread.
#pragma once

#include <string>
#include <vector>

namespace tellur::text {

// Date-times are day numbers with the fraction of the day, day 0 = 30 December 1899.
using DayTime = double;

struct FramedMessage {
    enum class Kind { Navtex, Bulletin };
    Kind kind = Kind::Navtex;
    std::string id;         // NAVTEX B1B2B3B4, bulletin "@" + header
    DayTime start = 0;      // when the header was accepted
    std::vector<std::string> lines;
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void storeMessage(const FramedMessage& message) = 0;
};

class MessageFraming {
public:
    enum class Variant { Navtex, Bulletin, Import };
    static constexpr DayTime kBulletinTimeout = 1.0 / 48.0; // 30 minutes
    // A line without an end is cut here, and a message that grows beyond kMaxLines is closed,
    // so a noisy receiver left running for days cannot grow the framing without bound.
    static constexpr std::size_t kMaxLineLength = 4096;
    static constexpr std::size_t kMaxLines = 5000;

    MessageFraming(Variant variant, MessageSink& sink) : m_variant(variant), m_sink(&sink) {}

    void setVariant(Variant v) { m_variant = v; }
    // Upper-cases ch; a zero character is ignored.
    void frame(char ch, DayTime now);
    void frame(const std::string& text, DayTime now)
    {
        for (char c : text)
            frame(c, now);
    }
    void reset();          // state 0, empty buffer
    void dropInProgress(); // a message being read is dropped (FEC lost synchronisation)
    void closeMessage();   // a message being read is stored (the modem reports no signal)

    int state() const { return m_state; }
    const std::string& buffer() const { return m_buffer; }
    const FramedMessage& current() const { return m_message; }

private:
    void store();
    void addLine(const std::string& raw);

    Variant m_variant;
    MessageSink* m_sink;
    int m_state = 0;
    std::string m_buffer;
    FramedMessage m_message;
};

} // namespace tellur::text
