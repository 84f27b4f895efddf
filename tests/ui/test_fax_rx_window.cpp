#include "fax_wave.h"
#include "ui_fixture.h"

#include "fax/fax_receiver.h"
#include "fax/ui/fax_rx_win.h"
#include "fax/ui/fax_tools.h"
#include "signal/ui/spectrum_win.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSlider>

namespace tellur::ui::test {
namespace {

class FaxWindowTest : public StationFixture {
protected:
    void beforeStart(THauptformular& m) override { installReceiveWindows(m); }

    TFAXRXWin* openFax(StationConfig c = StationConfig{})
    {
        c.setU8(cfg::kLastTransmissionType, 2);
        c.setI32(cfg::kInterfaceType, InterfaceSoundCard);
        c.setFlag(cfg::kFaxAutoSave, true);
        c.setFolder(StationFolder::FaxLastReceived, "./FAX-Lastreceived/");
        c.setStr(6228, 30, "@_yyyymmdd_hhnn"); // FAX file name format
        prepare(c);
        writeConfig(c);
        makeMain();
        settle();
        return qobject_cast<TFAXRXWin*>(main->receiveWindow());
    }
    virtual void prepare(StationConfig&) {}
};

struct Row {
    const char* name;
    const char* text;
    const char* hint;
};

TEST_F(FaxWindowTest, ControlsCarryTheirNamesCaptionsAndHints)
{
    TFAXRXWin* fax = openFax();
    ASSERT_NE(fax, nullptr);
    const Row rows[] = {
        {"FAX_Transmission_Mode", nullptr, "Select FAX-mode"},
        {"zoom", nullptr, "Select Zoom factor"},
        {"ZoomLabel", "Zoom:", nullptr},
        {"SpectrumButton", nullptr, "Toggle spectrum display "},
        {"Toolbutton", nullptr, "Fax-Tools"},
        {"OpenButton", nullptr, "Load a picture"},
        {"SaveButton", nullptr, nullptr},
        {"LPMDisp", "120", nullptr},
        {"IOCDisp", "576", nullptr},
        {"IOCSpin", nullptr, nullptr},
        {"SpinButton1", nullptr, nullptr},
        {"ModeDisp", " waiting", nullptr},
        {"Panel3", "", nullptr},
        {"Image", nullptr, nullptr},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        auto* w = fax->findChild<QWidget*>(r.name);
        ASSERT_NE(w, nullptr);
        if (r.hint) {
            EXPECT_EQ(w->toolTip(), r.hint);
        }
        if (r.text) {
            if (auto* l = qobject_cast<QLabel*>(w)) {
                EXPECT_EQ(l->text(), r.text);
            }
        }
    }
    // The receive buttons sit in the main window's tool area.
    const Row buttons[] = {
        {"StartButton", nullptr, "Receive continuously"},
        {"AutoButton", nullptr, "Automatic Picture Reception"},
        {"StopButton", nullptr, "Disable reception"},
    };
    ASSERT_NE(main->findChild<QWidget*>("ChildMousePalette"), nullptr);
    for (const auto& r : buttons) {
        SCOPED_TRACE(r.name);
        auto* b = main->findChild<QAbstractButton*>(r.name);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->toolTip(), r.hint);
    }
    EXPECT_TRUE(main->findChild<QAbstractButton*>("AutoButton")->isChecked()) << "automatic reception at start";

    QStringList zooms;
    auto* zoom = fax->findChild<QComboBox*>("zoom");
    for (int i = 0; i < zoom->count(); ++i)
        zooms << zoom->itemText(i);
    EXPECT_EQ(zooms.size(), 18);
    EXPECT_EQ(zooms.front(), "100%");
    EXPECT_EQ(zooms.back(), "1 : 6");

    auto* faxMenu = fax->findChild<QMenu*>("FAX1");
    ASSERT_NE(faxMenu, nullptr);
    EXPECT_EQ(faxMenu->title(), "F&AX");
    QStringList lpm;
    for (QAction* a : fax->findChild<QMenu*>("LPM1")->actions())
        lpm << a->text();
    EXPECT_EQ(lpm, QStringList({"&0 60", "&1 90", "&2 120", "&3 180", "&4 240", "&5 360"}));
    const auto types = fax->findChild<QMenu*>("Type1")->actions();
    ASSERT_EQ(types.size(), 16);
    EXPECT_EQ(types[0]->text(), "&0 HF-Fax");
    EXPECT_EQ(types[11]->text(), "&b H288_120");
    EXPECT_FALSE(types[12]->isEnabled()) << "a blank row cannot be chosen";
    for (const char* name : {"Run1", "Auto1", "Stop1", "Spectrum1"})
        EXPECT_NE(fax->findChild<QAction*>(name), nullptr) << name;

    TFAXToolWin* tools = fax->tools();
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(tools->windowTitle(), "FAX-Tools");
    const Row toolRows[] = {
        {"TimestampButton", nullptr, "date/time stamp received pictures"},
        {"AutolpmButton", nullptr, "Automatic LPM recognition"},
        {"Autoprintbutton", nullptr, "print received pictures automatically"},
        {"Autosavebutton", nullptr, "save received pictures automatically"},
        {"Squelchthreshold", nullptr, "APT squelch threshold"},
        {"Slantbutton", nullptr, "Slant correction"},
        {"SpeedButton6", nullptr, "clear RX window"},
        {"Squelchval", nullptr, nullptr},
    };
    for (const auto& r : toolRows) {
        SCOPED_TRACE(r.name);
        auto* w = tools->findChild<QWidget*>(r.name);
        ASSERT_NE(w, nullptr);
        if (r.hint) {
            EXPECT_EQ(w->toolTip(), r.hint);
        }
    }
    EXPECT_EQ(tools->findChild<QSlider*>("Squelchthreshold")->maximum(), 50);
}

TEST_F(FaxWindowTest, DrumSpeedSpinStepsCyclically)
{
    TFAXRXWin* fax = openFax();
    ASSERT_NE(fax, nullptr);
    auto* lpm = fax->findChild<QLabel*>("LPMDisp");
    fax->receiver().setLpm(360, true);
    fax->SpinButton1UpClick();
    EXPECT_EQ(lpm->text(), "60");
    fax->SpinButton1DownClick();
    EXPECT_EQ(lpm->text(), "360");
}

TEST_F(FaxWindowTest, CommandLineRowAndZoomList)
{
    StationConfig c;
    c.setU8(cfg::kLastTransmissionType, 2);
    writeConfig(c);
    makeMain({"S:3"});
    settle();
    auto* fax = qobject_cast<TFAXRXWin*>(main->receiveWindow());
    ASSERT_NE(fax, nullptr);
    EXPECT_EQ(fax->currentRow(), 3);
    fax->zoomChange(9);
    EXPECT_FLOAT_EQ(fax->zoom(), 2.0f);
    EXPECT_EQ(fax->image()->width(), (fax->receiver().picture().width() + 1) / 2);
    fax->zoomChange(0);
    EXPECT_NE(fax->findChild<QWidget*>("TZoomwindow"), nullptr) << "fit mode offers the Zoom window";
    EXPECT_FALSE(fax->findChild<QComboBox*>("zoom")->isVisible());
}

TEST_F(FaxWindowTest, SpectrumOpensWithItsUpdateThreadAndClosesCleanly)
{
    TFAXRXWin* fax = openFax();
    ASSERT_NE(fax, nullptr);
    auto* button = fax->findChild<QAbstractButton*>("SpectrumButton");
    if (fax->spectrum())
        button->click(); // opened at the start as the configuration asked
    ASSERT_EQ(fax->spectrum(), nullptr);
    EXPECT_FALSE(station.config.flag(cfg::kFaxSpectrumOpen));
    button->click();
    ASSERT_NE(fax->spectrum(), nullptr);
    EXPECT_TRUE(station.config.flag(cfg::kFaxSpectrumOpen));
    EXPECT_EQ(fax->spectrum()->windowTitle(), "Spectrum");
    QTest::qWait(400); // a few updates from its thread
    button->click();
    EXPECT_EQ(fax->spectrum(), nullptr);
    EXPECT_FALSE(station.config.flag(cfg::kFaxSpectrumOpen));
}

// A stored position with a 0 coordinate (the default 514, 0 among them) is applied.
TEST_F(FaxWindowTest, SpectrumTakesItsStoredPositionZeroCoordinatesIncluded)
{
    struct Case { int left, top; };
    for (const auto c : {Case{514, 0}, Case{0, 37}, Case{0, 0}}) {
        SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top));
        station.config.setI32(cfg::kSpectrumWindowLeft, c.left);
        station.config.setI32(cfg::kSpectrumWindowTop, c.top);
        auto* spectrum = new TSpectrum(station, TSpectrum::Kind::FaxHistogram, false, true);
        EXPECT_EQ(spectrum->pos(), QPoint(c.left, c.top));
        delete spectrum;
    }
}

// The typical road: FAX chosen, a recording decoded from a wave file, the chart saved under the
// templated name when its stop tone ends it.
TEST_F(FaxWindowTest, DecodesAWaveFileAndSavesThePictureUnderItsTemplatedName)
{
    const std::filesystem::path wav = std::filesystem::path(dir.path().toStdString()) / "chart.wav";
    writeWave(wav, hfFaxAudio(40));
    TFAXRXWin* fax = openFax();
    ASSERT_NE(fax, nullptr);
    QStringList saved;
    QObject::connect(fax, &TFAXRXWin::pictureSaved, [&](const QString& f) { saved << f; });

    dialogs->files = {QString::fromStdString(wav.string())};
    main->findChild<QAction*>("DecodeFromWaveFile1")->trigger();
    EXPECT_TRUE(fax->playbackRunning());
    EXPECT_TRUE(main->findChild<QWidget*>("WavePlaybackPanel")->isVisibleTo(main.get()));

    // The window keeps ticking while the file plays: the picture grows over many ticks.
    std::set<int> lineCounts;
    QElapsedTimer clock;
    clock.start();
    qint64 lastPrint = -1000;
    auto probe = [&] {
        lineCounts.insert(fax->receiver().lineCount());
        if (clock.elapsed() - lastPrint > 1000 && qEnvironmentVariableIsSet("TELLUR_TRACE")) {
            lastPrint = clock.elapsed();
            std::printf("t=%lld state=%d lines=%d playing=%d\n", lastPrint, int(fax->receiver().state()),
                        fax->receiver().lineCount(), int(fax->playbackRunning()));
        }
        return !saved.isEmpty();
    };
    ASSERT_TRUE(waitUntil(probe, 120000));
    Q_UNUSED(lastPrint);
    EXPECT_GT(lineCounts.size(), 5u);
    auto* panel = main->findChild<QWidget*>("WavePlaybackPanel");
    EXPECT_TRUE(waitUntil([&] { return !fax->playbackRunning() && !panel->isVisibleTo(main.get()); }, 30000))
        << "the panel goes when the file has been played";

    const QFileInfo file(saved.front());
    EXPECT_TRUE(file.exists());
    EXPECT_TRUE(file.fileName().startsWith("HF-Fax_20260314_1100")) << file.fileName().toStdString();
    EXPECT_EQ(file.dir().dirName(), "HF-Fax");
    EXPECT_EQ(file.dir().absolutePath(),
              QDir(dir.path()).absoluteFilePath("FAX-Lastreceived/HF-Fax")) << "below the station folder";
    EXPECT_TRUE(log->contains("begin FAX reception"));
}

TEST_F(FaxWindowTest, WrongWaveFormatIsRefusedWithTheMessage)
{
    const std::filesystem::path wav = std::filesystem::path(dir.path().toStdString()) / "stereo.wav";
    writeWave(wav, std::vector<std::int16_t>(2000, 0), 11025, 2);
    TFAXRXWin* fax = openFax();
    ASSERT_NE(fax, nullptr);
    dialogs->files = {QString::fromStdString(wav.string())};
    fax->decodeWaveFile();
    // The playback thread finds the format and hands the message to the GUI thread.
    EXPECT_TRUE(waitUntil([&] { return !dialogs->asked.filter("wrong wave file format").isEmpty(); }, 10000));
    EXPECT_TRUE(dialogs->asked.contains("Sorry, wrong wave file format. Must be 11025 Samples/s, 16 Bit, Mono."));
    EXPECT_TRUE(waitUntil([&] { return !fax->playbackRunning(); }, 10000));
    EXPECT_TRUE(waitUntil([&] { return !main->findChild<QWidget*>("WavePlaybackPanel")->isVisibleTo(main.get()); }, 10000));
}

TEST_F(FaxWindowTest, ClosingDuringReceptionSavesConfigurationPictureAndStopsThreads)
{
    const std::filesystem::path wav = std::filesystem::path(dir.path().toStdString()) / "long.wav";
    writeWave(wav, hfFaxAudio(400));
    TFAXRXWin* fax = openFax();
    ASSERT_NE(fax, nullptr);
    QPointer<TFAXRXWin> guard(fax);
    dialogs->files = {QString::fromStdString(wav.string())};
    fax->decodeWaveFile();
    ASSERT_TRUE(fax->playbackRunning());
    ASSERT_TRUE(waitUntil([&] { return fax->receiver().lineCount() > 30; }, 120000));
    ASSERT_TRUE(fax->playbackRunning()) << "the file is long enough to still be playing";

    if (qEnvironmentVariableIsSet("TELLUR_TRACE"))
        std::printf("close: state=%d lines=%d\n", int(fax->receiver().state()), fax->receiver().lineCount());
    dialogs->answers = {true}; // "Save received picture?"
    EXPECT_TRUE(main->close());
    EXPECT_TRUE(guard.isNull()) << "the receive window is gone";
    EXPECT_TRUE(dialogs->asked.contains("Save received picture?"));
    EXPECT_TRUE(std::filesystem::exists(station.configFile("tellur32")));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir.path().toStdString()) / "FAX-Lastreceived" / "HF-Fax"));
    EXPECT_TRUE(log->contains("end FAX reception"));
    EXPECT_EQ(station.flags.currentOperatingMode.load(), -1);
}

} // namespace
} // namespace tellur::ui::test
