// The text modes in the station: a NAVTEX recording played through the RTTY-RX window reaches
// the pane, the capture file, the message store and the viewer; the viewer decodes SYNOP
// bulletins, filters, deletes groups, saves and prints messages.
#include "fax_wave.h"
#include "text/signal_gen.h"
#include "ui_fixture.h"

#include "settings/text_window_fields.h"
#include "text/message_store.h"
#include "text/ui/rtty_rx_win.h"
#include "text/ui/rtty_text.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QToolButton>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tellur::ui::test {
namespace {

namespace fs = std::filesystem;

const std::string kNavtex = "ZCZC KA01\r\nGALE WARNING GERMAN BIGHT\r\nWIND NW 8\r\nNNNN\r\n";

std::string readFile(const fs::path& f)
{
    std::ifstream in(f, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The print dialog of a test: prints into a PDF file.
std::function<bool(QPrinter&)> printTo(const fs::path& pdf)
{
    return [pdf](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(QString::fromStdString(pdf.string()));
        return true;
    };
}

class RttyWindowTest : public StationFixture {
protected:
    void beforeStart(THauptformular& m) override { installReceiveWindows(m); }

    fs::path home() const { return fs::path(dir.path().toStdString()); }

    TRTTYRXWin* openRtty(int row)
    {
        StationConfig c;
        c.setLastTransmissionType(3);
        c.setInterfaceType(InterfaceSoundCard);
        text::setCurrentRttyModeRow(c, std::int8_t(row));
        writeConfig(c);
        makeMain();
        settle();
        return qobject_cast<TRTTYRXWin*>(main->receiveWindow());
    }

    TRTTYText* openViewerFromMenu()
    {
        main->findChild<QAction*>("OpenMessageViewer1")->trigger();
        return TRTTYText::instance();
    }
};

TEST_F(RttyWindowTest, NavtexRecordingReachesPaneStoreAndViewer)
{
    const fs::path wav = home() / "navtex.wav";
    writeWave(wav, text::testgen::navtexAudio(kNavtex));
    TRTTYRXWin* rtty = openRtty(6);
    ASSERT_NE(rtty, nullptr);
    EXPECT_EQ(rtty->windowTitle(), "NAVTEX-RX Window");
    EXPECT_FALSE(main->findChild<QLineEdit*>("Baudedit")->isEnabled()) << "FEC rows fix baud and shift";
    EXPECT_EQ(station.flags.currentOperatingMode.load(), ModeNavtex);
    EXPECT_TRUE(log->contains("begin RTTY reception"));
    QStringList stored;
    QObject::connect(rtty, &TRTTYRXWin::messageStored, [&](const QString& id) { stored << id; });

    dialogs->files = {QString::fromStdString(wav.string())};
    main->findChild<QAction*>("DecodeFromWaveFile1")->trigger();
    ASSERT_TRUE(waitUntil([&] { return !stored.isEmpty(); }, 60000));
    EXPECT_EQ(stored, QStringList{"KA01"});
    EXPECT_TRUE(rtty->pane()->toPlainText().contains("ZCZC KA01\nGALE WARNING GERMAN BIGHT\nWIND NW 8\nNNNN"))
        << rtty->pane()->toPlainText().toStdString();
    EXPECT_TRUE(readFile(home() / "Textmessages-Lastreceived" / "Capture.txt").find("GALE WARNING GERMAN BIGHT") !=
                std::string::npos);

    // The command line drives the same station: the same recording gives the same text and message.
    const fs::path cliHome = home() / "cli";
    const std::string cli = std::string(TELLUR_CLI_PATH) + " --home " + cliHome.string() + " -q ";
    ASSERT_EQ(std::system((cli + "config set currentRttyMode 6").c_str()), 0);
    ASSERT_EQ(std::system((cli + "decode rtty " + wav.string() + " > " + (home() / "cli.txt").string()).c_str()), 0);
    EXPECT_NE(readFile(home() / "cli.txt").find(rtty->pane()->toPlainText().trimmed().toStdString()), std::string::npos);
    {
        text::MessageStore windowStore(home() / "NAVTEX-Database"), cliStore(cliHome / "NAVTEX-Database");
        const auto a = windowStore.find("KA01"), b = cliStore.find("KA01");
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->message, b->message);
        EXPECT_EQ(a->quality, b->quality);
    }

    // The viewer shows the message with its data; the window's open button waits meanwhile.
    auto* openButton = main->findChild<QToolButton*>("OpenButton");
    openButton->click();
    TRTTYText* viewer = TRTTYText::instance();
    ASSERT_NE(viewer, nullptr);
    EXPECT_FALSE(openButton->isEnabled());
    EXPECT_EQ(openViewerFromMenu(), viewer) << "one viewer at most";
    ASSERT_EQ(viewer->view().size(), 1u);
    EXPECT_EQ(viewer->findChild<QListWidget*>("IDGrid")->item(0)->text(), "KA01");
    EXPECT_EQ(viewer->findChild<QLineEdit*>("Quality")->text(), "1000");
    EXPECT_EQ(viewer->findChild<QLineEdit*>("FirstRX")->text(), "141100 UTC Mar");
    EXPECT_EQ(viewer->findChild<QLineEdit*>("LastRX")->text(), "141100 UTC Mar");
    EXPECT_EQ(viewer->findChild<QLineEdit*>("Received")->text(), "1");
    viewer->close();
    EXPECT_TRUE(waitUntil([&] { return TRTTYText::instance() == nullptr && openButton->isEnabled(); }, 5000));

    // Save and print the pane's text.
    const fs::path saved = home() / "rx.txt", pdf = home() / "rx.pdf";
    dialogs->files = {QString::fromStdString(saved.string())};
    rtty->SaveButtonClick();
    rtty->waitForSave();
    EXPECT_NE(readFile(saved).find("WIND NW 8"), std::string::npos);
    rtty->setPrintDialog(printTo(pdf));
    rtty->PrintClick();
    EXPECT_EQ(readFile(pdf).substr(0, 4), "%PDF");

    main->findChild<QComboBox*>("Transmission_Type")->setCurrentIndex(0);
    main->selectTransmissionType(0);
    settle();
    EXPECT_TRUE(waitUntil([&] { return log->contains("end RTTY reception"); }, 5000));
    EXPECT_TRUE(log->contains("Navtex.dbf pack & Close result: The table was successfully rebuilt."));
    EXPECT_NE(readFile(home() / "Textmessages-Lastreceived" / "Capture.txt").find("--- End capture: 14-Mar-2026 11:00:00 UTC ---"),
              std::string::npos);
}

TEST_F(RttyWindowTest, BaudotRowsSelectAndStepAsListed)
{
    TRTTYRXWin* rtty = openRtty(0);
    ASSERT_NE(rtty, nullptr);
    EXPECT_EQ(rtty->windowTitle(), "RTTY-RX-Window");
    EXPECT_EQ(station.flags.currentOperatingMode.load(), ModeRtty170);
    auto* baud = main->findChild<QLineEdit*>("Baudedit");
    auto* shift = main->findChild<QLineEdit*>("Shiftedit");
    EXPECT_EQ(baud->text(), "45");
    rtty->BaudSpin(false);
    EXPECT_EQ(baud->text(), "110");
    rtty->ShiftSpin(true);
    EXPECT_EQ(shift->text(), "450");
    EXPECT_EQ(station.flags.currentOperatingMode.load(), ModeRtty450);

    // A row with an empty name cannot be chosen.
    text::RttyModeRecord blank = text::readRttyModeRow(station.config, 8);
    blank.name = "  ";
    text::writeRttyModeRow(station.config, 8, blank);
    rtty->RTTY_Transmission_ModeChange(8);
    EXPECT_EQ(rtty->currentRow(), 0);
    rtty->RTTY_Transmission_ModeChange(6);
    EXPECT_EQ(rtty->windowTitle(), "NAVTEX-RX Window");
    EXPECT_EQ(text::currentRttyModeRow(station.config), 6);

    for (const auto& [name, hint] : std::initializer_list<std::pair<const char*, const char*>>{
             {"SpectrumButton", "Toggle spectrum display "}, {"OpenButton", "Open selective messages viewer"},
             {"SaveButton", "Save text in RX-Window"}, {"SpeedButton1", "Open Textmessages-Lastreceived file folder"},
             {"RevButton", "Toggle normal / reverse reception"}, {"AFCButton", "Toggle AFC on / off"},
             {"AFCLabel", "AFC frequency offset"}, {"Centerfreqedit", "Set demodulator center frequency"},
             {"Baudedit", "Change Baudrate"}, {"Shiftedit", "Change Shift"}, {"RTTY_Transmission_Mode", "Select RTTY-mode"}}) {
        QWidget* w = main->findChild<QWidget*>(name);
        if (!w)
            w = rtty->findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->toolTip(), hint) << name;
    }
    EXPECT_EQ(rtty->findChild<QAction*>("Clear1")->text(), "&Clear RX window");
    EXPECT_EQ(rtty->findChild<QAction*>("Save1")->text(), "&Save (selected) text");
    EXPECT_EQ(rtty->findChild<QAction*>("Print1")->text(), "&Print (selected) text");
    EXPECT_EQ(rtty->findChild<QAction*>("TypeItem6")->text(), "&6 NAVTEX");
    EXPECT_EQ(rtty->findChild<QAction*>("Spectrum1")->text(), "S&pectrum");
}

class MessageViewerTest : public RttyWindowTest {
protected:
    // Messages of several types, transmitters and ages, and a SYNOP bulletin.
    void fillStore()
    {
        text::MessageStore store(home() / "NAVTEX-Database");
        const double today = station.stationTime();
        store.storeNavtex("KA01", today, {"KA01", "GALE WARNING", "NNNN"});
        store.storeNavtex("KB02", today - 5, {"KB02", "STORM FORECAST", "NNNN"});
        store.storeNavtex("LE03", today - 2, {"LE03", "FORECAST", "NNNN"});
        store.storeBulletin("@SMR", today - 10,
                            {"ZCZC SMR", "AAXX 09121",
                             "10384 41598 70912 10123 21010 30123 40156 52015 60002 70260 83753 333 10145 80350=",
                             "NNNN"});
    }
    std::vector<std::string> ids(const TRTTYText& v)
    {
        std::vector<std::string> out;
        for (const text::StoredMessage& m : v.view())
            out.push_back(m.id);
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(MessageViewerTest, SynopViewFiltersSaveAndPrint)
{
    fillStore();
    makeMain();
    TRTTYText* viewer = openViewerFromMenu();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(ids(*viewer), (std::vector<std::string>{"@SMR", "KA01", "KB02", "LE03"}));

    // The SYNOP bulletin opens decoded.
    viewer->setSort(TRTTYText::Sort::Id);
    viewer->select(0);
    ASSERT_EQ(viewer->current()->id, "@SMR");
    EXPECT_TRUE(viewer->synopView());
    EXPECT_EQ(viewer->findChild<QToolButton*>("Synopbutton")->text(), "View source");
    const QString decoded = viewer->findChild<QPlainTextEdit*>("SynopText")->toPlainText();
    EXPECT_TRUE(decoded.contains("Station:          10384")) << decoded.toStdString();
    EXPECT_TRUE(decoded.contains("Temperature:      12.3 °C, dew point: -1.0 °C"));

    // Saving writes what is shown; printing gives a PDF.
    const fs::path saved = home() / "synop.txt", pdf = home() / "synop.pdf";
    dialogs->files = {QString::fromStdString(saved.string())};
    viewer->saveMessage();
    viewer->waitForSave();
    EXPECT_NE(readFile(saved).find("Station:          10384"), std::string::npos);
    viewer->setPrintDialog(printTo(pdf));
    viewer->printMessage();
    EXPECT_EQ(readFile(pdf).substr(0, 4), "%PDF");
    viewer->toggleView();
    EXPECT_FALSE(viewer->synopView());
    EXPECT_EQ(viewer->findChild<QToolButton*>("Synopbutton")->text(), "View SYNOP");
    QTest::mouseDClick(viewer->findChild<QPlainTextEdit*>("MessageText")->viewport(), Qt::LeftButton);
    ASSERT_FALSE(dialogs->asked.isEmpty());
    EXPECT_TRUE(dialogs->asked.back().contains("Station:          10384")) << "a double click decodes into a box";

    // Type, area and station narrow the list; "@" disables the station choice.
    struct Step {
        const char* what;
        int type, station;
        std::vector<std::string> expected;
    };
    auto* stationSelect = viewer->findChild<QComboBox*>("Stationselect");
    for (const Step& s : {Step{"all NAVTEX", 1, 0, {"KA01", "KB02", "LE03"}}, Step{"NAVTEX of K", 1, 11, {"KA01", "KB02"}},
                          Step{"warnings B of K", 5, 11, {"KB02"}}, Step{"RTTY", 2, 0, {"@SMR"}}}) {
        viewer->chooseType(s.type);
        if (stationSelect->isEnabled())
            viewer->chooseStation(s.station);
        EXPECT_EQ(ids(*viewer), s.expected) << s.what;
    }
    EXPECT_FALSE(stationSelect->isEnabled());
    viewer->chooseType(0);
    viewer->chooseStation(0);

    // A colour per age since first reception.
    viewer->setSort(TRTTYText::Sort::Id);
    viewer->select(1);
    EXPECT_TRUE(viewer->findChild<QPlainTextEdit*>("MessageText")->styleSheet().contains("maroon"));
}

TEST_F(MessageViewerTest, DeleteWindowRemovesMessagesOlderThanTheChosenDays)
{
    fillStore();
    makeMain();
    TRTTYText* viewer = openViewerFromMenu();
    ASSERT_NE(viewer, nullptr);
    QStringList typesSeen;
    viewer->setDeleteDialog([&](TDeletewindow& w) {
        auto* types = w.findChild<QComboBox*>("NavTypedelselect");
        for (int i = 0; i < types->count(); ++i)
            typesSeen << types->itemText(i);
        w.findChild<QComboBox*>("Daysselect")->setCurrentText("3");
        return true;
    });
    dialogs->answers = {false};
    viewer->deleteGroups();
    EXPECT_EQ(viewer->view().size(), 4u) << "No keeps every message";
    EXPECT_TRUE(dialogs->asked.contains("Really delete the selected messages?"));
    EXPECT_EQ(typesSeen.value(1), "^ - all NAVTEX msgs");
    dialogs->answers = {true};
    viewer->deleteGroups();
    EXPECT_EQ(ids(*viewer), (std::vector<std::string>{"KA01", "LE03"}));

    // One message: twice asked when it is young.
    viewer->setSort(TRTTYText::Sort::Id);
    viewer->select(0);
    dialogs->asked.clear();
    dialogs->answers = {true, true};
    viewer->deleteMessage();
    EXPECT_EQ(dialogs->asked, (QStringList{"Delete Message KA01?", "Warning: Message is younger than 4 days. Really delete it?"}));
    EXPECT_EQ(ids(*viewer), (std::vector<std::string>{"LE03"}));
}

} // namespace
} // namespace tellur::ui::test
