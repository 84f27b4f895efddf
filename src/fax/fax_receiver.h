// The FAX receiver: reads the sample ring from a 200 ms tick, maps items to grey, detects the
// start and stop of a transmission (tones or squelch), phases, measures the drum speed, reads
// headers and renders the picture line by line (at most 10 lines per tick).
//
// Owned by the FaxStation (GUI thread for the window, the main thread of the command line);
// tick() is one 200 ms step of the station's clock. Everything the receiver cannot decide itself
// (saving, movies, palettes, masks, the scheduler) goes through FaxReceiverHost, what it shows
// through FaxDisplaySink. The picture is owned here; savers work on copies.
#pragma once

#include "core/event_log.h"
#include "core/sample_ring.h"
#include "settings/fax_mode_table.h"
#include "fax/grey_tables.h"
#include "fax/tone_filter.h"
#include "storage/di8_bitmap.h"

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tellur::fax {

enum class FaxButton { Start, Auto, Stop };

// Station-wide settings the receiver uses, built from the station configuration.
struct FaxReceiverSettings {
    double dataRate = 7350.0;
    bool soundcard = true;       // interface type "Sound Card"
    bool ptc = false;            // interface type PTC-II (watchdog)
    bool fourteenBit = false;    // the 14-bit stream flag
    bool autoLpm = true;         // AutoLPMFax / FAX-Tools AutolpmButton
    int squelchThreshold = 16;   // APT squelch threshold
    bool autoSave = true;        // FAX-Tools Autosavebutton
    bool autoPrint = false;      // FAX-Tools Autoprintbutton
    bool synchronizeTime = false;
    std::int32_t synchronizeOffset = 20;
    std::vector<std::string> movieFormats; // trimmed format codes
    std::filesystem::path masksFolder;     // masks and palettes folder
};

// What is kept of a picture for saving it.
struct FinishedPicture {
    int lines = 0;
    double startTime = 0.0; // station time; 0 = none
    std::string headerText, formatCode, headerDate, headerTime;
};

enum class ReceptionState : std::uint8_t { Waiting = 0, WaitPhase, Phasing, WaitPhaseEnd, CheckHeader, Running };

// Status text and colour (0x00BBGGRR) of a reception state.
std::string_view receptionStatusText(ReceptionState s);
std::uint32_t receptionStatusColour(ReceptionState s);

// What a receive window shows of the reception; every call comes from the receiver's thread.
class FaxDisplaySink {
public:
    virtual ~FaxDisplaySink() = default;
    virtual void stateChanged(ReceptionState) {}
    virtual void headerTextChanged(const std::string&) {}
    virtual void levelsChanged(int /*black8*/, int /*white8*/) {}
    virtual void iocChanged(int) {}
    virtual void lpmChanged(int) {}
    virtual void squelchValue(int) {}
    virtual void slantButtonEnabled(bool) {}
    virtual void shiftingAllowedChanged(bool) {}
    virtual void scrollToStartEdge() {}
    virtual void rowStored(int /*row*/, int /*lineCountBefore*/) {}
    virtual void pictureCleared() {}
    virtual void paletteChanged() {}
    virtual void automovieChanged(bool, const std::string& /*formatCode*/) {}
    // The slant measurement holds the state machine while the user clicks.
    virtual bool slantMeasuring() { return false; }
};

// What the receiver cannot decide itself: the station (FaxStation) answers it; tests may stand in.
class FaxReceiverHost : public FaxDisplaySink {
public:
    virtual double stationTime() = 0;

    // Saving, movies and the scheduler.
    virtual bool saveRunning() { return false; }
    virtual void startSave(const FinishedPicture&) {}
    virtual void appendToMovie(const std::string& /*formatCode*/, const FinishedPicture&) {}
    virtual bool scheduleEventRunning() { return false; }
    virtual bool scheduleAptOff() { return false; }
    virtual void schedulePhasingStarted() {}
    virtual void schedulePictureEnded(const FinishedPicture&) {}
    virtual void scheduleEnd() {}

    // Palettes and masks; the platform sets the clock.
    virtual bool loadPalette(const std::string& /*fileName*/) { return false; }
    virtual bool loadMask(const std::string& /*formatCode*/, const std::string& /*paletteCode*/) { return false; }
    virtual void releaseMask() {}
    virtual void applyMask(std::span<std::uint8_t> /*line*/, int /*lineCount*/) {}
    virtual void setClock(double /*stationTime*/) {}
};

class FaxReceiver {
public:
    // Display calls go to `display` when given, else to the host.
    FaxReceiver(SampleRing& ring, LevelHistogram& histogram, FaxReceiverHost& host, EventLog& log,
                FaxDisplaySink* display = nullptr);

    // Selecting a row: timing, detectors, picture size, levels; aborts a running picture and
    // leaves the receiver waiting with AutoButton down.
    void selectMode(const FaxModeRecord& mode, const FaxReceiverSettings& settings);
    // Settings that may change between ticks (FAX-Tools buttons, squelch threshold).
    void applySettings(const FaxReceiverSettings& settings);

    // One Timer1 tick: items up to the write snapshot, then the state machine; `elapsedMs` runs
    // the phasing time-out (Timer2).
    void tick(int elapsedMs = 200) { tickUpTo(m_ring.writeSnapshot(), elapsedMs); }
    // The same for the items up to (not including) ring position `end`.
    void tickUpTo(std::int32_t end, int elapsedMs = 200);

    // The three buttons (exactly one is down) and the phasing time-out.
    void startButtonClick();
    void autoButtonClick();
    // Stop: a picture of more than 20 lines is saved when saveAnswer says so (the window asks
    // "Save received picture?" only with automatic saving or printing on).
    void stopButtonClick(bool saveAnswer);
    void timer2Timer();
    FaxButton button() const { return m_button; }
    void setButton(FaxButton b) { m_button = b; }

    // Drum speed and index of cooperation controls.
    void setLpm(std::int32_t lpm, bool resetState);
    void stepLpm(bool up);
    void setIocHalving(bool halved);

    // Sets the levels (0 selects the default) and rebuilds the tables.
    void setLevels(std::int32_t black, std::int32_t white);

    // Picture operations the window calls.
    void clearPicture();
    void shiftPicture(int column); // double click at a picture column while shifting is allowed

    // State.
    ReceptionState state() const { return m_state; }
    int lineCount() const { return m_lineCount; }
    std::int32_t lpm() const { return m_lpm; }
    int ioc() const;
    bool iocHalving() const { return m_iocHalving; }
    double sampleRate() const { return m_sampleRate; }
    double samplesPerLine() const { return m_samplesPerLine; }
    double samplesPerPixel() const { return m_samplesPerPixel; }
    double lineStart() const { return m_lineStart; }
    std::int64_t pictureStartE4() const { return m_pictureStartE4; }
    double pictureStartTime() const { return m_pictureStartTime; }
    bool shiftingAllowed() const { return m_shiftingAllowed; }
    const std::string& headerText() const { return m_headerText; }
    const std::string& formatCode() const { return m_formatCode; }
    const FaxModeRecord& mode() const { return m_mode; }
    const FaxReceiverSettings& settings() const { return m_settings; }
    const GreyTables& tables() const { return m_tables; }
    storage::TDI8Bitmap& picture() { return m_picture; }
    const storage::TDI8Bitmap& picture() const { return m_picture; }
    std::int32_t detectionEvent() const { return m_event; }
    int startPhase() const { return m_startPhase; }
    std::size_t candidateCount() const { return m_candidates.size(); }
    bool timer2Running() const { return m_timer2Ms > 0; }
    // A finished picture's information as kept for the file name.
    FinishedPicture currentPictureInfo() const;

private:
    void processItems(std::int32_t end);
    void toneEvaluation();
    void squelchStep(std::uint8_t flag);
    void stepStateMachine();
    void statePhasingToneBurst();
    void statePhasingPulses();
    void stateWaitPhaseEnd();
    void stateCheckHeader();
    void stateRunning();
    void beginRunning();
    void endPicture();
    void renderLine();
    void recomputeTiming();
    void showStatus();
    void clearHistories();
    void resetAgc();
    std::int64_t elapsedE4() const;
    std::int32_t readIndex() const { return m_ring.readIndex(); }
    GreyLevelInput levelInput() const;

    SampleRing& m_ring;
    LevelHistogram& m_histogram;
    FaxReceiverHost& m_host;
    FaxDisplaySink& m_display;
    EventLog& m_log;

    FaxModeRecord m_mode;
    FaxReceiverSettings m_settings;
    GreyTables m_tables;
    storage::TDI8Bitmap m_picture;
    std::vector<std::uint8_t> m_line;

    double m_sampleRate = 7350.0;
    double m_samplesPerLine = 3675.0;
    double m_samplesPerPixel = 1.0;
    std::int32_t m_evaluationInterval = 735;
    std::int32_t m_lpm = 120;
    bool m_iocHalving = false;
    ReceptionState m_state = ReceptionState::Waiting;
    std::int32_t m_event = 0;
    int m_startPhase = 0;
    double m_lineStart = 0.0;
    std::int64_t m_pictureStartE4 = 0;
    double m_pictureStartTime = 0.0;
    FaxButton m_button = FaxButton::Auto;
    bool m_shiftingAllowed = false;

    std::unique_ptr<TFilter> m_start, m_altStart, m_stop;
    std::array<std::int32_t, 10> m_startHistory{}, m_altHistory{}, m_stopHistory{};
    int m_historyIndex = 0;
    std::int32_t m_evaluationCounter = 0;

    // Squelch counters.
    std::int32_t m_sqTransitions = 0, m_sqCount = 0, m_sqPrevFlag = 0, m_sqPrevRaw = 0, m_sqQuiet = 0, m_sqNoisy = 0;

    std::deque<std::int32_t> m_candidates;
    std::uint32_t m_shift = 0;
    std::uint32_t m_pattern = 0xFFFF0000u;
    std::int32_t m_burstSpacing = 0;
    std::int64_t m_darkSum = 0, m_darkCount = 0, m_brightSum = 0, m_brightCount = 0;

    int m_lineCount = 0;
    std::string m_headerText, m_formatCode, m_paletteCode, m_headerDate, m_headerTime;
    bool m_automovie = false;
    int m_timer2Ms = 0;
};

} // namespace tellur::fax
