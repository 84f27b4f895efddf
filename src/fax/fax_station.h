// FaxStation: FAX reception as a whole, the one object the FAX-RX window and `decode fax` both
// drive. It owns the receiver, builds the receiver's settings from the station configuration
// (the only place that does), applies palettes and masks, appends pictures to their movies,
// saves (on its save thread, from a copy of the picture), stamps, prints and runs the command
// after reception, and knows what the end of the input means. A driver adds a display sink and
// a clock, and calls tick() once per timer tick.
//
// Threading: every call on the driver's thread (the GUI thread for the window). The save thread
// works on its own copy of the picture and reports back through poll(), called by tick().
#pragma once

#include "core/event_log.h"
#include "core/sample_ring.h"
#include "core/station_config.h"
#include "core/station_time.h"
#include "core/text_mask.h"
#include "fax/fax_receiver.h"
#include "fax/fax_saving.h"
#include "fax/mask.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tellur::fax {

// Starts the command after reception without waiting for it.
class CommandStarter {
public:
    virtual ~CommandStarter() = default;
    virtual bool start(const ExternalCommand& command) = 0;
};

// The platform parts a station uses; a missing one means nothing is drawn, printed or started.
struct FaxStationServices {
    TextMaskRenderer* text = nullptr;
    PicturePrinter* printer = nullptr;
    CommandStarter* commands = nullptr;
};

// What the driver knows of the input beside the configuration.
struct FaxInput {
    bool soundcard = true;            // items come from the soundcard demodulators
    bool ptc = false;                 // the PTC-II's code scale for the transmit table
    bool fourteenBit = false;         // the 14-bit stream flag
    std::optional<bool> autoLpm;      // the FAX-Tools AutolpmButton, where the window has one
    bool synchronizeClock = true;     // a decoder of recordings never sets the computer's clock
    bool saveEveryPicture = false;    // a decoder saves every picture, whatever automatic saving says
};

// The display and what the driver hears of finished work.
class FaxStationSink : public FaxDisplaySink {
public:
    // A save ended (written false: the writer failed; nothing written when saving was off).
    virtual void saveFinished(const FaxSaveResult& /*result*/, const FinishedPicture& /*picture*/) {}
    virtual void movieAppended(const std::filesystem::path& /*movie*/, bool /*ok*/) {}
    virtual void commandStarted(const ExternalCommand& /*command*/, bool /*ok*/) {}
};

class FaxStation final : private FaxReceiverHost {
public:
    FaxStation(SampleRing& ring, LevelHistogram& histogram, const StationConfig& config,
               std::filesystem::path stationFolder, const WallClock& clock, EventLog& log, FaxStationSink& sink,
               FaxStationServices services = {});
    ~FaxStation() override;
    FaxStation(const FaxStation&) = delete;
    FaxStation& operator=(const FaxStation&) = delete;

    // The receiver's settings from the configuration and the input.
    static FaxReceiverSettings receiverSettings(const StationConfig& config, const std::filesystem::path& stationFolder,
                                                const FaxInput& input);

    // Selecting a row (and re-reading the configuration).
    void selectMode(const FaxModeRecord& mode, const FaxInput& input);
    // The configuration or the input changed between ticks (FAX-Tools buttons, squelch threshold).
    void applySettings(const FaxInput& input);
    // The saving folder below which mode folders are made; the configuration's by default.
    void setPictureFolder(std::filesystem::path folder) { m_pictureFolder = std::move(folder); }
    // Saves on the caller's thread instead of the save thread (the command line: results in order).
    void setSaveInline(bool on) { m_saveInline = on; }

    // One timer tick: every whole 200 ms block of items in the ring goes through the receiver
    // with one state-machine step each, so that the result does not depend on how the items
    // arrived; a part block waits for the next tick. Then finished saves are collected.
    void tick();
    // The input has ended: the rest of the items, then a picture under way is ended as Stop ends
    // it, answering yes to "Save received picture?".
    void endOfInput();

    // The buttons; stop(save) saves a picture of more than 20 lines when save is true.
    void startButton();
    void autoButton();
    void stopButton(bool save);
    // Whether Stop would ask "Save received picture?" now.
    bool stopAsksToSave() const;
    // Saves the picture received so far now, whatever automatic saving says (SaveButton, a
    // confirmed question); false when there is nothing to save or a save runs.
    bool saveNow();
    // "clear RX window".
    void clearPicture();

    // The save dialog: writes the picture (stamped when configured) to the chosen file.
    bool saveAs(const std::filesystem::path& file);

    // Collects a finished save: reports it, runs the command after reception. tick() calls it.
    void poll();
    bool saving() const { return m_save.running(); }
    void waitForSave();

    FaxReceiver& receiver() { return m_rx; }
    const FaxReceiver& receiver() const { return m_rx; }
    const std::filesystem::path& lastSavedFile() const { return m_lastSaved; }
    int picturesSaved() const { return m_saved; }
    double stationTime() override;

private:
    // FaxReceiverHost
    void startSave(const FinishedPicture& picture) override;
    void appendToMovie(const std::string& formatCode, const FinishedPicture& picture) override;
    bool loadPalette(const std::string& fileName) override;
    bool loadMask(const std::string& formatCode, const std::string& paletteCode) override;
    void releaseMask() override { m_mask.release(); }
    void applyMask(std::span<std::uint8_t> line, int lineCount) override;

    void startSaveOf(const FinishedPicture& picture, bool explicitSave);
    void finishSave(const FaxSaveResult& result, const FinishedPicture& picture);
    std::filesystem::path folderOf(StationFolder f) const;

    SampleRing& m_ring;
    const StationConfig& m_config;
    std::filesystem::path m_folder;
    const WallClock& m_clock;
    FaxStationSink& m_sink;
    FaxStationServices m_services;
    FaxInput m_input;
    std::optional<std::filesystem::path> m_pictureFolder;
    bool m_saveInline = false;
    storage::ColourTable m_palette = storage::greyRamp();
    ReceiveMask m_mask;
    std::optional<FinishedPicture> m_savePicture;
    std::filesystem::path m_lastSaved;
    int m_saved = 0;
    FaxSaveThread m_save;
    // Last: its constructor already asks the station for the palette.
    FaxReceiver m_rx;
};

} // namespace tellur::fax
