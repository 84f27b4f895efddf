// TextStation: the text modes of the station as one engine object. It owns the receiver (Baudot
// and FEC decoders, or the PTC-II character stream), the message framing and the message store,
// the text pane model and the capture file, the one mapping from the station configuration to
// these, and the rule for the end of the input. The RTTY-RX window and the command-line decoder
// both drive it and add only a display and a clock, so the same ring items give the same text,
// capture file and stored messages whichever drove them.
// One thread (the GUI thread or the command-line loop); the owner passes station time in.
#pragma once

#include "core/sample_ring.h"
#include "settings/rtty_mode_table.h"
#include "text/message_store.h"
#include "text/text_receiver.h"
#include "text/text_window_model.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tellur {
class EventLog;
class StationConfig;
} // namespace tellur

namespace tellur::text {

// What a text station needs of the configuration.
struct TextStationSettings {
    std::int64_t sampleRateE4 = TextReceiver::kDefaultSampleRateE4;
    bool ptc = false;                     // interface type PTC-II: the modem delivers characters
    std::filesystem::path textFolder;     // capture file and saved texts
    std::filesystem::path databaseFolder; // "NAVTEX.dbf", station lists
    std::string fileNameTemplate;         // received-text file names
};
TextStationSettings textStationSettings(const StationConfig& config, const std::filesystem::path& stationFolder);

// The row the window opens with: the stored one, 0 when it is out of range.
std::size_t storedTextRow(const StationConfig& config);
// The first FEC row of the table, if any.
std::optional<std::size_t> firstFecRow(const StationConfig& config);

// Results of the station as they happen.
class TextStationListener {
public:
    virtual ~TextStationListener() = default;
    // A framed message went to the store (stored false: refused for its quality, or no store).
    virtual void messageFramed(const FramedMessage& message, int quality, bool stored) = 0;
};

class TextStation final : private MessageSink {
public:
    TextStation(TextStationSettings settings, TextStationListener& listener);
    ~TextStation() override;
    TextStation(const TextStation&) = delete;
    TextStation& operator=(const TextStation&) = delete;

    // Creates the text and database folders, opens the store and the capture file. The store's
    // error text is returned (the station then frames without storing).
    std::string open(DayTime now);
    // The non-PTC part of apply mode: timing, decoders and framing reset, PTC-II status cleared.
    void applyMode(const RttyModeRecord& row);
    // Restarts reading the ring at its start (the owner has reset the ring).
    void resetRingPosition() { m_readIndex = 0; }

    // Bit decoder loop over the ring items up to its write snapshot; with the PTC-II the items
    // are the modem's bytes and its status bytes are taken out here.
    void decode(const SampleRing& ring, DayTime now);
    void decode(std::span<const std::uint16_t> items, DayTime now);
    // Character consumer: frames the decoded characters and queues them for the display.
    void consume(DayTime now);
    // Display flush: the queue goes into the pane and the capture file; returns what was shown
    // in capture-file form.
    std::string flushDisplay();
    bool displayPending() const { return !m_displayQueue.empty(); }

    // Status display: false is "waiting".
    bool running() const;
    std::uint8_t ptcStatus() const { return m_ptc.status(); }
    // True once per status byte received since the last call (resets the serial watchdog).
    bool takePtcStatusSeen() { return m_ptc.takeStatusSeen(); }

    // End of the input: a message still being read is dropped, not stored; true when there was one.
    bool endOfInput();
    // Closing: the message in progress is dropped, the capture file closed; with a log the
    // store is packed and the pack result logged.
    void close(DayTime now, EventLog* log);

    TextPane& pane() { return m_pane; }
    bool changedSinceSave() const { return m_changed; }
    void clearChanged() { m_changed = false; }
    MessageStore* store() { return m_store.get(); }
    // Framed messages the store could not take (a damaged database, a full disk, no store).
    int lostMessages() const { return m_lostMessages; }
    TextReceiver& receiver() { return m_rx; }
    const TextStationSettings& settings() const { return m_settings; }

private:
    void storeMessage(const FramedMessage& m) override;

    TextStationSettings m_settings;
    TextStationListener& m_listener;
    TextReceiver m_rx;
    PtcCharacterReader m_ptc;
    bool m_ptcWasWaiting = false;
    std::unique_ptr<MessageStore> m_store;
    TextPane m_pane;
    CaptureFile m_capture;
    std::string m_displayQueue;
    std::int32_t m_readIndex = 0;
    bool m_changed = false;
    int m_lostMessages = 0;
    std::vector<std::uint16_t> m_items;
};

} // namespace tellur::text
