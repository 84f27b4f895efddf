#include "text/ui/rtty_rx_win.h"

#include "core/command_switches.h"
#include "core/operating_mode.h"
#include "settings/text_window_fields.h"
#include "signal/serial_watchdog.h"
#include "signal/ui/spectrum_win.h"
#include "text/ui/rtty_text.h"
#include "ui/dialogs.h"
#include "ui/key_swallower.h"
#include "ui/receive_window_host.h"
#include "ui/station_context.h"
#include "ui/station_devices.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

namespace tellur::ui {

namespace {

QToolButton* tool(QWidget* parent, const char* name, const QString& text, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    return b;
}

void setCaptionColour(QToolButton* b, const char* colour)
{
    b->setStyleSheet(QString("QToolButton { color: %1; }").arg(colour));
}

} // namespace

Tsavedialogthread::Tsavedialogthread(QString file, QStringList lines, QObject* context, std::function<void(bool)> done)
{
    m_thread = std::jthread([this, file = std::move(file), lines = std::move(lines), context, done = std::move(done)] {
        QFile f(file);
        bool ok = f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
        if (ok) {
            QTextStream out(&f);
            for (const QString& l : lines)
                out << l << '\n';
            out.flush();
            ok = out.status() == QTextStream::Ok;
        }
        m_finished = true;
        QMetaObject::invokeMethod(context, [done, ok] { done(ok); }, Qt::QueuedConnection);
    });
}

Tsavedialogthread::~Tsavedialogthread() = default;

bool printTextDocument(QPrinter& printer, const QString& jobTitle, const QString& heading, const QStringList& lines)
{
    printer.setDocName(jobTitle);
    QTextDocument doc;
    doc.setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    doc.setPlainText(heading + "\n\n" + lines.join('\n'));
    doc.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

// The text pane: a left-button drag counts as leaving the bottom.
class RxPane : public QPlainTextEdit {
public:
    explicit RxPane(QWidget* parent, bool& dragging) : QPlainTextEdit(parent), m_dragging(dragging) {}

protected:
    void mouseMoveEvent(QMouseEvent* e) override
    {
        m_dragging = e->buttons() == Qt::LeftButton;
        QPlainTextEdit::mouseMoveEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        m_dragging = false;
        QPlainTextEdit::mouseReleaseEvent(e);
    }

private:
    bool& m_dragging;
};

// Panel3: a click ends scroll-back.
class ClickLabel : public QLabel {
public:
    ClickLabel(QWidget* parent, std::function<void()> click) : QLabel(parent), m_click(std::move(click)) {}

protected:
    void mousePressEvent(QMouseEvent*) override { m_click(); }

private:
    std::function<void()> m_click;
};

TRTTYRXWin::TRTTYRXWin(ReceiveWindowHost& host)
    : TMyform(host.hostWindow(), Qt::Window), m_host(host), m_station(host.station())
{
    setObjectName("TRTTYRXWin");
    setWindowTitle("RTTY-RX-Window");
    setSwallowAltF4(true);
    m_printDialog = [this](QPrinter& p) {
        QPrintDialog d(&p, this);
        return d.exec() == QDialog::Accepted;
    };
    buildControls();
    buildMenus();

    m_host.devices().runPtcCommandFile("PTCRTTYINI.INI");
    m_station.log->action("begin RTTY reception");
    m_text = std::make_unique<text::TextStation>(text::textStationSettings(m_station.config, m_station.folder),
                                                 static_cast<text::TextStationListener&>(*this));
    setOperatingMode(ModeRtty85);

    int row = int(text::storedTextRow(m_station.config));
    if (auto s = m_host.switches().get('S')) {
        bool ok = false;
        const int v = QString::fromStdString(s->value).toInt(&ok);
        if (ok && v >= 0 && v < int(text::kRttyModeRows))
            row = v;
    }
    m_row = row;
    const std::string storeError = m_text->open(m_station.stationTime());
    if (!storeError.empty())
        m_host.dialogs().warning(this, "Tellur32", QString::fromStdString(storeError));
    RTTY_Transmission_ModeChange(row);
    show();
}

TRTTYRXWin::~TRTTYRXWin() { FormCloseQuery(); }

bool TRTTYRXWin::ptc() const { return m_station.interfaceType() == InterfacePtc2; }

void TRTTYRXWin::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName("MainMenu1");
    layout->setMenuBar(m_menuBar);

    // The tool bar lives in the main window's tool area while this window is open.
    m_toolBar = new QWidget;
    m_toolBar->setObjectName("ToolBar1");
    auto* row = new QHBoxLayout(m_toolBar);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(3);
    auto* discard = new KeySwallower(this);

    m_modeCombo = new QComboBox(m_toolBar);
    m_modeCombo->setObjectName("RTTY_Transmission_Mode");
    m_modeCombo->setToolTip("Select RTTY-mode");
    m_modeCombo->installEventFilter(discard);
    for (std::size_t r = 0; r < text::kRttyModeRows; ++r)
        m_modeCombo->addItem(QString::fromStdString(std::string(text::readRttyModeRow(m_station.config, r).name.view())));
    connect(m_modeCombo, &QComboBox::activated, this, &TRTTYRXWin::RTTY_Transmission_ModeChange);
    row->addWidget(m_modeCombo);

    m_centerEdit = new QSpinBox(m_toolBar);
    m_centerEdit->setObjectName("Centerfreqedit");
    m_centerEdit->setToolTip("Set demodulator center frequency");
    m_centerEdit->setRange(600, 2900);
    m_centerEdit->setSingleStep(10);
    connect(m_centerEdit, &QSpinBox::editingFinished, this, &TRTTYRXWin::applyFromControls);
    row->addWidget(m_centerEdit);

    auto spinPair = [&](const char* editName, const char* spinName, const QString& hint, QLineEdit*& edit,
                        void (TRTTYRXWin::*step)(bool)) {
        edit = new QLineEdit(m_toolBar);
        edit->setObjectName(editName);
        edit->setToolTip(hint);
        edit->setReadOnly(true);
        edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance("88888") + 10);
        row->addWidget(edit);
        auto* spin = new QWidget(m_toolBar);
        spin->setObjectName(spinName);
        auto* v = new QVBoxLayout(spin);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        for (bool up : {true, false}) {
            auto* b = tool(spin, up ? "Up" : "Down", QString(), hint);
            b->setObjectName(QString(spinName) + (up ? "Up" : "Down"));
            b->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
            b->setFixedSize(16, 11);
            connect(b, &QToolButton::clicked, this, [this, step, up] { (this->*step)(up); });
            v->addWidget(b);
            m_spins << b;
        }
        row->addWidget(spin);
    };
    spinPair("Baudedit", "BaudSpin", "Change Baudrate", m_baudEdit, &TRTTYRXWin::BaudSpin);
    spinPair("Shiftedit", "ShiftSpin", "Change Shift", m_shiftEdit, &TRTTYRXWin::ShiftSpin);

    m_revButton = tool(m_toolBar, "RevButton", "REV", "Toggle normal / reverse reception");
    m_revButton->setCheckable(true);
    connect(m_revButton, &QToolButton::clicked, this, &TRTTYRXWin::RevButtonClick);
    m_afcButton = tool(m_toolBar, "AFCButton", "AFC", "Toggle AFC on / off");
    m_afcButton->setCheckable(true);
    connect(m_afcButton, &QToolButton::clicked, this, &TRTTYRXWin::AFCButtonClick);
    m_afcLabel = new QLabel("0", m_toolBar);
    m_afcLabel->setObjectName("AFCLabel");
    m_afcLabel->setToolTip("AFC frequency offset");
    m_afcLabel->setMinimumWidth(m_afcLabel->fontMetrics().horizontalAdvance("-888") + 6);
    m_afcLabel->hide();
    m_spectrumButton = tool(m_toolBar, "SpectrumButton", "Spectrum", "Toggle spectrum display ");
    m_spectrumButton->setCheckable(true);
    connect(m_spectrumButton, &QToolButton::clicked, this, &TRTTYRXWin::SpectrumButtonClick);
    m_openButton = tool(m_toolBar, "OpenButton", "Messages", "Open selective messages viewer");
    connect(m_openButton, &QToolButton::clicked, this, &TRTTYRXWin::OpenButtonClick);
    m_saveButton = tool(m_toolBar, "SaveButton", "Save", "Save text in RX-Window");
    connect(m_saveButton, &QToolButton::clicked, this, &TRTTYRXWin::SaveButtonClick);
    m_folderButton = tool(m_toolBar, "SpeedButton1", "Folder", "Open Textmessages-Lastreceived file folder");
    connect(m_folderButton, &QToolButton::clicked, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(m_text->settings().textFolder.string())));
    });
    for (QWidget* w : std::initializer_list<QWidget*>{m_revButton, m_afcButton, m_afcLabel, m_spectrumButton,
                                                      m_openButton, m_saveButton, m_folderButton})
        row->addWidget(w);
    m_host.toolArea()->addWidget(m_toolBar);
    m_toolBar->show();

    m_rxWindow = new RxPane(this, m_mouseDragging);
    m_rxWindow->setObjectName("RXWindow");
    m_rxWindow->setReadOnly(true);
    m_rxWindow->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_rxWindow->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_rxWindow->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* popup = new QMenu(this);
    popup->setObjectName("PopupMenu1");
    auto addItem = [&](const char* name, const QString& text, void (TRTTYRXWin::*slot)()) {
        QAction* a = popup->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
    };
    addItem("Clear1", "&Clear RX window", &TRTTYRXWin::ClearClick);
    addItem("Save1", "&Save (selected) text", &TRTTYRXWin::SaveButtonClick);
    addItem("Print1", "&Print (selected) text", &TRTTYRXWin::PrintClick);
    connect(m_rxWindow, &QWidget::customContextMenuRequested, this,
            [this, popup](QPoint p) { popup->popup(m_rxWindow->mapToGlobal(p)); });
    connect(m_rxWindow->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { m_scrollBack.scrolled(); });
    layout->addWidget(m_rxWindow, 1);

    auto* status = new QWidget(this);
    status->setObjectName("StatusBar1");
    auto* sl = new QHBoxLayout(status);
    sl->setContentsMargins(4, 1, 4, 1);
    m_modeDisp = new QLabel("waiting", status);
    m_modeDisp->setObjectName("ModeDisp");
    m_modeDisp->setMinimumWidth(m_modeDisp->fontMetrics().horizontalAdvance("running") + 12);
    m_panel3 = new ClickLabel(status, [this] { endScrollBack(); });
    m_panel3->setObjectName("Panel3");
    sl->addWidget(m_modeDisp);
    sl->addWidget(m_panel3, 1);
    layout->addWidget(status);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName("Timer1");
    m_timer1->setInterval(25);
    connect(m_timer1, &QTimer::timeout, this, &TRTTYRXWin::Timer1Timer);
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName("Timer2");
    m_timer2->setInterval(100);
    connect(m_timer2, &QTimer::timeout, this, &TRTTYRXWin::Timer2Timer);
    m_timer2->start();
    resize(640, 400);
}

void TRTTYRXWin::buildMenus()
{
    QMenu* menu = m_menuBar->addMenu("R&TTY / NAVTEX");
    menu->setObjectName("RTTY1");
    m_typeMenu = menu->addMenu("&Type");
    m_typeMenu->setObjectName("Type1");
    m_typeGroup = new QActionGroup(this);
    m_typeGroup->setExclusive(true);
    for (std::size_t r = 0; r < text::kRttyModeRows; ++r) {
        const QString name = QString::fromStdString(std::string(text::readRttyModeRow(m_station.config, r).name.view()));
        QAction* a = m_typeMenu->addAction(QString::asprintf("&%x ", unsigned(r)) + name);
        a->setObjectName(QString("TypeItem%1").arg(r));
        a->setCheckable(true);
        m_typeGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, r] { RTTY_Transmission_ModeChange(int(r)); });
    }
    m_spectrum1 = menu->addAction("S&pectrum");
    m_spectrum1->setObjectName("Spectrum1");
    m_spectrum1->setCheckable(true);
    connect(m_spectrum1, &QAction::triggered, this, [this](bool on) {
        m_spectrumButton->setChecked(on);
        SpectrumButtonClick();
    });
}

void TRTTYRXWin::setOperatingMode(int mode)
{
    // The ring has one writer: stop it before the reset; the switch starts the new one.
    StationDevices& devices = m_host.devices();
    if (mode >= 0 && mode != m_station.flags.currentOperatingMode.load()) {
        devices.stopRingWriters();
        m_station.ring.reset(m_station.config.dataRate(), m_station.histogram);
        if (m_text)
            m_text->resetRingPosition();
    }
    devices.setOperatingMode(mode);
}

void TRTTYRXWin::RTTY_Transmission_ModeChange(int row)
{
    m_timer1->stop();
    if (m_spectrum) {
        m_spectrum->closeSpectrum();
        delete m_spectrum;
    }
    endScrollBack();
    if (row < 0 || row >= int(text::kRttyModeRows) || !text::readRttyModeRow(m_station.config, std::size_t(row)).selectable())
        row = m_row;
    m_row = row;
    text::setCurrentRttyModeRow(m_station.config, std::int8_t(row));
    m_modeCombo->setCurrentIndex(row);
    m_typeGroup->actions().at(row)->setChecked(true);
    std::error_code ec;
    std::filesystem::create_directories(m_text->settings().textFolder, ec);

    const text::RttyModeRecord mode = text::readRttyModeRow(m_station.config, std::size_t(row));
    if (m_station.interfaceType() == InterfaceSoundCard)
        m_host.devices().soundcard().demodulator().restartLevelStatistics(m_station.config.dataRate());

    const std::int32_t left = m_station.config.i32(cfg::kRttyWindowLeft);
    if (left == cfg::kWindowUnset) {
        m_station.config.setI32(cfg::kRttyWindowLeft, x());
        m_station.config.setI32(cfg::kRttyWindowTop, y());
        m_station.config.setI32(cfg::kRttyWindowWidth, width());
        m_station.config.setI32(cfg::kRttyWindowHeight, height());
    } else {
        move(keptOnScreen(QPoint(left, m_station.config.i32(cfg::kRttyWindowTop))));
        resize(m_station.config.i32(cfg::kRttyWindowWidth), m_station.config.i32(cfg::kRttyWindowHeight));
    }
    applyMode(mode.type, std::string(mode.ptcType.view()), mode.centerHz, mode.reverse != 0, mode.afc != 0,
              mode.shiftHz, int(std::lround(double(mode.baudE4) / 10000.0)));
    m_templateTime = m_station.stationTime();
    setWindowTitle(mode.type == text::RttyFec ? "NAVTEX-RX Window" : "RTTY-RX-Window");
    if (m_station.interfaceType() == InterfaceSoundCard) {
        if (m_station.config.flag(cfg::kRttySpectrumOpen)) {
            m_spectrumButton->setChecked(true);
            SpectrumButtonClick();
        }
    } else {
        m_spectrumButton->hide();
    }
    ClearClick();
    m_timer1->start();
}

void TRTTYRXWin::applyMode(std::uint8_t type, const std::string& ptcType, int centerHz, bool reverse, bool afc,
                           int shiftHz, int baud)
{
    m_centerEdit->setValue(centerHz);
    m_revButton->setChecked(reverse);
    setCaptionColour(m_revButton, reverse ? "red" : "black");
    m_afcButton->setChecked(afc);
    AFCButtonClick();
    m_shiftEdit->setText(QString::number(shiftHz));
    m_baudEdit->setText(QString::number(baud));
    const bool fec = type == text::RttyFec;
    for (QWidget* w : std::initializer_list<QWidget*>{m_shiftEdit, m_baudEdit})
        w->setEnabled(!fec);
    for (QToolButton* b : m_spins)
        b->setEnabled(!fec);

    text::RttyModeRecord row = text::readRttyModeRow(m_station.config, std::size_t(m_row));
    row.type = type;
    row.baudE4 = std::int64_t(baud) * 10000;
    if (ptc()) {
        ptcCommands(text::ptcApplyModeCommands(type, ptcType, centerHz, reverse, shiftHz, baud));
        m_text->applyMode(row);
    } else {
        m_text->applyMode(row);
        if (m_station.interfaceType() == InterfaceSoundCard) {
            const int mode = text::operatingModeFor(type, shiftHz, m_station.flags.currentOperatingMode.load());
            setOperatingMode(mode);
            auto& demod = m_host.devices().soundcard().demodulator();
            demod.setCenterFrequency(centerHz);
            demod.setInvert(reverse);
            demod.setAfc(afc);
        }
    }
    refreshStatus();
}

// The modem answers commands only while the serial reader leaves the port to the command wait.
// The rest of a list is sent only when its first command is answered.
bool TRTTYRXWin::ptcCommands(const std::vector<std::string>& commands)
{
    signal::SerialModeDevices& serial = m_host.devices().serial();
    serial.stopSerialReader();
    if (!serial.devices().mainPort().isOpen())
        serial.devices().mainPort().open();
    const bool first = serial.devices().ptc2Command(commands.front());
    if (first)
        for (std::size_t i = 1; i < commands.size(); ++i)
            serial.devices().ptc2Command(commands[i]);
    serial.startSerialReader(m_station.config.i32(cfg::kSerialThreadPriority));
    return first;
}

void TRTTYRXWin::applyFromControls()
{
    const text::RttyModeRecord row = text::readRttyModeRow(m_station.config, std::size_t(m_row));
    applyMode(row.type, std::string(row.ptcType.view()), m_centerEdit->value(), m_revButton->isChecked(),
              m_afcButton->isChecked(), m_shiftEdit->text().toInt(), m_baudEdit->text().toInt());
}

void TRTTYRXWin::RevButtonClick()
{
    const bool down = m_revButton->isChecked();
    setCaptionColour(m_revButton, down ? "red" : "black");
    if (ptc()) {
        const text::RttyModeRecord row = text::readRttyModeRow(m_station.config, std::size_t(m_row));
        ptcCommands({text::ptcReverseCommand(row.type, down)});
    } else if (m_station.interfaceType() == InterfaceSoundCard) {
        m_host.devices().soundcard().demodulator().setInvert(down);
    }
}

void TRTTYRXWin::AFCButtonClick()
{
    const bool down = m_afcButton->isChecked();
    setCaptionColour(m_afcButton, down ? "green" : "black");
    m_afcLabel->setText("0");
    m_afcLabel->setVisible(down);
    if (m_station.interfaceType() == InterfaceSoundCard)
        m_host.devices().soundcard().demodulator().setAfc(down);
}

void TRTTYRXWin::BaudSpin(bool up)
{
    m_baudEdit->setText(QString::number(text::stepBaud(m_baudEdit->text().toInt(), up)));
    applyFromControls();
}

void TRTTYRXWin::ShiftSpin(bool up)
{
    m_shiftEdit->setText(QString::number(text::stepShift(m_shiftEdit->text().toInt(), up)));
    applyFromControls();
}

void TRTTYRXWin::Timer1Timer()
{
    if (m_closing || m_busy || m_station.flags.currentOperatingMode.load() == ModeOff || m_station.modalPause > 0)
        return;
    m_busy = true;
    m_timer1->stop();
    const double now = m_station.stationTime();
    m_text->decode(m_station.ring, now);
    if (!saveOrPrintRunning()) {
        m_text->consume(now);
        if (!m_scrollBack.active())
            showText(m_text->flushDisplay());
    }
    if (ptc()) {
        if (m_text->takePtcStatusSeen())
            m_station.flags.serialWatchdog = 0;
        if (++m_statusTicks > kStatusRequestTicks) {
            m_statusTicks = 0;
            m_host.devices().mainPort().writeByte(0x1E);
        }
        watchdog();
    }
    if (m_afcButton->isChecked() && m_station.interfaceType() == InterfaceSoundCard)
        m_afcLabel->setText(QString::number(m_host.devices().soundcard().demodulator().afcOffsetHz()));
    refreshStatus();
    m_busy = false;
    if (!m_closing)
        m_timer1->start();
}

void TRTTYRXWin::watchdog()
{
    // A modem that has stopped talking is switched off and on and programmed again.
    if (m_closing || !signal::watchdogTick(m_station.flags.serialWatchdog, kWatchdogTicks))
        return;
    m_station.log->action("+++watchdog alert (RTTY)");
    m_station.flags.serialWatchdog = signal::kWatchdogRestart;
    StationDevices& devices = m_host.devices();
    devices.setOperatingMode(ModeOff);
    if (m_closing)
        return;
    devices.setOperatingMode(ModeRtty85);
    if (m_closing)
        return;
    applyFromControls();
}

void TRTTYRXWin::showText(const std::string& shown)
{
    if (shown.empty())
        return;
    // The pane mirrors the station's pane model: rebuilt when old lines went, appended otherwise.
    const text::TextPane& pane = m_text->pane();
    if (pane.trimmed()) {
        QStringList lines;
        for (const std::string& l : pane.lines())
            lines << QString::fromLatin1(l.c_str());
        m_rxWindow->setPlainText(lines.join('\n'));
    } else {
        QTextCursor c(m_rxWindow->document());
        c.movePosition(QTextCursor::End);
        c.insertText(QString::fromLatin1(shown.c_str()));
    }
    m_rxWindow->verticalScrollBar()->setValue(m_rxWindow->verticalScrollBar()->maximum());
}

void TRTTYRXWin::refreshStatus()
{
    const bool running = m_text->running();
    m_modeDisp->setText(running ? "running" : "waiting");
    m_modeDisp->setStyleSheet(running ? "QLabel { color: green; }" : "QLabel { color: red; }");
}

bool TRTTYRXWin::atBottom() const
{
    const QScrollBar* s = m_rxWindow->verticalScrollBar();
    return !m_mouseDragging && s->value() >= s->maximum();
}

void TRTTYRXWin::Timer2Timer()
{
    if (m_station.modalPause > 0)
        return;
    if (!m_scrollBack.active()) {
        if (!atBottom())
            m_scrollBack.leaveBottom();
        return;
    }
    if (atBottom() || m_scrollBack.tick()) {
        endScrollBack();
        return;
    }
    if (++m_scrollTicks % 10 == 0)
        m_panel3->setText(QString::fromStdString(m_scrollBack.panelText()));
}

void TRTTYRXWin::endScrollBack()
{
    m_scrollBack.end();
    m_scrollTicks = 0;
    m_panel3->clear();
    if (m_text && m_text->displayPending())
        showText(m_text->flushDisplay());
    m_rxWindow->verticalScrollBar()->setValue(m_rxWindow->verticalScrollBar()->maximum());
}

void TRTTYRXWin::ClearClick()
{
    QTextCursor c = m_rxWindow->textCursor();
    if (c.hasSelection()) {
        c.removeSelectedText();
        return;
    }
    m_rxWindow->clear();
    m_text->pane().clear();
    m_text->clearChanged();
    endScrollBack();
}

QStringList TRTTYRXWin::selectedOrAllLines() const
{
    const QString sel = m_rxWindow->textCursor().selectedText();
    QString all = sel.isEmpty() ? m_rxWindow->toPlainText() : sel;
    all.replace(QChar::ParagraphSeparator, '\n');
    return all.split('\n');
}

QString TRTTYRXWin::templateName() const
{
    const text::RttyModeRecord row = text::readRttyModeRow(m_station.config, std::size_t(m_row));
    return QString::fromStdString(
        text::textFileName(m_text->settings().fileNameTemplate, {}, std::string(row.name.view()), m_templateTime));
}

void TRTTYRXWin::SaveButtonClick()
{
    if (saveOrPrintRunning())
        return;
    const QStringList lines = selectedOrAllLines();
    QString file;
    {
        ModalPause pause(m_station);
        const QString folder = QString::fromStdString(m_text->settings().textFolder.string());
        file = m_host.dialogs().saveFileName(this, "Save received text", folder + "/" + templateName() + ".txt",
                                             "Text files (*.txt)");
    }
    if (file.isEmpty())
        return;
    if (!file.endsWith(".txt", Qt::CaseInsensitive))
        file += ".txt";
    m_saveButton->setEnabled(false);
    m_saveThread = std::make_unique<Tsavedialogthread>(file, lines, this, [this, file](bool) {
        m_saveThread.reset();
        m_templateTime = m_station.stationTime();
        m_text->clearChanged();
        endScrollBack();
        m_saveButton->setEnabled(true);
        Q_EMIT textSaved(file);
    });
}

void TRTTYRXWin::waitForSave()
{
    while (m_saveThread)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void TRTTYRXWin::PrintClick()
{
    if (saveOrPrintRunning())
        return;
    m_printing = true;
    m_saveButton->setEnabled(false);
    const QStringList lines = selectedOrAllLines();
    QPrinter printer;
    bool go = false;
    {
        ModalPause pause(m_station);
        go = m_printDialog(printer);
    }
    if (go)
        printTextDocument(printer, "Tellur32 - text message", templateName(), lines);
    m_printing = false;
    m_saveButton->setEnabled(true);
    endScrollBack();
}

void TRTTYRXWin::SpectrumButtonClick()
{
    const bool on = m_spectrumButton->isChecked();
    if (on && !m_spectrum) {
        m_spectrum = new TSpectrum(m_station, TSpectrum::Kind::MarkSpace, false, false, this);
        // 0 is mark and 255 space in the RTTY modes.
        m_spectrum->setScalePositions(0, 254);
        m_spectrum->show();
    } else if (!on && m_spectrum) {
        m_spectrum->closeSpectrum();
        delete m_spectrum;
    }
    m_spectrum1->setChecked(on);
    m_station.config.setFlag(cfg::kRttySpectrumOpen, on);
}

void TRTTYRXWin::OpenButtonClick()
{
    m_viewer = TRTTYText::open(m_station, m_host.dialogs(), m_host.hostWindow());
    m_openButton->setEnabled(false);
    connect(m_viewer, &QObject::destroyed, this, [this] {
        if (!m_closed)
            m_openButton->setEnabled(true);
    });
}

void TRTTYRXWin::messageFramed(const text::FramedMessage& message, int, bool stored)
{
    if (!stored)
        return;
    if (TRTTYText* v = TRTTYText::instance())
        v->refresh();
    Q_EMIT messageStored(QString::fromStdString(message.id.substr(0, 4)));
}

void TRTTYRXWin::decodeWaveFile()
{
    StationDevices& devices = m_host.devices();
    if (m_station.interfaceType() != InterfaceSoundCard || devices.wavePlaybackRunning())
        return;
    QString file;
    {
        ModalPause pause(m_station);
        file = m_host.dialogs().openFileName(this, "Open wave file for playback",
                                             QString::fromStdString(m_station.folderField(StationFolder::MasksPalettes).string()),
                                             "Wave files (*.wav)");
    }
    if (file.isEmpty())
        return;
    ReceiveWindowHost* host = &m_host;
    QWidget* main = host->hostWindow();
    signal::WavePlaybackHooks hooks;
    hooks.hidePanel = [host, main] {
        QMetaObject::invokeMethod(main, [host] { host->setWavePlaybackVisible(false); }, Qt::QueuedConnection);
    };
    hooks.message = [host, main](const std::string& text) {
        QMetaObject::invokeMethod(main, [host, main, text] {
            host->dialogs().warning(main, "Tellur32", QString::fromStdString(text));
        }, Qt::QueuedConnection);
    };
    if (devices.startWavePlayback(file.toStdString(), std::move(hooks)))
        m_host.setWavePlaybackVisible(true);
}

void TRTTYRXWin::abortPlayback() { m_host.devices().abortWavePlayback(); }

void TRTTYRXWin::closeEvent(QCloseEvent* e)
{
    if (e->spontaneous()) {
        TMyform::closeEvent(e);
        return;
    }
    FormCloseQuery();
    e->accept();
}

bool TRTTYRXWin::FormCloseQuery()
{
    if (m_closed)
        return true;
    m_closed = true;
    m_closing = true;
    m_timer1->stop();
    m_timer2->stop();
    const double now = m_station.stationTime();
    if (ptc() && m_host.devices().serial().serialPortOpen())
        ptcCommands({"TO 2", "TR 0", "Space 1200", "Mark 1400", "LFIgnore 1"});
    setOperatingMode(ModeOff);
    m_host.setWavePlaybackVisible(false);
    waitForSave();
    if (m_spectrum) {
        m_spectrum->closeSpectrum();
        delete m_spectrum;
    }
    if (TRTTYText* v = TRTTYText::instance())
        delete v;
    m_text->close(now, m_station.log.get());
    m_station.config.setI32(cfg::kRttyWindowLeft, x());
    m_station.config.setI32(cfg::kRttyWindowTop, y());
    m_station.config.setI32(cfg::kRttyWindowWidth, width());
    m_station.config.setI32(cfg::kRttyWindowHeight, height());
    m_host.devices().runPtcCommandFile("PTCRTTYdeINI.INI");
    m_station.log->action("end RTTY reception");
    delete m_toolBar;
    m_toolBar = nullptr;
    return true;
}

} // namespace tellur::ui
