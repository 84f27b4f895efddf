// Takes the documentation screenshots when TELLUR_SCREENSHOT_DIR is set (tools/screenshots.sh);
// otherwise it only checks that the windows render.
#include "fax_wave.h"
#include "sstv_wave.h"
#include "ui_fixture.h"

#include "fax/ui/fax_rx_win.h"
#include "sstv/ui/sstv_rx_win.h"

#include <QAbstractButton>
#include <QDir>
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

} // namespace
} // namespace tellur::ui::test
