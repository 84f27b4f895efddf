// The SSTV receiver: reads the sample ring on a tick, finds sync pulses with a running-sum
// detector, recognises the transmission mode from their spacing alone and cuts the ring into
// scan lines that it paints into a 32-bit picture. The engine of the SSTV-RX window and of the
// command-line decoder, which both call tick() once per 200 ms of items.
//
// Threading: owned by one thread (the GUI thread or the CLI loop); it only reads the ring, whose
// single writer may run concurrently.
#pragma once

#include "core/sample_ring.h"
#include "sstv/sstv_modes.h"
#include "storage/rgb_picture.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tellur::sstv {

struct SstvRxSettings {
    int interfaceType = 2;         // soundcard
    double dataRate = 7350.0;      // items per second of the ring
    int repeaterFrequencyHz = 1750;
    int repeaterBandwidthHz = 50;
    int maxMissingSyncs = 15;      // SSTV_Maxfail, 10..40
    int savePercentage = 50;       // SSTV_Percentage, 10..80
    bool qrmMode = false;
    // Enhanced reception: sync positions on the pulse's edge, the line start following the syncs
    // (a clock some tens of ppm off moves a long picture beyond the 10 ms sync window), pixels
    // sampled mid-pixel, Robot 36 starting on a complete pair, one line fewer blanked at the end.
    bool enhanced = false;
};

// A wall-clock reading in station time.
struct CivilTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// What the receiver tells the window (or the CLI). Every call comes from the receiver's thread.
class SstvReceiverSink {
public:
    virtual ~SstvReceiverSink() = default;
    virtual void modeDisplayChanged(std::int32_t /*mode*/) {}
    // Spectrum marker: the mean level over an accepted or found sync; 255 when none was found.
    virtual void syncFrequency(int /*value*/) {}
    virtual void pictureStarted(int /*row*/) {}
    virtual void rowsChanged(int /*firstRow*/, int /*lastRowExclusive*/) {}
    virtual void failbarChanged(int /*value*/, int /*maximum*/, bool /*red*/) {}
    // End of a picture; saved: more than the save percentage arrived (the catalog takes it).
    virtual void pictureEnded(bool /*saved*/, int /*row*/, int /*rowsReceived*/) {}
    // While the catalog saves a picture, decoding (not the intake) pauses.
    virtual bool catalogBusy() { return false; }
};

struct SyncEntry {
    std::int32_t position; // ring index where the sync began
    std::int32_t length;   // items below half depth between the sync tone and black
};

class SstvReceiver {
public:
    enum class DetectorState : std::uint8_t { Idle, InSync, AfterSync };

    SstvReceiver(const SstvRxSettings& settings, SampleRing& ring, LevelHistogram& histogram,
                 SstvReceiverSink* sink = nullptr, std::function<CivilTime()> clock = {});

    // Start of reception: ring reset, detector and sync list cleared, waiting for a picture.
    void reset();
    // One receive tick: takes every item up to the writer's index, then detects or decodes.
    void tick();

    // Window controls.
    void setQrmMode(bool on) { m_settings.qrmMode = on; }
    void setMaxMissingSyncs(int n) { m_settings.maxMissingSyncs = n; }
    int maxMissingSyncs() const { return m_settings.maxMissingSyncs; }
    void setSavePercentage(int p) { m_settings.savePercentage = p; }
    void setSlantMeasuring(bool on) { m_slantMeasuring = on; }
    void resetMissingSyncs() { m_missingSyncs = 0; }
    void forceStart(int txRow);          // QRM mode's "Force picture start"
    void shift(int direction, int txRow); // +1: a thirtieth of a line later, -1: earlier
    void stopPicture();                  // the picture ends at the next scheduled line
    void clearPicture();

    // Slant from two points of the picture (paint box coordinates, any order).
    double slantValue(int x1, int y1, int x2, int y2) const;

    // Repeater hooks.
    std::int32_t repeaterToneCounter() const { return m_toneCounter; }
    void setRepeaterToneCounter(std::int32_t v) { m_toneCounter = v; }
    void setActivationRequestPending(bool on) { m_activationPending = on; }

    // State.
    bool receiving() const { return m_receiving; }
    std::int32_t detectedMode() const { return m_detectedMode; }
    std::int32_t displayMode() const { return m_displayMode; }
    int decodeMode() const { return m_decodeMode; }
    int receivedMode() const { return m_receivedMode; }
    int currentRow() const { return m_currentRow; }
    int linesDecoded() const { return m_linesDecoded; }
    int missingSyncs() const { return m_missingSyncs; }
    std::int32_t firstSync() const { return m_firstSync; }
    std::int32_t newestSync() const { return m_newestSync; }
    float lineStartPosition() const { return m_lineStart; }
    const std::deque<SyncEntry>& syncs() const { return m_syncs; }
    DetectorState detectorState() const { return m_state; }
    const storage::RgbPicture& picture() const { return m_picture; }
    storage::RgbPicture& picture() { return m_picture; }
    std::optional<CivilTime> pictureStartTime() const { return m_startTime; }
    const std::array<Timing, kSstvModeCount>& scaledTimings() const { return m_scaled; }

    // Tables.
    const std::array<std::uint8_t, 256>& brightnessTable() const { return m_brightness; }
    int level(int hz) const;
    int lowSyncLevel() const { return m_lowSync; }
    int highSyncLevel() const { return m_highSync; }
    struct Constants {
        int ms5, ms2, ms50, ms30, ms3_75, ms1_25, window;
        float itemsPerMs;
    };
    const Constants& constants() const { return m_c; }

    // Mode detection over the current sync list (run by every waiting tick).
    void detectMode();

private:
    void intake(std::int32_t write);
    void startPicture();
    void preparePicture(int row);
    void scheduleLines();
    bool decodeScheduledLine();
    void decodeLine(std::int32_t a);
    void endPicture();
    void writePixel(int x, int y, std::uint32_t rgb);
    std::uint32_t colour(int y, int cr, int cb) const;
    int bright(std::int64_t ringPos) const;
    void followSync();
    std::int32_t refineSyncStart(std::int32_t candidate) const;
    static constexpr double kTrackingDivisor = 8.0;
    std::int32_t pulseLength(std::int32_t candidate, int runLength) const;
    double lineItems(int row) const { return double(m_scaled[static_cast<std::size_t>(row)][kLineTime]) / 10000.0; }

    SstvRxSettings m_settings;
    SampleRing& m_ring;
    LevelHistogram& m_histogram;
    SstvReceiverSink* m_sink;
    std::function<CivilTime()> m_clock;

    int m_lo = 1000, m_hi = 2400;
    std::array<std::uint8_t, 256> m_brightness{};
    std::array<int, 256> m_crRed{}, m_cbGreen{}, m_crGreen{}, m_cbBlue{};
    int m_lowSync = 0, m_highSync = 0, m_blackLevel = 91, m_toneLow = 0, m_toneHigh = 0;
    Constants m_c{};
    std::array<Timing, kSstvModeCount> m_scaled{};

    // Sync detector.
    std::int64_t m_runningSum = 0;
    std::int32_t m_trailing = 0;
    DetectorState m_state = DetectorState::Idle;
    int m_run = 0;
    int m_avgCounter = 0;
    std::int64_t m_avgSum = 0;
    int m_avgCount = 0;
    std::int32_t m_candidatePos = 0;
    int m_candidateLength = 0;
    int m_syncValue = 255;
    std::int32_t m_toneCounter = 0;
    bool m_activationPending = false;
    std::deque<SyncEntry> m_syncs;

    // Picture.
    bool m_receiving = false;
    bool m_slantMeasuring = false;
    std::int32_t m_detectedMode = kNoSignal;
    std::int32_t m_displayMode = kNoSignal;
    std::int32_t m_shownMode = -1;
    int m_decodeMode = kMartin1Row;
    int m_receivedMode = kMartin1Row;
    std::int32_t m_firstSync = 0;
    std::int32_t m_newestSync = 0;
    float m_lineStart = 0;
    float m_savedStart = 0;
    int m_linesDecoded = 0;
    int m_currentRow = 0;
    int m_missingSyncs = 0;
    int m_failbarShown = -1;
    std::optional<std::int32_t> m_lastPictureSync;
    bool m_robotPair = true;
    std::optional<CivilTime> m_startTime;
    storage::RgbPicture m_picture{340, 256};
    std::array<std::array<int, 800>, 4> m_work{}; // Y of two lines, R-Y, B-Y
};

// Time-stamp text of a received picture: date, blank, time, " UTC|" or " loc.|", mode name.
// Formats use the tokens yyyy, yy, mm, dd, hh, nn, ss; an empty or token-less format falls back.
std::string receivedTimeStampText(const CivilTime& start, std::string_view dateFormat, std::string_view timeFormat,
                                  bool localTime, std::string_view modeName);
std::string formatCivilTime(const CivilTime& t, std::string_view format);

// The "Last Received" file name: "yyyymmdd hhnn <mode>.<EXT>" with EXT from the format index
// (0 PNG, 1 JPG, 2 PCX, 3 BMP, 4 TIF).
std::string lastReceivedFileName(const CivilTime& start, std::string_view modeName, int formatIndex);

} // namespace tellur::sstv
