// Takes the documentation screenshots when TELLUR_SCREENSHOT_DIR is set (tools/screenshots.sh);
// otherwise it only checks that the windows render.
#include "fax_wave.h"
#include "ui_fixture.h"

#include "fax/ui/fax_rx_win.h"
#include "text/message_store.h"
#include "text/signal_gen.h"
#include "text/ui/rtty_rx_win.h"
#include "text/ui/rtty_text.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

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
