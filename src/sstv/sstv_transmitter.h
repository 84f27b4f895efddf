// The SSTV transmitter: turns a picture into the stream of tone codes of one transmission
// (header with warble and identification word, the scan lines, trailer with Morse
// identification) and sends it to a code sink from its own thread.
//
// SstvCodeStream is the pure part: it owns a copy of the transmit row scaled to the code rate,
// the header and trailer lists and the line clock, and builds one transmitted line per call.
// SstvTransmitter runs the send loop (the original's transmitter thread) on a std::jthread, or
// step by step from a caller (tests, the command-line encoder) with no thread at all.
#pragma once

#include "core/text_mask.h"
#include "signal/code_sink.h"
#include "sstv/sstv_modes.h"
#include "sstv/sstv_tone_codes.h"
#include "storage/rgb_picture.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tellur::sstv {

struct SstvTxSettings {
    int interfaceType = kInterfaceSoundcard;
    double dataRate = 7350.0;    // codes per second before the offset
    double txRateOffset = 0.0;
    std::string callSign;
    bool cwIdAfter = false;      // "CW ID after TX:"
    bool repeatOrBeacon = false; // repeater transmissions always end with the Morse identification
    char identificationChar = 'K';
    bool with1750 = false;       // 2 s of 1750 Hz before the warble
};

// k: codes per millisecond, a float, halved for the PTC-II.
float txCodesPerMs(const SstvTxSettings& settings);
// Codes per second for the Morse generator and tone bursts (halved for the PTC-II).
double txCodesPerSecond(const SstvTxSettings& settings);

// The call sign check before any transmission: more than 2 characters once trimmed.
bool callSignUsable(std::string_view callSign);

enum class SegmentType : std::uint8_t { Sync, Black, Component1, Component2, Component3 };

struct Segment {
    SegmentType type;
    std::int64_t start;  // scaled units
    std::int64_t length; // scaled units
};

class SstvCodeStream {
public:
    using CodeList = std::deque<std::vector<std::uint8_t>>;

    // The picture is taken as it is; rows and columns beyond its size read as black.
    SstvCodeStream(int row, const storage::RgbPicture& picture, const SstvTxSettings& settings);
    // A stream without picture: the codes go out as header entries of 1000 (Morse texts, bursts).
    SstvCodeStream(const std::vector<std::uint8_t>& codes, const SstvTxSettings& settings);

    const SstvModeRecord& row() const { return m_row; }
    const Timing& scaled() const { return m_scaled; }
    float codesPerMs() const { return m_k; }
    const ToneCodes& toneCodes() const { return m_codes; }
    const std::array<Segment, 8>& segments() const { return m_segments; }

    CodeList& headerList() { return m_header; }
    CodeList& trailerList() { return m_trailer; }

    int currentRow() const { return m_currentRow; }
    int rowsToSend() const { return m_rowsToSend; }
    // The TXSlider cut: round(height x position / 256) rows, at least 16.
    void setSliderPosition(int position);
    bool linesRemaining() const { return m_currentRow < m_rowsToSend; }

    // Codes of the next transmitted line (a line pair for Robot 36); advances the current row.
    std::vector<std::uint8_t> nextLine();

    // The whole transmission in one piece: header, every line, trailer.
    std::vector<std::uint8_t> allCodes();

private:
    void buildHeader(const SstvTxSettings& settings);
    void buildTrailer(const SstvTxSettings& settings);
    void emit(std::vector<std::uint8_t>& out, std::uint8_t code, std::int64_t until);
    void emitPixels(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& values, std::int64_t until,
                    std::int64_t p, int step);
    std::uint32_t pixel(int x, int y) const;

    SstvModeRecord m_row;
    Timing m_scaled{};
    float m_k = 0;
    ToneCodes m_codes;
    storage::RgbPicture m_picture; // own copy: the sending thread outlives the editor's changes
    std::array<Segment, 8> m_segments{};
    std::int64_t m_lineClock = 0;
    int m_currentRow = 0;
    int m_rowsToSend = 0;
    CodeList m_header;
    CodeList m_trailer;
};

// Luminance and colour differences as the transmitter computes them.
int txLuminance(std::uint32_t rgb);
int txRedDifference(std::uint32_t rgb);
int txBlueDifference(std::uint32_t rgb);
int txGrey(std::uint32_t rgb);

// Identification header stamped into a picture before it is sent.
enum class IdentificationChoice : std::uint8_t { CallSignInHeader = 0, CallSignInPicture = 1, NoCallSign = 2, UserHeader = 3 };

struct IdentificationStamp {
    IdentificationChoice choice = IdentificationChoice::CallSignInHeader;
    std::string callSign;
    std::string handle;                  // "Handle:"
    std::uint32_t handleColour = 0xFFFFFF;
    std::string pictureText = " sent by @"; // "Call sign in picture text:"
    const storage::RgbPicture* userHeader = nullptr; // "User-header-340/640.bmp", when loaded
};

void stampIdentification(storage::RgbPicture& picture, const IdentificationStamp& stamp, TextMaskRenderer& renderer);

// The send loop. Owned by the receive window (or the CLI); the thread only touches the code
// stream and the sink. Progress and the end are reported through the callbacks, from the
// sending thread: the window forwards them to its own thread.
class SstvTransmitter {
public:
    struct Callbacks {
        std::function<void(int rowsSent, int rowsToSend)> rowSent;
        std::function<void(bool aborted, bool pictureSent)> finished;
    };

    // stream may hold no picture lines (a Morse text or tone burst: header list only).
    SstvTransmitter(std::unique_ptr<SstvCodeStream> stream, signal::CodeSink& sink, Callbacks callbacks = {});
    ~SstvTransmitter();

    // One round of the loop; false once the transmission has ended (finished has been called).
    bool step();
    // Runs the loop on a thread with the 2 ms pause between rounds.
    void start();
    void abort();
    bool running() const { return m_running.load(); }
    void join();
    bool aborted() const { return m_abort.load(); }

    SstvCodeStream& stream() { return *m_stream; }

private:
    void finish();

    std::unique_ptr<SstvCodeStream> m_stream;
    signal::CodeSink& m_sink;
    Callbacks m_callbacks;
    std::vector<std::uint8_t> m_line;
    std::size_t m_linePos = 0;
    bool m_newLine = true;
    bool m_pictureSent = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_abort{false};
    std::atomic<bool> m_running{true};
    std::jthread m_thread;
};

} // namespace tellur::sstv
