// The SSTV station: the receiver with its settings taken from the station configuration, and
// what becomes of a finished picture (time stamp, the catalog's "Last Received" page and folder,
// the command after picture RX), and the end-of-input rule. The SSTV-RX window and `decode sstv`
// both drive one, adding only a display sink and a clock, so the same samples give the same files.
//
// Threading: owned by one thread (the GUI thread or the CLI loop), like its receiver.
#pragma once

#include "core/event_log.h"
#include "core/station_config.h"
#include "core/text_mask.h"
#include "fax/fax_saving.h"
#include "sstv/catalog.h"
#include "sstv/sstv_tone_codes.h"
#include "sstv/sstv_receiver.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tellur::sstv {

struct SstvStationSettings {
    SstvRxSettings rx;
    CatalogSettings catalog;
    std::string commandAfterRx; // "Command after picture RX:"
    std::filesystem::path externalProgramsFolder;
    bool localTime = false;
    std::string dateFormat = "dd.mm.yyyy";
    std::string timeFormat = "hh:nn";
    bool timestamp = false; // the tool window's "date/time stamp received pictures"
};

// The one mapping from the configuration to the station's settings.
SstvStationSettings sstvStationSettings(const StationConfig& config, const std::filesystem::path& stationFolder);

// The receiver's display calls, and what became of a finished picture.
class SstvStationSink : public SstvReceiverSink {
public:
    virtual void pictureStored(const std::filesystem::path& /*file*/, int /*row*/, int /*rows*/) {}
    virtual void pictureNotStored(const std::filesystem::path& /*folder*/) {}
    // The command after picture RX, for the caller to run.
    virtual void runCommand(const fax::ExternalCommand& /*command*/) {}
};

class SstvStation final : private SstvReceiverSink {
public:
    SstvStation(const SstvStationSettings& settings, SampleRing& ring, LevelHistogram& histogram, EventLog& log,
                SstvStationSink* sink = nullptr, std::function<CivilTime()> clock = {},
                TextMaskRenderer* text = nullptr, Catalog::FileRemover remover = {});

    // Re-applied between ticks: the settings the window's controls change.
    void setTimestamp(bool on) { m_settings.timestamp = on; }
    void setSchedulerEventRunning(bool on) { m_schedulerEvent = on; }
    void setCatalogSettings(const CatalogSettings& s) { m_catalog.setSettings(s); }

    void tick() { m_rx.tick(); }
    // The end of a recording: silence follows until the picture in progress has ended (at most
    // a minute; in QRM mode, which never ends a picture itself, it is stopped after 45 s).
    void endOfInput();

    // "Add to last received" of the window: the time stamp when on, then the catalog. The owner
    // writes the catalog file (the window when it closes, the command line at its end).
    std::optional<std::filesystem::path> addToLastReceived();

    SstvReceiver& receiver() { return m_rx; }
    const SstvReceiver& receiver() const { return m_rx; }
    Catalog& catalog() { return m_catalog; }
    int storedPictures() const { return m_stored; }
    int failedPictures() const { return m_failed; }

private:
    // SstvReceiverSink
    void modeDisplayChanged(std::int32_t mode) override;
    void syncFrequency(int value) override;
    void pictureStarted(int row) override;
    void rowsChanged(int first, int end) override;
    void failbarChanged(int value, int maximum, bool red) override;
    void pictureEnded(bool saved, int row, int rows) override;
    bool catalogBusy() override { return m_sink && m_sink->catalogBusy(); }

    void stampTime();

    SstvStationSettings m_settings;
    SampleRing& m_ring;
    EventLog& m_log;
    SstvStationSink* m_sink;
    TextMaskRenderer* m_text;
    Catalog m_catalog;
    SstvReceiver m_rx;
    bool m_schedulerEvent = false;
    int m_stored = 0;
    int m_failed = 0;
};

// Draws the received-picture time stamp: white with a shadow, 5 from the left, 20 above the bottom.
void drawReceivedTimeStamp(storage::RgbPicture& picture, TextMaskRenderer& text, std::string_view stamp);

} // namespace tellur::sstv
