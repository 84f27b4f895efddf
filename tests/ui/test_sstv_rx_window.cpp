#include "sstv_wave.h"
#include "ui_fixture.h"

#include "sstv/ui/catalog_win.h"
#include "sstv/ui/sstv_rx_win.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QTabWidget>
#include <QToolButton>

#include <fstream>

namespace tellur::ui::test {
namespace {

namespace fs = std::filesystem;

class SstvWindowTest : public StationFixture {
protected:
    void beforeStart(THauptformular& m) override { installReceiveWindows(m); }

    static StationConfig sstvConfig()
    {
        StationConfig c;
        c.setU8(cfg::kLastTransmissionType, 1);
        c.setI32(cfg::kInterfaceType, InterfaceSoundCard);
        c.setFlag(cfg::kSstvCatalogOpen, true);
        return c;
    }

    TSSTVRXWin* openSstv()
    {
        makeMain();
        settle();
        return qobject_cast<TSSTVRXWin*>(main->receiveWindow());
    }

    void restart()
    {
        main->close();
        main.reset();
    }

    fs::path folder() const { return fs::path(dir.path().toStdString()); }
};

struct RgbPictureProbe {
    storage::RgbPicture picture;
    bool loaded;
    explicit RgbPictureProbe(const fs::path& file) : loaded(picture.load(file)) {}
    int whiteIn(int left, int top, int width, int height) const
    {
        int n = 0;
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x)
                n += picture.getPixel(x, y) == 0xFFFFFFu;
        return n;
    }
};

TEST_F(SstvWindowTest, ControlsCarryTheirNamesHintsAndMenus)
{
    writeConfig(sstvConfig());
    TSSTVRXWin* win = openSstv();
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->windowTitle(), "SSTV-RX Window");
    EXPECT_TRUE(log->contains("begin SSTV reception"));
    struct Row {
        const char* name;
        const char* hint;
    };
    const Row rows[] = {
        {"SSTV_Transmission_Mode", "Select SSTV transmit mode"},
        {"QRMButton", "QRM mode"},
        {"StartButton", "Force picture start"},
        {"ResetButton", "Stop picture"},
        {"Shiftrightbutton", "Shift picture left"},
        {"Shiftleftbutton", "Shift picture right"},
        {"Autorxtotxbutton", "Set TX mode to follow RX mode automatically"},
        {"Clicktosetsynclines", "Double-click to set the number of missing syncs that will stop the picture"},
        {"SpectrumButton", "Toggle spectrum display "},
        {"Scopebutton", "Toggle scope display "},
        {"CatalogButton", "Toggle catalog display "},
        {"Toolbutton", "SSTV-Tools"},
        {"Failbar", nullptr},
        {"ModeDisp", nullptr},
        {"ResolutionDisp", nullptr},
        {"PaintBox1", nullptr},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        auto* w = win->findChild<QWidget*>(r.name);
        ASSERT_NE(w, nullptr);
        if (r.hint) {
            EXPECT_EQ(w->toolTip(), r.hint);
        }
    }
    EXPECT_EQ(win->findChild<QLabel*>("ModeDisp")->text(), " no signal");
    EXPECT_EQ(win->findChild<QProgressBar*>("Failbar")->maximum(), 15);
    EXPECT_TRUE(win->findChild<QLabel*>("ResolutionDisp")->text().startsWith(' '));
    // QRM mode off: the forced start and stop are not available.
    EXPECT_FALSE(win->findChild<QAbstractButton*>("StartButton")->isEnabled());
    win->findChild<QAbstractButton*>("QRMButton")->click();
    EXPECT_TRUE(win->findChild<QAbstractButton*>("StartButton")->isEnabled());
    EXPECT_TRUE(station.config.flag(cfg::kSstvQrmMode));

    // The transmit-mode list and menu hold the 25 rows; the menu selects by its hot key.
    auto* combo = win->findChild<QComboBox*>("SSTV_Transmission_Mode");
    ASSERT_EQ(combo->count(), 25);
    EXPECT_EQ(combo->currentIndex(), 1);
    auto* menu = win->findChild<QMenu*>("TXMode1");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), "TX-&Mode");
    ASSERT_EQ(menu->actions().size(), 25);
    EXPECT_EQ(menu->actions().at(10)->text(), "&A Rob. BW24");
    EXPECT_EQ(menu->actions().at(24)->text(), "&O Repeater");
    menu->actions().at(24)->trigger();
    EXPECT_EQ(combo->currentIndex(), 24);
    EXPECT_EQ(station.config.u8(cfg::kSstvTransmitMode), 24);

    // The missing-syncs dialog asks again with "15" until the value is in 10..40.
    dialogs->texts = {"x", "9", "22"};
    win->ClicktosetsynclinesDblClick();
    EXPECT_EQ(dialogs->asked.count("Enter number of missing syncs to stop picture"), 3);
    EXPECT_EQ(station.config.i32(cfg::kSstvMaxMissingSyncs), 22);
    EXPECT_EQ(win->findChild<QProgressBar*>("Failbar")->maximum(), 22);

    auto* catalog = win->catalogWindow();
    ASSERT_NE(catalog, nullptr);
    EXPECT_TRUE(catalog->isVisible());
    EXPECT_EQ(catalog->windowTitle(), "Catalog");
    const QStringList captions = {"Last Received", "Page 1", "Page 2", "Page 3", "Page 4", "Page 5",
                                  "Test Pictures", "Beacon pictures", "Last repeated"};
    for (int p = 0; p < 9; ++p)
        EXPECT_EQ(catalog->pages()->tabText(p), captions[p]);
    EXPECT_EQ(catalog->grid(sstv::kTestPicturesPage)->count(), 14);

    restart();
    EXPECT_TRUE(log->contains("end SSTV reception"));
}

// The typical road: SSTV chosen, a recording made by `encode sstv` decoded from a wave file, the
// picture stored on "Last Received" and in SSTV-Lastreceived, and shown again after a restart.
TEST_F(SstvWindowTest, DecodesAWaveFileIntoLastReceivedAndKeepsItAcrossRestarts)
{
    const fs::path wav = encodeSstvWave(folder(), "Rob. BW12");
    ASSERT_FALSE(wav.empty());
    writeConfig(sstvConfig());
    TSSTVRXWin* win = openSstv();
    ASSERT_NE(win, nullptr);
    win->tools()->timestampButton()->click(); // "date/time stamp received pictures"
    QStringList stored;
    QObject::connect(win, &TSSTVRXWin::pictureStoredAs, [&](const QString& f) { stored << f; });
    dialogs->files = {QString::fromStdString(wav.string())};
    main->findChild<QAction*>("DecodeFromWaveFile1")->trigger();
    EXPECT_TRUE(win->playbackRunning());
    ASSERT_TRUE(waitUntil([&] { return !stored.isEmpty(); }, 120000));
    EXPECT_EQ(win->findChild<QLabel*>("ModeDisp")->text(), " no signal");

    const fs::path expected = folder() / "SSTV-Lastreceived" / "20260314 1100 Rob. BW12.PNG";
    EXPECT_EQ(stored.front().toStdString(), expected.string());
    RgbPictureProbe probe(expected);
    EXPECT_TRUE(probe.loaded);
    EXPECT_GT(probe.whiteIn(5, 256 - 20, 200, 18), 20) << "the time stamp at the bottom left";
    EXPECT_EQ(win->catalogWindow()->grid(sstv::kLastReceivedPage)->count(), 1);
    EXPECT_TRUE(waitUntil([&] { return !win->playbackRunning(); }, 30000));


    // Restarted, the catalog file brings the picture back; a second session keeps a backup.
    restart();
    const fs::path cat = folder() / "SSTV-Lastreceived" / "CATALOG.CAT";
    ASSERT_TRUE(fs::exists(cat));
    for (int session = 0; session < 2; ++session) {
        SCOPED_TRACE(session);
        win = openSstv();
        ASSERT_NE(win, nullptr);
        ASSERT_EQ(win->sstvStation().catalog().page(sstv::kLastReceivedPage).files, std::vector<fs::path>{expected});
        EXPECT_EQ(win->catalogWindow()->grid(sstv::kLastReceivedPage)->count(), 1);
        restart();
    }
    ASSERT_TRUE(fs::exists(folder() / "SSTV-Lastreceived" / "CATALOG.BAK"));

    // A damaged catalog falls back to its backup and says so.
    fs::resize_file(cat, 3);
    win = openSstv();
    ASSERT_NE(win, nullptr);
    EXPECT_TRUE(log->contains("+++Failure loading catalog. Trying to restore from backup."));
    EXPECT_FALSE(log->contains("+++Failure loading catalog backup."));
    EXPECT_EQ(win->catalogWindow()->grid(sstv::kLastReceivedPage)->count(), 1);
}

} // namespace
} // namespace tellur::ui::test
