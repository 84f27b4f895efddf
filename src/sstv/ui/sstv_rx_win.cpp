#include "sstv/ui/sstv_rx_win.h"

#include "core/command_switches.h"
#include "ui/dialogs.h"
#include "ui/key_swallower.h"
#include "ui/receive_window_host.h"
#include "ui/station_context.h"
#include "ui/station_devices.h"
#include "ui/wave_decoding.h"
#include "signal/serial_watchdog.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tellur::ui {

namespace {

QToolButton* tool(QWidget* parent, const char* name, const QString& text, const QString& hint, bool checkable = false)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setCheckable(checkable);
    return b;
}

// Removes a picture the user deletes from a catalog page into the desktop's trash.
bool moveToTrash(const std::filesystem::path& file)
{
    return QFile::moveToTrash(QString::fromStdString(file.string()));
}

} // namespace

// The received picture, stretched into the window as the paint box shows it.
class SstvImage : public QWidget {
public:
    explicit SstvImage(TSSTVRXWin& win) : m_win(win)
    {
        setObjectName("PaintBox1");
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(195, 146);
        setContextMenuPolicy(Qt::CustomContextMenu);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect(), m_win.m_view);
    }
    void mouseDoubleClickEvent(QMouseEvent*) override { m_win.copyRxPicture(); }
    void resizeEvent(QResizeEvent*) override { m_win.updateResolution(); }

private:
    TSSTVRXWin& m_win;
};

TSSTVToolWin::TSSTVToolWin(StationContext& station, QWidget* parent) : TMyform(parent)
{
    setObjectName("TSSTVToolWin");
    setWindowTitle("SSTV-Tools");
    setSwallowAltF4(true);
    auto* row = new QHBoxLayout(this);
    m_timestamp = tool(this, "TimestampButton", "Stamp", "date/time stamp received pictures", true);
    m_autoClip = tool(this, "AutoClipButton", "Clip", "Copy received picture to Clipboard automatically", true);
    m_autoClip->setChecked(station.config.flag(cfg::kSstvAutoClip));
    connect(m_timestamp, &QToolButton::toggled, this, &TSSTVToolWin::settingsChanged);
    connect(m_autoClip, &QToolButton::toggled, this, [this, &station](bool on) {
        station.config.setFlag(cfg::kSstvAutoClip, on);
        Q_EMIT settingsChanged();
    });
    row->addWidget(m_timestamp);
    row->addWidget(m_autoClip);
}

TSSTVRXWin::TSSTVRXWin(ReceiveWindowHost& host)
    : TMyform(host.hostWindow(), Qt::Window), m_host(host), m_station(host.station())
{
    setObjectName("TSSTVRXWin");
    setWindowTitle("SSTV-RX Window");
    setSwallowAltF4(true);

    m_station.log->action("begin SSTV reception");
    m_host.devices().runPtcCommandFile("PTCSSTVINI.INI");

    m_view = QImage(340, 256, QImage::Format_RGB32);
    m_view.fill(Qt::black);
    m_sstv = std::make_unique<sstv::SstvStation>(stationSettings(), m_station.ring, m_station.histogram, *m_station.log,
                                                 static_cast<sstv::SstvStationSink*>(this), [this] { return stationClock(); }, &m_text, moveToTrash);
    buildControls();
    buildMenus();

    const int left = m_station.config.i32(cfg::kSstvWindowLeft), top = m_station.config.i32(cfg::kSstvWindowTop);
    const int w = m_station.config.i32(cfg::kSstvWindowWidth), h = m_station.config.i32(cfg::kSstvWindowHeight);
    if (left != cfg::kWindowUnset && top != cfg::kWindowUnset)
        move(keptOnScreen(QPoint(left, top)));
    resize(w != cfg::kWindowUnset ? w : 340 + 16, h != cfg::kWindowUnset ? h : 256 + 110);

    m_tools = new TSSTVToolWin(m_station, this);
    connect(m_tools, &TSSTVToolWin::settingsChanged, this,
            [this] { m_sstv->setTimestamp(m_tools->timestampButton()->isChecked()); });
    m_sstv->catalog().load();
    m_catalog = new TCatalog(m_station, m_host.dialogs(), m_sstv->catalog(), this);

    // The transmit mode: the stored index (Martin 1 when out of range), or the start parameter.
    m_txMode = sstv::normaliseTxModeIndex(m_station.config.u8(cfg::kSstvTransmitMode));
    if (auto s = m_host.switches().get('S'))
        m_txMode = sstv::txModeFromStartParameter("S:" + s->value, m_txMode);
    const int tx = m_txMode;
    m_txMode = -1;
    SSTV_Transmission_ModeChange(tx);

    setOperatingMode(ModeSstv);
    m_qrmButton->setChecked(m_station.config.flag(cfg::kSstvQrmMode));
    QRMButtonClick();
    m_autoRxToTx->setChecked(m_station.config.flag(cfg::kSstvFollowRxMode));
    modeDisplayChanged(sstv::kNoSignal);
    failbarChanged(m_sstv->receiver().maxMissingSyncs(), m_sstv->receiver().maxMissingSyncs(), false);
    show();
    for (auto [flag, button] : {std::pair{cfg::kSstvSpectrumOpen, m_spectrumButton}, std::pair{cfg::kSstvScopeOpen, m_scopeButton},
                                std::pair{cfg::kSstvCatalogOpen, m_catalogButton}, std::pair{cfg::kSstvToolsOpen, m_toolButton}})
        if (m_station.config.flag(flag))
            button->click();
    m_timer1->start();
}

TSSTVRXWin::~TSSTVRXWin()
{
    FormCloseQuery();
}

sstv::SstvStationSettings TSSTVRXWin::stationSettings() const
{
    auto s = sstv::sstvStationSettings(m_station.config, m_station.folder);
    s.timestamp = m_tools && m_tools->timestampButton()->isChecked();
    return s;
}

sstv::CivilTime TSSTVRXWin::stationClock() const
{
    const DateTime t = dateTimeFromMillis(stationTimeMillis(*m_station.clock, m_station.config.useLocalTime()));
    return {t.year, t.month, t.day, t.hour, t.minute, t.second};
}

void TSSTVRXWin::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName("MainMenu1");
    layout->setMenuBar(m_menuBar);

    auto* toolRow = new QWidget(this);
    toolRow->setObjectName("ToolPanel");
    auto* row = new QHBoxLayout(toolRow);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(2);
    m_txModeCombo = new QComboBox(toolRow);
    m_txModeCombo->setObjectName("SSTV_Transmission_Mode");
    m_txModeCombo->setToolTip("Select SSTV transmit mode");
    m_txModeCombo->installEventFilter(new KeySwallower(this));
    for (const auto& mode : sstv::kSstvModes)
        m_txModeCombo->addItem(QString::fromLatin1(mode.name.data(), qsizetype(mode.name.size())));
    connect(m_txModeCombo, &QComboBox::activated, this, &TSSTVRXWin::SSTV_Transmission_ModeChange);
    row->addWidget(m_txModeCombo);

    m_qrmButton = tool(toolRow, "QRMButton", "QRM", "QRM mode", true);
    m_startButton = tool(toolRow, "StartButton", "Start", "Force picture start");
    m_resetButton = tool(toolRow, "ResetButton", "Stop", "Stop picture");
    m_shiftRight = tool(toolRow, "Shiftrightbutton", "<", "Shift picture left");
    m_shiftLeft = tool(toolRow, "Shiftleftbutton", ">", "Shift picture right");
    m_autoRxToTx = tool(toolRow, "Autorxtotxbutton", "RX>TX", "Set TX mode to follow RX mode automatically", true);
    connect(m_qrmButton, &QToolButton::clicked, this, &TSSTVRXWin::QRMButtonClick);
    connect(m_startButton, &QToolButton::clicked, this, &TSSTVRXWin::StartButtonClick);
    connect(m_resetButton, &QToolButton::clicked, this, &TSSTVRXWin::ResetButtonClick);
    connect(m_shiftRight, &QToolButton::clicked, this, &TSSTVRXWin::ShiftrightbuttonClick);
    connect(m_shiftLeft, &QToolButton::clicked, this, &TSSTVRXWin::ShiftleftbuttonClick);
    connect(m_autoRxToTx, &QToolButton::toggled, this,
            [this](bool on) { m_station.config.setFlag(cfg::kSstvFollowRxMode, on); });
    for (QToolButton* b : {m_qrmButton, m_startButton, m_resetButton, m_shiftRight, m_shiftLeft, m_autoRxToTx})
        row->addWidget(b);
    setShiftButtonsVisible(false);

    m_syncLines = new QLabel("Syncs", toolRow);
    m_syncLines->setObjectName("Clicktosetsynclines");
    m_syncLines->setToolTip("Double-click to set the number of missing syncs that will stop the picture");
    m_syncLines->installEventFilter(this);
    row->addWidget(m_syncLines);
    m_failbar = new QProgressBar(toolRow);
    m_failbar->setObjectName("Failbar");
    m_failbar->setTextVisible(false);
    m_failbar->setFixedWidth(60);
    row->addWidget(m_failbar);
    row->addStretch(1);

    m_spectrumButton = tool(toolRow, "SpectrumButton", "Spectrum", "Toggle spectrum display ", true);
    m_scopeButton = tool(toolRow, "Scopebutton", "Scope", "Toggle scope display ", true);
    m_catalogButton = tool(toolRow, "CatalogButton", "Catalog", "Toggle catalog display ", true);
    m_toolButton = tool(toolRow, "Toolbutton", "Tools", "SSTV-Tools", true);
    connect(m_spectrumButton, &QToolButton::clicked, this, &TSSTVRXWin::SpectrumButtonClick);
    connect(m_scopeButton, &QToolButton::clicked, this, &TSSTVRXWin::ScopebuttonClick);
    connect(m_catalogButton, &QToolButton::clicked, this, &TSSTVRXWin::CatalogButtonClick);
    connect(m_toolButton, &QToolButton::clicked, this, &TSSTVRXWin::ToolbuttonClick);
    for (QToolButton* b : {m_spectrumButton, m_scopeButton, m_catalogButton, m_toolButton})
        row->addWidget(b);
    layout->addWidget(toolRow);

    m_image = new SstvImage(*this);
    layout->addWidget(m_image, 1);

    auto* status = new QWidget(this);
    status->setObjectName("StatusBar1");
    auto* statusRow = new QHBoxLayout(status);
    statusRow->setContentsMargins(4, 1, 4, 1);
    m_modeDisp = new QLabel(status);
    m_modeDisp->setObjectName("ModeDisp");
    m_modeDisp->setFrameShape(QFrame::StyledPanel);
    m_resolutionDisp = new QLabel(status);
    m_resolutionDisp->setObjectName("ResolutionDisp");
    m_resolutionDisp->setFrameShape(QFrame::StyledPanel);
    statusRow->addWidget(m_modeDisp, 1);
    statusRow->addWidget(m_resolutionDisp);
    layout->addWidget(status);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName("Timer1");
    m_timer1->setInterval(200);
    connect(m_timer1, &QTimer::timeout, this, &TSSTVRXWin::Timer1Timer);
}

void TSSTVRXWin::buildMenus()
{
    QMenu* sstvMenu = m_menuBar->addMenu("&SSTV");
    sstvMenu->setObjectName("SSTV1");
    m_txModeMenu = sstvMenu->addMenu("TX-&Mode");
    m_txModeMenu->setObjectName("TXMode1");
    m_txModeGroup = new QActionGroup(this);
    m_txModeGroup->setExclusive(true);
    for (int r = 0; r < sstv::kSstvModeCount; ++r) {
        QAction* a = m_txModeMenu->addAction(QString::fromStdString(sstv::txModeCaption(r)));
        a->setCheckable(true);
        m_txModeGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] {
            if (auto row = sstv::txModeFromCaption(a->text().toStdString()))
                SSTV_Transmission_ModeChange(*row);
        });
    }
    QAction* resync = sstvMenu->addAction("Resync", this, &TSSTVRXWin::ResetButtonClick);
    resync->setObjectName("Resync1");
    resync->setShortcut(QKeySequence("Ctrl+S"));

    QMenu* picture = m_menuBar->addMenu("&Picture");
    picture->setObjectName("Picture1");
    // The editor-side items (load, save, print, transmit) act on picture editor windows.
    for (const char* text : {"&Load", "L&oad from Clipboard", "&Copy to clipboard", "&Save", "&Print"})
        picture->addAction(text)->setEnabled(false);
    picture->addAction("Copy &RX picture to clipboard", this, &TSSTVRXWin::copyRxPicture)->setObjectName("CopyRXpicture1");
    QAction* transmit = picture->addAction("&Transmit");
    transmit->setShortcut(QKeySequence("Ctrl+T"));
    transmit->setEnabled(false);
    QAction* abort = picture->addAction("&Abort transmission");
    abort->setShortcut(QKeySequence("Ctrl+A"));
    abort->setEnabled(false);
    picture->addAction("St&ack pictures")->setEnabled(false);

    m_popup = new QMenu(this);
    m_popup->setObjectName("PopupMenu1");
    m_popup->addAction("Copy to clipboard", this, &TSSTVRXWin::copyRxPicture);
    m_popup->addAction("Copy to clipboard && open", this, &TSSTVRXWin::copyRxPicture);
    m_popup->addAction("Clear window", this, &TSSTVRXWin::clearWindow);
    m_popup->addAction("Add to last received", this, &TSSTVRXWin::addToLastReceived);
    connect(m_image, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_popup->popup(m_image->mapToGlobal(at)); });
}

QWidget* TSSTVRXWin::image() const { return m_image; }

void TSSTVRXWin::SSTV_Transmission_ModeChange(int index)
{
    if (index < 0 || index >= sstv::kSstvModeCount)
        return;
    m_txMode = index;
    m_station.config.setU8(cfg::kSstvTransmitMode, static_cast<std::uint8_t>(index));
    m_txModeGroup->actions().at(index)->setChecked(true);
    m_txModeCombo->setCurrentIndex(index);
}

void TSSTVRXWin::setOperatingMode(int mode)
{
    StationDevices& devices = m_host.devices();
    if (mode >= 0) {
        devices.stopRingWriters();
        m_sstv->receiver().reset();
    }
    devices.setOperatingMode(mode);
    m_lastSetMode = mode;
}

void TSSTVRXWin::watchdog()
{
    if (m_station.interfaceType() != InterfacePtc2 ||
        !signal::watchdogTick(m_station.flags.serialWatchdog, signal::kWatchdogFaxSstv))
        return;
    m_station.log->action("+++watchdog alert (SSTV)");
    StationDevices& devices = m_host.devices();
    devices.setOperatingMode(ModeOff);
    if (!m_closing)
        devices.setOperatingMode(m_lastSetMode);
    m_station.flags.serialWatchdog = signal::kWatchdogRestart;
}

void TSSTVRXWin::Timer1Timer()
{
    if (m_busy || m_closing)
        return;
    if (m_station.flags.currentOperatingMode == ModeOff || m_station.modalPause > 0)
        return;
    m_timer1->stop();
    m_busy = true;
    watchdog();
    m_sstv->tick();
    m_busy = false;
    if (!m_closing)
        m_timer1->start();
}

void TSSTVRXWin::QRMButtonClick()
{
    const bool on = m_qrmButton->isChecked();
    m_station.config.setFlag(cfg::kSstvQrmMode, on);
    m_sstv->receiver().setQrmMode(on);
    m_startButton->setEnabled(on);
    m_resetButton->setEnabled(on);
}

void TSSTVRXWin::StartButtonClick()
{
    setShiftButtonsVisible(true);
    m_sstv->receiver().forceStart(m_txModeCombo->currentIndex());
}

void TSSTVRXWin::ResetButtonClick() { m_sstv->receiver().stopPicture(); }
void TSSTVRXWin::ShiftrightbuttonClick() { m_sstv->receiver().shift(+1, m_txModeCombo->currentIndex()); }
void TSSTVRXWin::ShiftleftbuttonClick() { m_sstv->receiver().shift(-1, m_txModeCombo->currentIndex()); }

void TSSTVRXWin::setShiftButtonsVisible(bool on)
{
    m_shiftRight->setVisible(on);
    m_shiftLeft->setVisible(on);
}

void TSSTVRXWin::ClicktosetsynclinesClick() { m_sstv->receiver().resetMissingSyncs(); }

void TSSTVRXWin::ClicktosetsynclinesDblClick()
{
    ModalPause pause(m_station);
    QString initial = QString::number(m_station.config.i32(cfg::kSstvMaxMissingSyncs));
    while (true) {
        const auto text = m_host.dialogs().inputText(this, "Enter number of missing syncs to stop picture", "min 10, max 40:", initial);
        if (!text)
            return;
        bool ok = false;
        const int n = text->trimmed().toInt(&ok);
        if (ok && n >= 10 && n <= 40) {
            m_station.config.setI32(cfg::kSstvMaxMissingSyncs, n);
            m_sstv->receiver().setMaxMissingSyncs(n);
            m_failbar->setMaximum(n);
            return;
        }
        initial = "15";
    }
}

bool TSSTVRXWin::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_syncLines) {
        if (e->type() == QEvent::MouseButtonDblClick) {
            ClicktosetsynclinesDblClick();
            return true;
        }
        if (e->type() == QEvent::MouseButtonPress) {
            ClicktosetsynclinesClick();
            return true;
        }
    }
    return TMyform::eventFilter(watched, e);
}

void TSSTVRXWin::SpectrumButtonClick()
{
    const bool on = m_spectrumButton->isChecked();
    m_station.config.setFlag(cfg::kSstvSpectrumOpen, on);
    if (on && !m_spectrum) {
        m_spectrum = new TSpectrum(m_station, TSpectrum::Kind::BlackWhite, m_station.interfaceType() == InterfacePtc2, false, this);
        m_spectrum->setWindowTitle("Spectrum");
        const auto& rx = m_sstv->receiver();
        m_spectrum->setScalePositions(rx.level(1500), rx.level(2300));
        m_spectrum->show();
    } else if (!on && m_spectrum) {
        m_spectrum->closeSpectrum();
        delete m_spectrum;
    }
}

void TSSTVRXWin::ScopebuttonClick()
{
    const bool on = m_scopeButton->isChecked();
    m_station.config.setFlag(cfg::kSstvScopeOpen, on);
    if (on && !m_scope) {
        m_scope = new TScope(m_station, this);
        m_scope->show();
    } else if (!on && m_scope) {
        delete m_scope;
    }
}

void TSSTVRXWin::CatalogButtonClick()
{
    const bool on = m_catalogButton->isChecked();
    m_station.config.setFlag(cfg::kSstvCatalogOpen, on);
    m_catalog->setVisible(on);
}

void TSSTVRXWin::ToolbuttonClick()
{
    const bool on = m_toolButton->isChecked();
    m_station.config.setFlag(cfg::kSstvToolsOpen, on);
    m_tools->setVisible(on);
}

void TSSTVRXWin::clearWindow()
{
    m_sstv->receiver().clearPicture();
    m_view.fill(Qt::black);
    m_image->update();
}

void TSSTVRXWin::addToLastReceived()
{
    m_sstv->addToLastReceived();
}

void TSSTVRXWin::copyRxPicture()
{
    QApplication::clipboard()->setImage(m_view.copy());
}

void TSSTVRXWin::copyRowsToView(int first, int end)
{
    const auto& pic = m_sstv->receiver().picture();
    if (m_view.width() != pic.width() || m_view.height() != pic.height()) {
        m_view = QImage(pic.width(), pic.height(), QImage::Format_RGB32);
        m_view.fill(Qt::black);
        updateResolution();
        first = 0;
        end = pic.height();
    }
    for (int y = std::max(first, 0); y < std::min(end, pic.height()); ++y) {
        const auto src = pic.row(y);
        std::copy(src.begin(), src.end(), reinterpret_cast<std::uint32_t*>(m_view.scanLine(y)));
    }
    m_image->update();
}

void TSSTVRXWin::updateResolution()
{
    if (m_resolutionDisp)
        m_resolutionDisp->setText(QString(" %1x%2").arg(m_image->width()).arg(m_image->height()));
}

// --- what the station reports -------------------------------------------------------------------

void TSSTVRXWin::modeDisplayChanged(std::int32_t mode)
{
    m_modeDisp->setText(QString::fromStdString(sstv::modeDisplayText(mode)));
}

void TSSTVRXWin::syncFrequency(int value)
{
    if (m_spectrum)
        m_spectrum->reportSyncPosition(value);
}

void TSSTVRXWin::rowsChanged(int first, int end)
{
    copyRowsToView(first, end);
}

void TSSTVRXWin::failbarChanged(int value, int maximum, bool red)
{
    m_failbar->setMaximum(maximum);
    m_failbar->setValue(value);
    m_failbar->setStyleSheet(red ? "QProgressBar::chunk { background: red; }" : "QProgressBar::chunk { background: #008000; }");
}

void TSSTVRXWin::pictureStarted(int row)
{
    if (m_autoRxToTx->isChecked() && m_txMode != sstv::kRepeaterRow)
        SSTV_Transmission_ModeChange(row);
}

void TSSTVRXWin::pictureEnded(bool saved, int, int)
{
    setShiftButtonsVisible(false);
    if (saved && m_station.config.flag(cfg::kSstvAutoClip) && m_txMode != sstv::kRepeaterRow)
        copyRxPicture();
}

void TSSTVRXWin::pictureStored(const std::filesystem::path& file, int, int)
{
    // The stamp is drawn into the picture before it is stored.
    copyRowsToView(0, m_view.height());
    if (m_catalog)
        m_catalog->refreshPage(sstv::kLastReceivedPage);
    Q_EMIT pictureStoredAs(QString::fromStdString(file.string()));
}

void TSSTVRXWin::runCommand(const fax::ExternalCommand& command)
{
    QProcess::startDetached(QString::fromStdString(command.program),
                            QProcess::splitCommand(QString::fromStdString(command.parameters)),
                            QString::fromStdString(command.workingFolder.string()));
}

// --- wave files ---------------------------------------------------------------------------------

void TSSTVRXWin::decodeWaveFile()
{
    decodeWaveFileInto(m_host, this, "Choose \"SSTV\" with the Sound Card interface to decode a wave file.");
}
void TSSTVRXWin::abortPlayback() { m_host.devices().abortWavePlayback(); }
bool TSSTVRXWin::playbackRunning() const { return m_host.devices().wavePlaybackRunning(); }

void TSSTVRXWin::arrangeHook()
{
    move(m_host.hostWindow()->frameGeometry().bottomLeft() + QPoint(0, 1));
}

// --- closing ------------------------------------------------------------------------------------

void TSSTVRXWin::closeEvent(QCloseEvent* e)
{
    if (e->spontaneous()) {
        TMyform::closeEvent(e);
        return;
    }
    FormCloseQuery();
    e->accept();
}

bool TSSTVRXWin::FormCloseQuery()
{
    if (m_closed)
        return true;
    m_closed = true;
    m_closing = true;
    m_timer1->stop();
    if (m_spectrum) {
        m_spectrum->closeSpectrum();
        delete m_spectrum;
    }
    delete m_scope;
    if (m_catalog) {
        m_catalog->FormCloseQuery();
        delete m_catalog;
    }
    delete m_tools;
    setOperatingMode(ModeOff);
    m_host.setWavePlaybackVisible(false);
    m_station.config.setI32(cfg::kSstvWindowLeft, x());
    m_station.config.setI32(cfg::kSstvWindowTop, y());
    m_station.config.setI32(cfg::kSstvWindowWidth, width());
    m_station.config.setI32(cfg::kSstvWindowHeight, height());
    m_host.devices().runPtcCommandFile("PTCSSTVDeINI.INI");
    m_station.log->action("end SSTV reception");
    return true;
}

} // namespace tellur::ui
