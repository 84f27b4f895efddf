// Takes the documentation screenshots when TELLUR_SCREENSHOT_DIR is set (tools/screenshots.sh);
// otherwise it only checks that the windows render.
#include "fax_wave.h"
#include "sstv_wave.h"
#include "ui_fixture.h"

#include "fax/ui/fax_rx_win.h"
#include "settings/ui/configuration_dialog.h"
#include "sstv/ui/sstv_rx_win.h"
#include "station/ui/frequency_table.h"
#include "storage/table_database.h"
#include "text/message_store.h"
#include "text/signal_gen.h"
#include "text/ui/rtty_rx_win.h"
#include "text/ui/rtty_text.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QTextBrowser>

namespace tellur::ui::test {
namespace {

class Screenshots : public StationFixture {
protected:
    void beforeStart(THauptformular& m) override { installReceiveWindows(m); }

    void shoot(QWidget* w, const QString& name)
    {
        ASSERT_NE(w, nullptr) << name.toStdString();
        QApplication::processEvents();
        const QPixmap p = w->grab();
        EXPECT_FALSE(p.isNull());
        EXPECT_GT(p.width(), 100);
        const QString dirName = qEnvironmentVariable("TELLUR_SCREENSHOT_DIR");
        if (!dirName.isEmpty()) {
            QDir().mkpath(dirName);
            EXPECT_TRUE(p.save(QDir(dirName).filePath(name + ".png")));
        }
    }
};

TEST_F(Screenshots, MainWindowAndFaxReception)
{
    StationConfig c;
    c.setU8(cfg::kLastTransmissionType, 2);
    c.setI32(cfg::kInterfaceType, InterfaceSoundCard);
    c.setFlag(cfg::kFaxToolsVisible, true);
    ASSERT_TRUE(saveConfigFile(station.configFile("tellur32"), c));
    auto& m = makeMain();
    settle();
    m.ScheduletimerTimer();
    auto* fax = qobject_cast<TFAXRXWin*>(m.receiveWindow());
    ASSERT_NE(fax, nullptr);
    shoot(&m, "main_window");

    const std::filesystem::path wav = std::filesystem::path(dir.path().toStdString()) / "chart.wav";
    writeWave(wav, hfFaxAudio(300));
    dialogs->files = {QString::fromStdString(wav.string())};
    fax->decodeWaveFile();
    if (!fax->spectrum())
        fax->findChild<QAbstractButton*>("SpectrumButton")->click();
    ASSERT_TRUE(waitUntil([&] { return fax->receiver().lineCount() > 200; }, 120000));
    fax->findChild<QWidget*>("ScrollBox")->setFocus();
    QTest::qWait(1200); // the scroll timer follows the newest line once a second
    shoot(&m, "main_window_receiving");
    shoot(fax, "fax_rx_window");
    shoot(fax->tools(), "fax_tools");
    shoot(fax->spectrum(), "spectrum");
    fax->abortPlayback();
}

TEST_F(Screenshots, ConfigurationDialog)
{
    ConfigurationEnvironment env;
    env.soundOutputDevices = {"Built-in Audio Analog Stereo"};
    env.mixerDevices = {"Built-in Audio Analog Stereo"};
    StationConfig c;
    TConfiguration dialog(c, env, false);
    dialog.activate();
    dialog.show();
    shoot(&dialog, "configuration_dialog");
}

// The help's start page as a text browser shows it; every picture it names must load.
TEST_F(Screenshots, HelpStartPage)
{
    const QString start = QString::fromStdString((dataFolder / "help" / "TLEng.html").string());
    QFile css(QString::fromStdString((dataFolder / "help" / "TLEng" / "style.css").string()));
    ASSERT_TRUE(css.open(QIODevice::ReadOnly));
    QTextBrowser browser;
    browser.document()->setDefaultStyleSheet(QString::fromUtf8(css.readAll()));
    browser.resize(1300, 700);
    browser.setSource(QUrl::fromLocalFile(start));
    EXPECT_TRUE(browser.toPlainText().contains("Getting started"));
    const QString html = browser.document()->toHtml();
    const QRegularExpression img("<img src=\"([^\"]+)\"");
    int pictures = 0;
    for (auto it = img.globalMatch(html); it.hasNext(); ++pictures) {
        const QUrl url = browser.source().resolved(QUrl(it.next().captured(1)));
        EXPECT_FALSE(QPixmap(url.toLocalFile()).isNull()) << url.toString().toStdString();
    }
    EXPECT_GT(pictures, 0);
    browser.show();
    shoot(&browser, "help_start_page");
}

TEST_F(Screenshots, FrequencyTable)
{
    {
        storage::FrequencyList list(station.folder);
        for (const storage::FrequencyEntry& e : std::vector<storage::FrequencyEntry>{
                 {0, "3853", "1", "Weather fax, night"},
                 {0, "7880", "1", "Weather fax, day"},
                 {0, "14230", "2", "SSTV calling"},
                 {0, "10100.8", "1", "Weather reports RTTY 50 Bd"},
                 {0, "518", "3", "NAVTEX"},
                 {0, "8040", "1", "Weather fax, North Sea"}})
            list.append(e);
    }
    auto& m = makeMain();
    m.findChild<QAbstractButton*>("Frequenzbutton")->click();
    auto* table = m.findChild<TFrequencytable*>();
    ASSERT_NE(table, nullptr);
    table->resize(560, 330);
    table->findChild<QLineEdit*>("DirectFreq")->setText("4583");
    shoot(table, "frequency_table");
}

TEST_F(Screenshots, SstvReceptionAndCatalog)
{
    const std::filesystem::path folder = dir.path().toStdString();
    const auto wav = encodeSstvWave(folder, "Martin 1", 12);
    ASSERT_FALSE(wav.empty());
    // A few pictures on "Last Received" already, so the catalog shows thumbnails.
    {
        NullEventLog quiet;
        sstv::CatalogSettings cs;
        cs.lastReceivedFolder = folder / "SSTV-Lastreceived";
        sstv::Catalog catalog(cs, quiet);
        for (int i : {9, 10, 3, 5, 12, 1, 13})
            catalog.addLastReceived(sstv::testPicture(i, 340, 256), sstv::CivilTime{2026, 3, 14, 10, 10 + i, 0},
                                    std::string(sstv::testPictureName(i)));
        ASSERT_TRUE(catalog.save());
    }
    StationConfig c;
    c.setU8(cfg::kLastTransmissionType, 1);
    c.setI32(cfg::kInterfaceType, InterfaceSoundCard);
    c.setFlag(cfg::kSstvCatalogOpen, true);
    ASSERT_TRUE(saveConfigFile(station.configFile("tellur32"), c));
    auto& m = makeMain();
    settle();
    auto* sstvWin = qobject_cast<TSSTVRXWin*>(m.receiveWindow());
    ASSERT_NE(sstvWin, nullptr);
    dialogs->files = {QString::fromStdString(wav.string())};
    sstvWin->decodeWaveFile();
    ASSERT_TRUE(waitUntil([&] { return sstvWin->sstvStation().receiver().currentRow() > 150; }, 120000));
    shoot(sstvWin, "sstv_rx_window");
    shoot(sstvWin->catalogWindow(), "catalog");
    sstvWin->abortPlayback();
}

TEST_F(Screenshots, NavtexReceptionMessageViewerAndDeleteWindow)
{
    StationConfig c;
    c.setU8(cfg::kLastTransmissionType, 3);
    c.setI32(cfg::kInterfaceType, InterfaceSoundCard);
    text::setCurrentRttyModeRow(c, 6);
    ASSERT_TRUE(saveConfigFile(station.configFile("tellur32"), c));
    const std::filesystem::path home(dir.path().toStdString());
    {
        text::MessageStore store(home / "NAVTEX-Database");
        store.storeBulletin("@SMR", station.stationTime() - 1,
                            {"ZCZC SMRO01 YRBK", "AAXX 09121",
                             "10384 41598 70912 10123 21010 30123 40156 52015 60002 70260 83753 333 10145 80350=",
                             "NNNN"});
    }
    auto& m = makeMain();
    settle();
    auto* rtty = qobject_cast<TRTTYRXWin*>(m.receiveWindow());
    ASSERT_NE(rtty, nullptr);
    const std::filesystem::path wav = home / "navtex.wav";
    writeWave(wav, text::testgen::navtexAudio("ZCZC KA01\r\n141020 UTC MAR 26\r\nGERMAN BIGHT GALE WARNING\r\n"
                                              "WIND NW 8, LATER VEERING N 9. SEA 4 M.\r\nNNNN\r\n"
                                              "ZCZC LE02\r\nWEATHER FORECAST FOR THE NORTH SEA\r\n"
                                              "SW 4 TO 5, INCREASING 6. VISIBILITY GOOD.\r\nNNNN\r\n"));
    QStringList stored;
    QObject::connect(rtty, &TRTTYRXWin::messageStored, [&](const QString& id) { stored << id; });
    dialogs->files = {QString::fromStdString(wav.string())};
    rtty->decodeWaveFile();
    ASSERT_TRUE(waitUntil([&] { return stored.size() >= 2; }, 120000));
    // The window's tool bar sits in the main window's tool area: shown above the window.
    QWidget* toolBar = m.findChild<QWidget*>("ToolBar1");
    ASSERT_NE(toolBar, nullptr);
    QWidget composite;
    composite.resize(rtty->width(), toolBar->height() + rtty->height());
    composite.show();
    QApplication::processEvents();
    QPixmap both(composite.size());
    both.fill(composite.palette().color(QPalette::Window));
    {
        QPainter p(&both);
        p.drawPixmap(0, 0, toolBar->grab());
        p.drawPixmap(0, toolBar->height(), rtty->grab());
    }
    QLabel shown;
    shown.setPixmap(both);
    shown.resize(both.size());
    shoot(&shown, "navtex_window");

    m.findChild<QAbstractButton*>("OpenButton")->click();
    TRTTYText* viewer = TRTTYText::instance();
    ASSERT_NE(viewer, nullptr);
    viewer->setSort(TRTTYText::Sort::Id);
    viewer->select(0);
    ASSERT_TRUE(viewer->synopView());
    viewer->resize(860, 620);
    shoot(viewer, "message_viewer_synop");

    QStringList types, stations;
    for (const std::string& t : text::messageTypeEntries())
        types << QString::fromStdString(t);
    stations << "All Stations";
    TDeletewindow del(types, stations, viewer);
    del.show();
    shoot(&del, "delete_window");
}

} // namespace
} // namespace tellur::ui::test
