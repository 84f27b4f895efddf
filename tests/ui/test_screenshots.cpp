// Takes the documentation screenshots when TELLUR_SCREENSHOT_DIR is set (tools/screenshots.sh);
// otherwise it only checks that the windows render.
#include "fax_wave.h"
#include "ui_fixture.h"

#include "fax/ui/fax_rx_win.h"
#include "settings/ui/configuration_dialog.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
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

} // namespace
} // namespace tellur::ui::test
