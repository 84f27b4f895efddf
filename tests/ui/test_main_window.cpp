#include "ui_fixture.h"

#include "core/level_meter.h"
#include "ui/myform.h"
#include "fax/ui/fax_rx_win.h"
#include "sstv/ui/sstv_rx_win.h"
#include "text/ui/rtty_rx_win.h"
#include "platform/single_instance.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QSlider>
#include <QStandardItemModel>

#include <QTimer>

#include <filesystem>
#include <fstream>

namespace tellur::ui::test {
namespace {

class MainWindowTest : public StationFixture {
protected:
    void beforeStart(THauptformular& m) override { installReceiveWindows(m); }
};

struct ControlRow {
    const char* name;
    const char* text;  // caption, or nullptr when the control has none to check
    const char* hint;  // tooltip, or nullptr
};

TEST_F(MainWindowTest, ControlsCarryTheirNamesCaptionsAndHints)
{
    auto& m = makeMain();
    const ControlRow rows[] = {
        {"Transmission_Type", nullptr, "Select type of operation"},
        {"Schedulebutton", nullptr, "Open date scheduler"},
        {"Frequenzbutton", nullptr, "Open frequency table"},
        {"Audiopanel", nullptr, nullptr},
        {"Gauge1", nullptr, nullptr},
        {"Volumeregler", nullptr, nullptr},
        {"RXSoundbutton", nullptr, "Open audio mixer for adjusting the input volume"},
        {"TXSoundbutton", nullptr, "Open audio mixer for adjusting the output volume"},
        {"TXSoundbutton1", nullptr, "Open audio mixer for adjusting the output volume"},
        {"TXAudiopanel", nullptr, nullptr},
        {"TXVolumeregler", nullptr, nullptr},
        {"WavePlaybackPanel", nullptr, nullptr},
        {"Abortplaybackbutton", "Abort Playback", nullptr},
        {"Timepanel", nullptr, nullptr},
        {"Zeitlabel", nullptr, nullptr},
        {"UTCCharlabel", "UTC", nullptr},
        {"Nextdatelabel", nullptr, nullptr},
        {"NextDatemode", nullptr, nullptr},
        {"PTCErrorPanel", nullptr, nullptr},
        {"Child_Panel", nullptr, nullptr},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        auto* w = m.findChild<QWidget*>(r.name);
        ASSERT_NE(w, nullptr);
        if (r.hint) {
            EXPECT_EQ(w->toolTip(), r.hint);
        }
        if (r.text) {
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                EXPECT_EQ(b->text(), r.text);
            } else if (auto* l = qobject_cast<QLabel*>(w)) {
                EXPECT_EQ(l->text(), r.text);
            }
        }
    }
    EXPECT_EQ(m.findChild<QProgressBar*>("Gauge1")->maximum(), 260);
    EXPECT_EQ(m.findChild<QSlider*>("Volumeregler")->maximum(), 65535);
    EXPECT_EQ(m.windowTitle(), "Tellur32");

    const std::pair<const char*, const char*> actions[] = {
        {"PrinterSetup1", "&Printer S&etup..."}, {"Configuration1", "&Configuration..."},
        {"Saveconfigurationas1", "&Save configuration as..."}, {"Loadconfiguration1", "&Load configuration..."},
        {"ArrangeWindows1", "&Arrange Windows"}, {"HideShowDesktop1", "Hide/Show &Desktop"},
        {"OpenFaxPicture1", "Open &Fax picture/movie"}, {"OpenMessageViewer1", "Open RTTY/NAVTEX message viewer"},
        {"DecodeFromWaveFile1", "Dec&ode from wave file"}, {"Exit1", "E&xit"},
        {"Helptopics1", "&Help topics"}, {"About1", "&About"}, {"UsageInfo1", "&Usage Info"},
    };
    for (const auto& [name, text] : actions) {
        SCOPED_TRACE(name);
        auto* a = m.findChild<QAction*>(name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), text);
    }
    auto* mode = m.findChild<QMenu*>("Mode1");
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->title(), "&Mode");
    QStringList items;
    for (QAction* a : mode->actions())
        items << a->text();
    EXPECT_EQ(items, QStringList({"&0 none", "&1 SSTV", "&2 FAX", "&3 RTTY"}));
    EXPECT_EQ(m.findChild<QLabel*>("ConfigurationText")->text(), "Current configuration file: Standard");
}

TEST_F(MainWindowTest, ExternalProgramsExtendTheTypeListWithHexNumbers)
{
    StationConfig c;
    for (int r = 0; r < 11; ++r)
        c.setStr(cfg::kExternalPrograms + std::size_t(r) * cfg::kExternalProgramSize, 20, "Prog" + std::to_string(r));
    writeConfig(c);
    auto& m = makeMain();
    auto* combo = m.findChild<QComboBox*>("Transmission_Type");
    ASSERT_EQ(combo->count(), 15);
    EXPECT_EQ(combo->itemText(14), "Prog10");
    EXPECT_EQ(m.findChild<QMenu*>("Mode1")->actions().at(14)->text(), "&E Prog10");
}

TEST_F(MainWindowTest, ExternalProgramRunsUntilAnotherTypeIsChosen)
{
    const std::filesystem::path programs = std::filesystem::path(dir.path().toStdString()) / "External-Programs";
    std::filesystem::create_directories(programs);
    const auto script = programs / "decoder.sh";
    std::ofstream(script) << "#!/bin/sh\nexec sleep 60\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    StationConfig c;
    ExternalProgramEntry e;
    e.name = "A decoder with a rather long name";
    e.commandLine = "decoder.sh";
    c.setExternalProgram(0, e);
    writeConfig(c);
    auto& m = makeMain();
    auto* panel = m.findChild<QLabel*>("Child_Panel");

    m.selectTransmissionType(4);
    EXPECT_TRUE(m.externalProgramRunning());
    EXPECT_TRUE(m.devices().processes().running()) << "started from the External-Programs folder";
    EXPECT_EQ(panel->text(), "Running A decoder with a rat..."); // the name field holds 20 characters
    EXPECT_TRUE(panel->isVisibleTo(&m));

    m.selectTransmissionType(0);
    EXPECT_FALSE(m.externalProgramRunning());
    EXPECT_FALSE(m.devices().processes().running()) << "ended by the next selection";
    EXPECT_FALSE(panel->isVisibleTo(&m));
}

TEST_F(MainWindowTest, FirstStartWithoutConfigurationAsksForTheHelpLanguageAndSavesAtClose)
{
    auto& m = makeMain();
    EXPECT_EQ(dialogs->firstTimeCalls, 1);
    EXPECT_EQ(dialogs->configureCalls, std::vector<bool>{true}) << "the configuration dialog in first-time mode";
    EXPECT_TRUE(log->contains("tellur32 launches"));
    EXPECT_TRUE(m.close());
    EXPECT_TRUE(std::filesystem::exists(station.configFile("tellur32")));
    EXPECT_TRUE(log->contains("tellur32 terminates"));
}

TEST_F(MainWindowTest, ConfigurationResetEndsTheProgramWithoutSaving)
{
    writeConfig(StationConfig {});
    auto& m = makeMain();
    EXPECT_TRUE(dialogs->configureCalls.empty()) << "a loaded configuration needs no first-time set-up";
    const auto saved = std::filesystem::last_write_time(station.configFile("tellur32"));
    std::filesystem::last_write_time(station.configFile("tellur32"), saved - std::chrono::hours(1));
    dialogs->confirmReset = true;
    m.openConfigurationDialog();
    EXPECT_EQ(dialogs->configureCalls, std::vector<bool>{false});
    EXPECT_TRUE(m.closeStarted());
    EXPECT_FALSE(m.isVisible());
    main.reset();
    EXPECT_EQ(std::filesystem::last_write_time(station.configFile("tellur32")), saved - std::chrono::hours(1))
        << "never saved after a reset";
}

TEST_F(MainWindowTest, ChoosingFaxOpensTheReceiveWindowAndNoneClosesIt)
{
    auto& m = makeMain();
    auto* combo = m.findChild<QComboBox*>("Transmission_Type");
    // The change waits for the main tick, serving events meanwhile; the list is locked then.
    bool enabledWhilePending = true;
    QTimer::singleShot(0, &m, [&] { enabledWhilePending = combo->isEnabled(); });
    m.selectTransmissionType(2);
    EXPECT_FALSE(enabledWhilePending) << "no second change while one is pending";
    ASSERT_NE(qobject_cast<TFAXRXWin*>(m.receiveWindow()), nullptr);
    EXPECT_TRUE(combo->isEnabled());
    EXPECT_EQ(station.config.u8(cfg::kLastTransmissionType), 2);
    EXPECT_TRUE(m.findChild<QMenu*>("Mode1")->actions().at(2)->isChecked());

    // The same entry again changes nothing.
    TMyform* first = m.receiveWindow();
    m.selectTransmissionType(2);
    EXPECT_FALSE(m.modeChangePending());
    EXPECT_EQ(m.receiveWindow(), first);

    m.selectTransmissionType(0);
    settle();
    EXPECT_EQ(m.receiveWindow(), nullptr);
}

// A station whose program registers no receive windows.
class BareMainWindowTest : public StationFixture {};

TEST_F(BareMainWindowTest, TypesWithoutAWindowAreDisabledAndNeverCrash)
{
    StationConfig c;
    c.setU8(cfg::kLastTransmissionType, 3); // stored "RTTY"
    writeConfig(c);
    auto& m = makeMain();
    settle();
    EXPECT_EQ(m.receiveWindow(), nullptr);
    auto* model = qobject_cast<QStandardItemModel*>(m.findChild<QComboBox*>("Transmission_Type")->model());
    ASSERT_NE(model, nullptr);
    for (int i : {1, 2, 3}) {
        EXPECT_FALSE(model->item(i)->isEnabled());
        EXPECT_FALSE(model->item(i)->toolTip().isEmpty());
        EXPECT_FALSE(m.findChild<QMenu*>("Mode1")->actions().at(i)->isEnabled());
    }
    m.selectTransmissionType(3);
    settle();
    EXPECT_EQ(m.receiveWindow(), nullptr);
}

TEST_F(MainWindowTest, EveryReceiveTypeOpensItsWindowFromTheStoredChoiceOn)
{
    StationConfig c;
    c.setU8(cfg::kLastTransmissionType, 3); // stored "RTTY"
    writeConfig(c);
    auto& m = makeMain();
    settle();
    EXPECT_NE(qobject_cast<TRTTYRXWin*>(m.receiveWindow()), nullptr);
    auto* model = qobject_cast<QStandardItemModel*>(m.findChild<QComboBox*>("Transmission_Type")->model());
    ASSERT_NE(model, nullptr);
    for (int i : {1, 2, 3}) {
        EXPECT_TRUE(model->item(i)->isEnabled());
        EXPECT_TRUE(m.findChild<QMenu*>("Mode1")->actions().at(i)->isEnabled());
    }
    m.selectTransmissionType(1);
    settle();
    EXPECT_NE(qobject_cast<TSSTVRXWin*>(m.receiveWindow()), nullptr);
    m.selectTransmissionType(2);
    settle();
    EXPECT_NE(qobject_cast<TFAXRXWin*>(m.receiveWindow()), nullptr);
}

TEST_F(MainWindowTest, SwitchMSelectsTheTypeAtStart)
{
    auto& m = makeMain({"m:2"});
    settle();
    EXPECT_NE(qobject_cast<TFAXRXWin*>(m.receiveWindow()), nullptr);
}

TEST_F(MainWindowTest, CloseQueryAsksUntilTheUserAgreesAndThenSavesEverything)
{
    StationConfig c;
    c.setFlag(cfg::kCloseQuery, true);
    c.setU8(cfg::kLastTransmissionType, 2);
    writeConfig(c);
    auto& m = makeMain();
    settle();
    ASSERT_NE(m.receiveWindow(), nullptr);

    dialogs->answers = {false};
    EXPECT_FALSE(m.close());
    EXPECT_TRUE(m.isVisible());
    EXPECT_FALSE(m.closeStarted());
    EXPECT_NE(m.receiveWindow(), nullptr) << "No leaves the station as it was";
    EXPECT_EQ(dialogs->asked.count("Do you really want to quit Tellur32?"), 1);

    dialogs->answers = {true};
    EXPECT_TRUE(m.close());
    EXPECT_EQ(dialogs->asked.count("Do you really want to quit Tellur32?"), 2);
    EXPECT_EQ(m.receiveWindow(), nullptr);
    StationConfig saved;
    ASSERT_TRUE(loadConfigFile(station.configFile("tellur32"), saved));
    EXPECT_EQ(saved.u8(cfg::kLastTransmissionType), 2) << "the type in use is restored at the next start";
    EXPECT_TRUE(log->contains("tellur32 terminates"));
}

TEST_F(MainWindowTest, CloseWithoutQueryDoesNotAsk)
{
    writeConfig(StationConfig{});
    auto& m = makeMain();
    EXPECT_TRUE(m.close());
    EXPECT_TRUE(dialogs->asked.filter("quit").isEmpty());
}

struct QuitCase {
    const char* arg;
    int minutes;
};

class QuitSwitchTest : public MainWindowTest, public ::testing::WithParamInterface<QuitCase> {};

TEST_P(QuitSwitchTest, QuitsAfterTheGivenMinutesOfStationTime)
{
    writeConfig(StationConfig{});
    const std::int64_t start = now.utcMillis();
    auto& m = makeMain({GetParam().arg});
    settle();
    const int minutes = GetParam().minutes;
    now.set(start + std::int64_t(minutes - 1) * 60000);
    m.ScheduletimerTimer();
    EXPECT_TRUE(m.isVisible());
    EXPECT_EQ(m.findChild<QLabel*>("UTCCharlabel")->text(), "1");
    now.set(start + std::int64_t(minutes) * 60000 + 1000);
    m.ScheduletimerTimer();
    EXPECT_FALSE(m.isVisible());
    EXPECT_TRUE(std::filesystem::exists(station.configFile("tellur32")));
}

INSTANTIATE_TEST_SUITE_P(Values, QuitSwitchTest,
                         ::testing::Values(QuitCase{"q=30", 60}, QuitCase{"Q=abc", 60}, QuitCase{"Q=90", 90},
                                           QuitCase{"q", 60}));

TEST_F(MainWindowTest, ExceptionsAreLoggedThenEndTheProgramOrRebootWhenConfigured)
{
    StationConfig c;
    writeConfig(c);
    auto& m = makeMain();

    m.handleException("disk gone", true);
    EXPECT_TRUE(log->contains("+++Exception occurred: disk gone"));
    EXPECT_EQ(terminated, 0) << "input/output exceptions never end the program";

    m.handleException("boom", false);
    EXPECT_TRUE(log->contains("+++Tellur32 will be terminated."));
    EXPECT_EQ(terminated, 1);

    station.config.setFlag(cfg::kRebootAfterException, true);
    station.config.setFlag(cfg::kRestartAfterReboot, true);
    m.handleException("again", false);
    EXPECT_EQ(rebooted, 1);
    EXPECT_TRUE(log->contains("+++Trying to reboot computer, then restart Tellur32..."));
}

TEST_F(MainWindowTest, ExceptionDuringStartUpTerminatesEvenWithRebootConfigured)
{
    StationConfig c;
    c.setFlag(cfg::kRebootAfterException, true);
    writeConfig(c);
    auto& m = makeMain({}, false);
    m.handleException("bad configuration", false);
    EXPECT_EQ(terminated, 1);
    EXPECT_EQ(rebooted, 0);
    EXPECT_TRUE(log->contains("+++Tellur32 will be terminated."));
}

TEST_F(MainWindowTest, UsageInfoIsOfferedOnceAtATime)
{
    auto& m = makeMain();
    auto* action = m.findChild<QAction*>("UsageInfo1");
    action->trigger();
    EXPECT_FALSE(action->isEnabled());
    auto* usage = m.findChild<QWidget*>("TUsageWin");
    ASSERT_NE(usage, nullptr);
    EXPECT_EQ(usage->windowTitle(), "Usage Window");
    auto labels = usage->findChildren<QLabel*>();
    QStringList texts;
    for (auto* l : labels)
        texts << l->text();
    EXPECT_TRUE(texts.contains("Total Address Space:"));
    EXPECT_TRUE(texts.contains("Overhead:"));
    usage->findChild<QAbstractButton*>("CloseButton")->click();
    EXPECT_TRUE(action->isEnabled());
}

TEST(LevelMeter, ColourThresholdsAndRunningMean)
{
    EXPECT_EQ(LevelMeter::colourFor(174), LevelMeter::Colour::DarkRed);
    EXPECT_EQ(LevelMeter::colourFor(175), LevelMeter::Colour::Green);
    EXPECT_EQ(LevelMeter::colourFor(205), LevelMeter::Colour::Green);
    EXPECT_EQ(LevelMeter::colourFor(206), LevelMeter::Colour::Red);

    LevelMeter meter;
    // A steady peak giving c = 210 settles at v = 210 after ten ticks.
    int v = 0;
    for (int i = 0; i < 10; ++i)
        v = meter.push(210LL * 51 * 10000);
    EXPECT_EQ(v, 210);
    EXPECT_EQ(meter.push(0), 199); // sum 1890, mean 189: sqrt(189/210)*210 = 199.2
}

TEST(SingleInstance, SecondStartRaisesTheFirstAndGivesUp)
{
    QTemporaryDir dir;
    platform::SingleInstance first("PREVINST:Tellur32", dir.path());
    ASSERT_TRUE(first.acquire());
    int raised = 0;
    QObject::connect(&first, &platform::SingleInstance::raiseRequested, [&] { ++raised; });
    platform::SingleInstance second("PREVINST:Tellur32", dir.path());
    EXPECT_FALSE(second.acquire());
    EXPECT_TRUE(waitUntil([&] { return raised == 1; }, 5000));

    QTemporaryDir other;
    platform::SingleInstance elsewhere("PREVINST:Tellur32", other.path());
    EXPECT_TRUE(elsewhere.acquire()) << "another station folder is another station";
}

class HelpTest : public StationFixture {
protected:
    QString english() const { return QString::fromStdString((dataFolder / "help" / "TLEng.html").string()); }
    void triggerHelpTopics(THauptformular& m) { m.findChild<QAction*>("Helptopics1")->trigger(); }
};

TEST_F(HelpTest, HelpTopicsOpensTheEnglishStartPageInTheBrowser)
{
    writeConfig(StationConfig {});
    auto& m = makeMain();
    ASSERT_TRUE(QFileInfo::exists(english())) << "the English help ships with the program";
    triggerHelpTopics(m);
    ASSERT_EQ(dialogs->opened.size(), 1);
    EXPECT_EQ(dialogs->opened.front(), QUrl::fromLocalFile(english()));
    EXPECT_TRUE(dialogs->asked.isEmpty()) << dialogs->asked.join("|").toStdString();
}

TEST_F(HelpTest, EveryWindowHasAPageThatShowsItsScreenshot)
{
    struct WindowPage {
        const char* page;
        const char* screenshot;
    };
    const WindowPage pages[] = {
        {"main-window", "main_window"},   {"fax-rx-window", "fax_rx_window"},
        {"fax-tools", "fax_tools"},       {"spectrum", "spectrum"},
        {"configuration", "configuration_dialog"},
    };
    const QString start = english();
    QFile startFile(start);
    ASSERT_TRUE(startFile.open(QIODevice::ReadOnly));
    const QString contents = QString::fromUtf8(startFile.readAll());
    for (const auto& p : pages) {
        SCOPED_TRACE(p.page);
        QFile page(QFileInfo(start).path() + "/TLEng/" + p.page + ".html");
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        EXPECT_TRUE(contents.contains(QString("href=\"TLEng/") + p.page + ".html\"")) << "listed on the start page";
        EXPECT_TRUE(QString::fromUtf8(page.readAll()).contains(QString("src=\"../screenshots/") + p.screenshot + ".png\""));
        EXPECT_TRUE(std::filesystem::exists(dataFolder / "docs" / "screenshots" / (std::string(p.screenshot) + ".png")));
    }
}

TEST_F(HelpTest, FirstStartOpensTheFirstStepsAndSeedsTheNewStation)
{
    makeMain();
    ASSERT_EQ(dialogs->opened.size(), 1);
    const QString page = dialogs->opened.front().toLocalFile();
    EXPECT_TRUE(page.endsWith("/help/TLEng/getting-started.html")) << page.toStdString();
    EXPECT_TRUE(QFileInfo::exists(page));
    EXPECT_TRUE(std::filesystem::exists(station.folder / "ports.conf")) << "the shipped station files were copied";
}

TEST_F(HelpTest, EveryLanguageWithoutItsFileFallsBackToEnglishWithTheMessage)
{
    const char* files[] = {"TLDeu", "TLEsp", "TLFra", "TLJpn", "TLIT", "TLRus"};
    writeConfig(StationConfig {});
    auto& m = makeMain();
    for (int lang = 1; lang <= 6; ++lang) {
        SCOPED_TRACE(lang);
        dialogs->asked.clear();
        dialogs->opened.clear();
        dialogs->edit = [lang](StationConfig& c) { c.setI32(cfg::kHelpLanguage, lang); };
        m.openConfigurationDialog(); // the language chosen there is applied after OK
        const QString expected = QString::fromStdString((dataFolder / "help").string()) + "/" + files[lang - 1] + ".html";
        ASSERT_EQ(dialogs->asked.size(), 1);
        EXPECT_EQ(dialogs->asked.front(),
                  "The help file '" + expected + "' for the language you selected is not on your computer.\r\n"
                  "Go to the Tellur32 internet home page to download the desired help file, if available.\r\n"
                  "You can select the help language in the configuration window, tab sheet \"Configuration/help\".\r\n"
                  "As long as the selected help file is not present, Tellur32 will use the English help, instead.");
        EXPECT_EQ(m.helpFile(), english());
        EXPECT_EQ(station.config.i32(cfg::kHelpLanguage), 0);
        triggerHelpTopics(m);
        EXPECT_EQ(dialogs->opened.value(0), QUrl::fromLocalFile(english()));
    }
}

TEST_F(HelpTest, AHelpFileInTheStationFolderServesItsLanguage)
{
    StationConfig c;
    c.setI32(cfg::kHelpLanguage, 1);
    writeConfig(c);
    std::filesystem::create_directories(station.folder / "help");
    std::ofstream(station.folder / "help" / "TLDeu.html") << "<html><body>Hilfe</body></html>\n";
    auto& m = makeMain();
    m.openConfigurationDialog();
    EXPECT_TRUE(dialogs->asked.isEmpty()) << dialogs->asked.join("|").toStdString();
    EXPECT_EQ(m.helpFile(), QString::fromStdString((station.folder / "help" / "TLDeu.html").string()));
    EXPECT_EQ(station.config.i32(cfg::kHelpLanguage), 1);
}

TEST_F(HelpTest, WithoutAnyHelpInstalledTheUserIsToldAndNoBrowserStarts)
{
    dataFolder = std::filesystem::path(dir.path().toStdString()) / "no-data";
    writeConfig(StationConfig {});
    auto& m = makeMain();
    triggerHelpTopics(m);
    EXPECT_TRUE(dialogs->opened.isEmpty());
    ASSERT_EQ(dialogs->asked.size(), 1);
    EXPECT_TRUE(dialogs->asked.front().startsWith("No help file is installed in ")) << dialogs->asked.front().toStdString();
}

} // namespace
} // namespace tellur::ui::test
