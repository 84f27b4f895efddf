#include "fax/ui/fax_rx_win.h"

#include "core/command_switches.h"
#include "core/interface_settings.h"
#include "ui/dialogs.h"
#include "ui/receive_window_host.h"
#include "ui/key_swallower.h"
#include "ui/station_context.h"
#include "ui/station_devices.h"
#include "ui/wave_decoding.h"
#include "fax/fax_assembly.h"
#include "fax/fax_timing.h"
#include "fax/ui/fax_tools.h"
#include "fax/ui/picture_viewer.h"
#include "signal/ui/spectrum_win.h"
#include "platform/picture_printer.h"
#include "platform/command_starter.h"
#include "platform/qt_text_mask.h"
#include "signal/serial_watchdog.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace tellur::ui {

namespace {

QList<QRgb> colourTable(const storage::TDI8Bitmap& picture)
{
    QList<QRgb> colours(256);
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t c = picture.getColour(i);
        colours[i] = qRgb(storage::colourRed(c), storage::colourGreen(c), storage::colourBlue(c));
    }
    return colours;
}

QString hexCaption(int n, const QString& text)
{
    return QString::asprintf("&%x ", n) + text;
}

QToolButton* tool(QWidget* parent, const char* name, const QString& text, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    return b;
}

} // namespace

// The picture on screen: paints the window's view copy at the zoom, and hands mouse work back.
class FaxImage : public QWidget {
public:
    explicit FaxImage(TFAXRXWin& win)
        : QWidget(nullptr)
        , m_win(win)
    {
        setObjectName("Image");
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QPainter p(this);
        const QImage& view = m_win.m_view;
        const float z = m_win.m_z > 0 ? m_win.m_z : 1.0f;
        QRect clip = e->rect();
        p.fillRect(clip, Qt::black);
        clip.setRight(std::min(clip.right(), int(std::lround(view.width() / z)) - 1));
        clip.setBottom(std::min(clip.bottom(), int(std::lround(view.height() / z)) - 1));
        if (!clip.isEmpty() && !view.isNull()) {
            const QRectF source(clip.left() * z, clip.top() * z, clip.width() * z, clip.height() * z);
            p.drawImage(QRectF(clip), view, source);
        }
        if (m_win.m_slantFirstTaken) {
            p.setPen(QPen(Qt::white, 1));
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.drawLine(m_win.m_slantFirst, m_win.m_slantEnd);
        }
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override { m_win.imageDoubleClick(e->position().toPoint()); }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            m_win.imageMousePress(e->position().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* e) override { m_win.imageMouseMove(e->position().toPoint()); }

private:
    TFAXRXWin& m_win;
};

TFAXRXWin::TFAXRXWin(ReceiveWindowHost& host)
    : TMyform(host.hostWindow(), Qt::Window)
    , m_host(host)
    , m_station(host.station())
{
    setObjectName("TFAXRXWin");
    setWindowTitle("FAX-RX Window");
    setSwallowAltF4(true);
    buildControls();
    buildMenus();

    m_tools = new TFAXToolWin(m_station, this);
    m_tools->squelchthreshold()->setValue(m_station.config.u8(cfg::kFaxSquelchThreshold));
    connect(m_tools, &TFAXToolWin::settingsChanged, this, [this] {
        if (m_fax)
            m_fax->applySettings(faxInput());
        enableSaveButton();
    });
    connect(m_tools, &TFAXToolWin::slantRequested, this, &TFAXRXWin::SlantbuttonClick);
    connect(m_tools, &TFAXToolWin::clearRequested, this, [this] {
        m_fax->clearPicture();
        copyPictureToView();
    });
    const bool toolsVisible = m_station.config.flag(cfg::kFaxToolsVisible);
    m_toolbutton->setChecked(toolsVisible);

    m_host.devices().runPtcCommandFile("PTCFAXINI.INI");
    m_station.log->action("begin FAX reception");

    m_text = std::make_unique<platform::QtTextMaskRenderer>();
    m_printer = std::make_unique<platform::QtPicturePrinter>(m_station.printFile);
    m_commands = std::make_unique<platform::QtCommandStarter>();
    m_fax = std::make_unique<fax::FaxStation>(m_station.ring, m_station.histogram, m_station.config, m_station.folder,
                                              *m_station.clock, *m_station.log,
                                              static_cast<fax::FaxStationSink&>(*this),
                                              fax::FaxStationServices{m_text.get(), m_printer.get(), m_commands.get()});

    int row = fax::currentFaxModeRow(m_station.config);
    if (auto s = m_host.switches().get('S')) {
        bool ok = false;
        const int v = QString::fromStdString(s->value).toInt(&ok);
        if (ok)
            row = v;
    }
    if (row < 0 || row >= int(fax::kFaxModeRows))
        row = 0;
    m_row = -1;
    FAX_Transmission_ModeChange(row);
    if (toolsVisible)
        m_tools->show();
    show();
    m_timer1->start();
}

TFAXRXWin::~TFAXRXWin()
{
    FormCloseQuery();
}

void TFAXRXWin::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName("MainMenu1");
    layout->setMenuBar(m_menuBar);

    // The receive buttons live in the main window's tool area while this window is open.
    m_childMousePalette = new QWidget;
    m_childMousePalette->setObjectName("ChildMousePalette");
    auto* pal = new QHBoxLayout(m_childMousePalette);
    pal->setContentsMargins(0, 0, 0, 0);
    pal->setSpacing(1);
    m_startButton = tool(m_childMousePalette, "StartButton", "Start", "Receive continuously");
    m_autoButton = tool(m_childMousePalette, "AutoButton", "Auto", "Automatic Picture Reception");
    m_stopButton = tool(m_childMousePalette, "StopButton", "Stop", "Disable reception");
    m_startButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_autoButton->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    m_stopButton->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    auto* group = new QButtonGroup(m_childMousePalette);
    group->setExclusive(true);
    for (QToolButton* b : {m_startButton, m_autoButton, m_stopButton}) {
        b->setCheckable(true);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        group->addButton(b);
        pal->addWidget(b);
    }
    m_autoButton->setChecked(true);
    connect(m_startButton, &QToolButton::clicked, this, &TFAXRXWin::StartButtonClick);
    connect(m_autoButton, &QToolButton::clicked, this, &TFAXRXWin::AutoButtonClick);
    connect(m_stopButton, &QToolButton::clicked, this, &TFAXRXWin::StopButtonClick);
    m_host.toolArea()->addWidget(m_childMousePalette);
    m_childMousePalette->show();

    m_toolRow = new QWidget(this);
    m_toolRow->setObjectName("ToolPanel");
    auto* row = new QHBoxLayout(m_toolRow);
    row->setContentsMargins(6, 3, 6, 3);
    row->setSpacing(4);
    auto* discard = new KeySwallower(this);

    m_modeCombo = new QComboBox(m_toolRow);
    m_modeCombo->setObjectName("FAX_Transmission_Mode");
    m_modeCombo->setToolTip("Select FAX-mode");
    m_modeCombo->setMinimumContentsLength(14);
    m_modeCombo->installEventFilter(discard);
    for (std::size_t r = 0; r < fax::kFaxModeRows; ++r)
        m_modeCombo->addItem(QString::fromStdString(std::string(fax::readFaxModeRow(m_station.config, r).name.view())));
    connect(m_modeCombo, &QComboBox::activated, this, &TFAXRXWin::FAX_Transmission_ModeChange);
    row->addWidget(m_modeCombo);

    auto* lpmLabel = new QLabel("LPM", m_toolRow);
    row->addSpacing(8);
    row->addWidget(lpmLabel);
    auto* lpmDown = tool(m_toolRow, "SpinButton1Down", QString(), "Drum speed down");
    lpmDown->setArrowType(Qt::DownArrow);
    auto* lpmUp = tool(m_toolRow, "SpinButton1Up", QString(), "Drum speed up");
    lpmUp->setArrowType(Qt::UpArrow);
    connect(lpmDown, &QToolButton::clicked, this, &TFAXRXWin::SpinButton1DownClick);
    connect(lpmUp, &QToolButton::clicked, this, &TFAXRXWin::SpinButton1UpClick);
    auto* spin = new QWidget(m_toolRow);
    spin->setObjectName("SpinButton1");
    auto* spinLayout = new QVBoxLayout(spin);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    lpmUp->setFixedSize(16, 11);
    lpmDown->setFixedSize(16, 11);
    spinLayout->addWidget(lpmUp);
    spinLayout->addWidget(lpmDown);
    m_lpmDisp = new QLabel("120", m_toolRow);
    m_lpmDisp->setObjectName("LPMDisp");
    m_lpmDisp->setFrameShape(QFrame::StyledPanel);
    m_lpmDisp->setAlignment(Qt::AlignCenter);
    m_lpmDisp->setMinimumWidth(m_lpmDisp->fontMetrics().horizontalAdvance("8888") + 8);
    row->addWidget(m_lpmDisp);
    row->addWidget(spin);

    row->addSpacing(8);
    row->addWidget(new QLabel("IOC", m_toolRow));
    m_iocDisp = new QLabel("576", m_toolRow);
    m_iocDisp->setObjectName("IOCDisp");
    m_iocDisp->setFrameShape(QFrame::StyledPanel);
    m_iocDisp->setAlignment(Qt::AlignCenter);
    m_iocDisp->setMinimumWidth(m_iocDisp->fontMetrics().horizontalAdvance("8888") + 8);
    row->addWidget(m_iocDisp);
    m_iocSpin = tool(m_toolRow, "IOCSpin", QString(), "Toggle index of cooperation");
    m_iocSpin->setArrowType(Qt::DownArrow);
    connect(m_iocSpin, &QToolButton::clicked, this, &TFAXRXWin::IOCSpinDownClick);
    row->addWidget(m_iocSpin);

    row->addSpacing(8);
    m_zoomLabel = new QLabel("Zoom:", m_toolRow);
    m_zoomLabel->setObjectName("ZoomLabel");
    row->addWidget(m_zoomLabel);
    m_zoom = new QComboBox(m_toolRow);
    m_zoom->setObjectName("zoom");
    m_zoom->setToolTip("Select Zoom factor");
    m_zoom->installEventFilter(discard);
    for (std::string_view z : fax::kZoomCaptions)
        m_zoom->addItem(QString::fromLatin1(z.data(), qsizetype(z.size())));
    connect(m_zoom, &QComboBox::activated, this, &TFAXRXWin::zoomChange);
    row->addWidget(m_zoom);

    row->addStretch(1);
    m_spectrumButton = tool(m_toolRow, "SpectrumButton", "Spectrum", "Toggle spectrum display ");
    m_spectrumButton->setCheckable(true);
    connect(m_spectrumButton, &QToolButton::clicked, this, &TFAXRXWin::SpectrumButtonClick);
    m_toolbutton = tool(m_toolRow, "Toolbutton", "Tools", "Fax-Tools");
    m_toolbutton->setCheckable(true);
    connect(m_toolbutton, &QToolButton::clicked, this, &TFAXRXWin::ToolbuttonClick);
    m_openButton = tool(m_toolRow, "OpenButton", "Open", "Load a picture");
    m_openButton->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    connect(m_openButton, &QToolButton::clicked, this, [this] {
        const QString f = m_host.dialogs().openFileName(
            this, "Load a picture", QString::fromStdString(m_station.folderField(StationFolder::FaxLastReceived).string()),
            "Pictures (*.png *.PNG *.jpg *.JPG *.bmp *.BMP *.pcx *.PCX *.tif *.TIF)");
        if (!f.isEmpty())
            openPictureViewer(m_host, f);
    });
    m_saveButton = tool(m_toolRow, "SaveButton", "Save", "Save received picture (if Autosave is off)");
    m_saveButton->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    connect(m_saveButton, &QToolButton::clicked, this, &TFAXRXWin::saveDialog);
    m_fullViewButton = tool(m_toolRow, "CaptionButton1", QString(), "Show only the picture");
    m_fullViewButton->setIcon(style()->standardIcon(QStyle::SP_TitleBarMaxButton));
    m_fullViewButton->setCheckable(true);
    connect(m_fullViewButton, &QToolButton::toggled, this, [this](bool on) {
        if (on) {
            m_hiddenForFullView.clear();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w != this && w->isVisible() && w != m_host.hostWindow()) {
                    m_hiddenForFullView << w;
                    w->hide();
                }
            m_statusPanel->hide();
        } else {
            for (auto& w : m_hiddenForFullView)
                if (w)
                    w->show();
            m_hiddenForFullView.clear();
            m_statusPanel->show();
        }
    });
    m_fitButton = tool(m_toolRow, "CaptionButton2", QString(), "Fit the window to the zoom");
    m_fitButton->setIcon(style()->standardIcon(QStyle::SP_TitleBarNormalButton));
    connect(m_fitButton, &QToolButton::clicked, this, [this] { sizeToZoom(true); });
    for (QToolButton* b : {m_spectrumButton, m_toolbutton, m_openButton, m_saveButton})
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QWidget* w : {static_cast<QWidget*>(m_spectrumButton), static_cast<QWidget*>(m_toolbutton),
                       static_cast<QWidget*>(m_openButton), static_cast<QWidget*>(m_saveButton),
                       static_cast<QWidget*>(m_fullViewButton), static_cast<QWidget*>(m_fitButton)})
        row->addWidget(w);
    layout->addWidget(m_toolRow);

    m_scrollBox = new QScrollArea(this);
    m_scrollBox->setObjectName("ScrollBox");
    m_scrollBox->setBackgroundRole(QPalette::Dark);
    m_scrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image = new FaxImage(*this);
    m_scrollBox->setWidget(m_image);
    layout->addWidget(m_scrollBox, 1);

    m_statusPanel = new QWidget(this);
    m_statusPanel->setObjectName("StatusBar1");
    auto* status = new QHBoxLayout(m_statusPanel);
    status->setContentsMargins(4, 1, 4, 1);
    m_modeDisp = new QLabel(m_statusPanel);
    m_modeDisp->setObjectName("ModeDisp");
    m_modeDisp->setFrameShape(QFrame::StyledPanel);
    m_modeDisp->setFrameShadow(QFrame::Sunken);
    m_modeDisp->setMinimumWidth(m_modeDisp->fontMetrics().horizontalAdvance(" wait for phase end") + 16);
    QFont bold = m_modeDisp->font();
    bold.setBold(true);
    m_modeDisp->setFont(bold);
    m_panel3 = new QLabel(m_statusPanel);
    m_panel3->setObjectName("Panel3");
    m_panel3->setFrameShape(QFrame::StyledPanel);
    m_panel3->setFrameShadow(QFrame::Sunken);
    status->addWidget(m_modeDisp);
    status->addWidget(m_panel3, 1);
    layout->addWidget(m_statusPanel);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName("Timer1");
    m_timer1->setInterval(200);
    connect(m_timer1, &QTimer::timeout, this, &TFAXRXWin::Timer1Timer);
    m_timer2 = new QTimer(this); // phasing time-out; the receiver counts it in its ticks
    m_timer2->setObjectName("Timer2");
    m_scrolltimer = new QTimer(this);
    m_scrolltimer->setObjectName("Scrolltimer");
    m_scrolltimer->setInterval(1000);
    connect(m_scrolltimer, &QTimer::timeout, this, &TFAXRXWin::ScrolltimerTimer);
    m_scrolltimer->start();
}

void TFAXRXWin::buildMenus()
{
    m_faxMenu = m_menuBar->addMenu("F&AX");
    m_faxMenu->setObjectName("FAX1");
    m_typeMenu = m_faxMenu->addMenu("&Type");
    m_typeMenu->setObjectName("Type1");
    m_typeGroup = new QActionGroup(this);
    fillTypeMenu();

    m_lpmMenu = m_faxMenu->addMenu("&LPM");
    m_lpmMenu->setObjectName("LPM1");
    m_lpmGroup = new QActionGroup(this);
    for (int i = 0; i < 6; ++i) {
        QAction* a = m_lpmMenu->addAction(hexCaption(i, QString::number(fax::kLpmSteps[std::size_t(i)])));
        a->setCheckable(true);
        m_lpmGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] {
            m_timer1->stop();
            m_fax->receiver().setLpm(fax::kLpmSteps[std::size_t(i)], false);
            if (!m_closing)
                m_timer1->start();
        });
    }
    m_iocMenu = m_faxMenu->addMenu("&IOC");
    m_iocMenu->setObjectName("IOC1");

    m_faxMenu->addSeparator();
    m_buttonGroup = new QActionGroup(this);
    m_run1 = m_faxMenu->addAction("&Run");
    m_run1->setObjectName("Run1");
    m_auto1 = m_faxMenu->addAction("&Auto");
    m_auto1->setObjectName("Auto1");
    m_stop1 = m_faxMenu->addAction("&Stop");
    m_stop1->setObjectName("Stop1");
    for (QAction* a : {m_run1, m_auto1, m_stop1}) {
        a->setCheckable(true);
        m_buttonGroup->addAction(a);
    }
    m_auto1->setChecked(true);
    // Each item presses its button if it is not down yet, then runs the button's handler.
    connect(m_run1, &QAction::triggered, this, [this] {
        m_startButton->setChecked(true);
        StartButtonClick();
    });
    connect(m_auto1, &QAction::triggered, this, [this] {
        m_autoButton->setChecked(true);
        AutoButtonClick();
    });
    connect(m_stop1, &QAction::triggered, this, [this] {
        m_stopButton->setChecked(true);
        StopButtonClick();
    });
    m_faxMenu->addSeparator();
    m_spectrum1 = m_faxMenu->addAction("S&pectrum");
    m_spectrum1->setObjectName("Spectrum1");
    m_spectrum1->setCheckable(true);
    connect(m_spectrum1, &QAction::triggered, this, [this](bool on) {
        m_spectrumButton->setChecked(on);
        SpectrumButtonClick();
    });
}

void TFAXRXWin::fillTypeMenu()
{
    for (std::size_t r = 0; r < fax::kFaxModeRows; ++r) {
        const auto rec = fax::readFaxModeRow(m_station.config, r);
        QAction* a = m_typeMenu->addAction(hexCaption(int(r), QString::fromStdString(std::string(rec.name.view()))));
        a->setCheckable(true);
        a->setEnabled(rec.selectable());
        m_typeGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, r] { FAX_Transmission_ModeChange(int(r)); });
    }
}

fax::FaxInput TFAXRXWin::faxInput() const
{
    return {.soundcard = m_station.interfaceType() == InterfaceSoundCard,
            .ptc = m_station.interfaceType() == InterfacePtc2,
            .fourteenBit = m_host.devices().fourteenBitItems(),
            .autoLpm = m_tools ? std::optional<bool>(m_tools->autolpmButton()->isChecked()) : std::nullopt,
            .synchronizeClock = true,
            .saveEveryPicture = false};
}

void TFAXRXWin::enableSaveButton()
{
    m_saveButton->setEnabled(!m_station.config.flag(cfg::kFaxAutoSave) && (!m_fax || !m_fax->saving()));
}

void TFAXRXWin::FAX_Transmission_ModeChange(int row)
{
    if (row < 0 || row >= int(fax::kFaxModeRows))
        return;
    const int previous = m_row;
    if (previous >= 0) {
        auto prev = fax::readFaxModeRow(m_station.config, std::size_t(previous));
        if (prev.windowLeft != fax::kFaxWindowUnset) {
            prev.windowLeft = x();
            prev.windowTop = y();
            prev.windowWidth = width();
            prev.windowHeight = height();
            fax::writeFaxModeRow(m_station.config, std::size_t(previous), prev);
        }
    }
    m_timer1->stop();
    if (m_spectrum) {
        m_spectrum->closeSpectrum();
        delete m_spectrum;
        m_spectrumButton->setChecked(false);
        m_spectrum1->setChecked(false);
    }
    auto rec = fax::readFaxModeRow(m_station.config, std::size_t(row));
    if (!rec.selectable()) {
        if (previous >= 0)
            m_modeCombo->setCurrentIndex(previous);
        if (!m_closing && !m_firstTick)
            m_timer1->start();
        if (previous >= 0 || row == 0)
            return;
        row = 0;
        rec = fax::readFaxModeRow(m_station.config, 0);
    }
    m_modeCombo->setEnabled(false);
    m_faxMenu->setEnabled(false);
    m_childMousePalette->setEnabled(false);

    m_row = row;
    fax::setCurrentFaxModeRow(m_station.config, std::uint8_t(row));
    m_typeGroup->actions().at(row)->setChecked(true);
    m_modeCombo->setCurrentIndex(row);

    // Switching the demodulator restarts the stream: the ring only holds the new mode's items.
    if (rec.demodulator != m_lastSetMode)
        setOperatingMode(rec.demodulator);
    m_fax->selectMode(rec, faxInput());
    m_view = QImage();
    copyPictureToView();

    m_iocSpin->setEnabled(rec.altStartHz != 0);
    m_iocMenu->setEnabled(rec.altStartHz != 0);
    m_iocMenu->clear();
    const int ioc = rec.indexOfCooperation;
    QAction* full = m_iocMenu->addAction(hexCaption(1, QString::number(ioc)));
    QAction* half = m_iocMenu->addAction(hexCaption(2, QString::number(ioc / 2)));
    connect(full, &QAction::triggered, this, [this] { m_fax->receiver().setIocHalving(false); });
    connect(half, &QAction::triggered, this, [this] { m_fax->receiver().setIocHalving(true); });
    lpmChanged(m_fax->receiver().lpm());
    iocChanged(m_fax->receiver().ioc());

    if (rec.windowLeft == fax::kFaxWindowUnset) {
        m_zoomIndex = fax::validZoomIndex(rec.zoomIndex);
        zoomChange(m_zoomIndex);
        sizeToZoom(true);
        rec.windowLeft = x();
        rec.windowTop = y();
        rec.windowWidth = width();
        rec.windowHeight = height();
        fax::writeFaxModeRow(m_station.config, std::size_t(row), rec);
    } else {
        move(keptOnScreen(QPoint(rec.windowLeft, rec.windowTop)));
        if (rec.windowWidth != fax::kFaxWindowUnset && rec.windowHeight != fax::kFaxWindowUnset)
            resize(rec.windowWidth, rec.windowHeight);
        m_zoomIndex = fax::validZoomIndex(rec.zoomIndex);
        zoomChange(m_zoomIndex);
    }

    m_tools->setSquelchVisible(rec.startStopMode == fax::StartStopSquelch);
    pressButton(fax::FaxButton::Auto);
    m_modeCombo->setEnabled(true);
    m_faxMenu->setEnabled(true);
    m_childMousePalette->setEnabled(true);
    if (!m_firstTick && !m_closing)
        m_timer1->start();
    if (m_station.config.flag(cfg::kFaxSpectrumOpen)) {
        m_spectrumButton->setChecked(true);
        SpectrumButtonClick();
    }
    enableSaveButton();
    setWindowTitle("FAX-RX Window - " + QString::fromStdString(std::string(rec.name.view())));
}

void TFAXRXWin::setOperatingMode(int mode)
{
    // The ring has one writer: stop it before the reset; the switch starts the new one.
    StationDevices& devices = m_host.devices();
    if (mode >= 0) {
        devices.stopRingWriters();
        m_station.ring.reset(m_station.config.dataRate(), m_station.histogram);
    }
    devices.setOperatingMode(mode);
    m_lastSetMode = mode;
}

void TFAXRXWin::watchdog()
{
    // A PTC-II that has stopped streaming is released and set up again.
    if (m_station.interfaceType() != InterfacePtc2
        || !signal::watchdogTick(m_station.flags.serialWatchdog, signal::kWatchdogFaxSstv))
        return;
    m_station.log->action("+++watchdog alert (FAX)");
    StationDevices& devices = m_host.devices();
    devices.setOperatingMode(ModeOff);
    if (!m_closing)
        devices.setOperatingMode(m_lastSetMode);
    m_station.flags.serialWatchdog = signal::kWatchdogRestart;
}

void TFAXRXWin::Timer1Timer()
{
    if (m_busy || m_closing)
        return;
    if (m_firstTick) {
        m_firstTick = false;
        m_modeCombo->setCurrentIndex(m_row);
        zoomChange(m_zoomIndex);
    }
    if (m_station.flags.currentOperatingMode == ModeOff || m_station.modalPause > 0)
        return;
    m_timer1->stop();
    m_busy = true;
    watchdog();
    m_fax->tick();
    enableSaveButton();
    if (m_spectrum)
        m_spectrum->reportSyncPosition(255);
    m_busy = false;
    if (!m_closing)
        m_timer1->start();
}

void TFAXRXWin::Timer2Timer()
{
    if (m_station.modalPause > 0)
        return;
    m_fax->receiver().timer2Timer();
    syncButtons();
}

void TFAXRXWin::pressButton(fax::FaxButton b)
{
    m_fax->receiver().setButton(b);
    syncButtons();
}

void TFAXRXWin::syncButtons()
{
    switch (m_fax->receiver().button()) {
    case fax::FaxButton::Start:
        m_startButton->setChecked(true);
        m_run1->setChecked(true);
        break;
    case fax::FaxButton::Auto:
        m_autoButton->setChecked(true);
        m_auto1->setChecked(true);
        break;
    case fax::FaxButton::Stop:
        m_stopButton->setChecked(true);
        m_stop1->setChecked(true);
        break;
    }
}

void TFAXRXWin::StartButtonClick()
{
    m_fax->receiver().setButton(fax::FaxButton::Start);
    m_fax->startButton();
    syncButtons();
}

void TFAXRXWin::AutoButtonClick()
{
    m_fax->receiver().setButton(fax::FaxButton::Auto);
    m_fax->autoButton();
    syncButtons();
}

void TFAXRXWin::StopButtonClick()
{
    m_fax->receiver().setButton(fax::FaxButton::Stop);
    const bool save = m_fax->stopAsksToSave() && m_host.dialogs().question(this, "Confirm", "Save received picture?");
    m_fax->stopButton(save);
    syncButtons();
}

void TFAXRXWin::SpinButton1DownClick()
{
    m_timer1->stop();
    m_fax->receiver().stepLpm(false);
    if (!m_closing)
        m_timer1->start();
}

void TFAXRXWin::SpinButton1UpClick()
{
    m_timer1->stop();
    m_fax->receiver().stepLpm(true);
    if (!m_closing)
        m_timer1->start();
}

void TFAXRXWin::IOCSpinDownClick()
{
    m_fax->receiver().setIocHalving(!m_fax->receiver().iocHalving());
}

void TFAXRXWin::SpectrumButtonClick()
{
    const bool on = m_spectrumButton->isChecked();
    if (on && !m_spectrum) {
        m_spectrum = new TSpectrum(m_station, TSpectrum::Kind::FaxHistogram,
                                   m_station.interfaceType() == InterfacePtc2, true, this);
        m_spectrum->show();
    } else if (!on && m_spectrum) {
        m_spectrum->closeSpectrum();
        delete m_spectrum;
    }
    m_spectrum1->setChecked(on);
    m_station.config.setFlag(cfg::kFaxSpectrumOpen, on);
}

void TFAXRXWin::ToolbuttonClick()
{
    const bool on = m_toolbutton->isChecked();
    m_tools->setVisible(on);
    m_station.config.setFlag(cfg::kFaxToolsVisible, on);
}

void TFAXRXWin::zoomChange(int index)
{
    index = fax::validZoomIndex(index);
    const bool changed = index != m_zoomIndex;
    m_zoomIndex = index;
    auto rec = fax::readFaxModeRow(m_station.config, std::size_t(m_row));
    if (rec.zoomIndex != index) {
        rec.zoomIndex = std::uint8_t(index);
        fax::writeFaxModeRow(m_station.config, std::size_t(m_row), rec);
    }
    const int screenWidth = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry().width() : 1280;
    const auto& pic = m_fax->receiver().picture();
    m_z = fax::zoomFactor(index, pic.width(), screenWidth);
    if (m_z <= 0)
        m_z = 1.0f;
    m_fitMode = index == 0;
    m_zoom->setCurrentIndex(index);
    m_image->resize(fax::scrollRange(pic.width(), m_z), fax::scrollRange(pic.height(), m_z));
    if (changed)
        sizeToZoom(true);
    m_image->update();
    if (index == 0) {
        m_zoomLabel->hide();
        m_zoom->hide();
        if (!m_zoomWin) {
            m_zoomWin = new TZoomwindow(this);
            connect(m_zoomWin, &TZoomwindow::zoomChosen, this, &TFAXRXWin::zoomChange);
            m_zoomWin->show();
        }
    } else {
        m_zoomLabel->show();
        m_zoom->show();
        if (m_zoomWin)
            m_zoomWin->close();
    }
}

void TFAXRXWin::sizeToZoom(bool zoomChanged)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect g = screen->availableGeometry();
    const int mainHeight = m_host.hostWindow()->frameGeometry().height();
    if (m_fitMode) {
        if (zoomChanged)
            setGeometry(g);
        raise();
        return;
    }
    const auto& pic = m_fax->receiver().picture();
    const int frameW = frameGeometry().width() - width() + 4;
    const int imageW = int(std::lround(pic.width() / m_z));
    const int imageH = int(std::lround(pic.height() / m_z));
    const int chrome = m_menuBar->sizeHint().height() + m_toolRow->sizeHint().height()
                       + (m_statusPanel->isVisible() ? m_statusPanel->sizeHint().height() : 0) + 4;
    const int roomH = g.height() - mainHeight - (frameGeometry().height() - height());
    int h = imageH + chrome;
    const bool fitsInHeight = h <= roomH;
    if (!fitsInHeight)
        h = roomH;
    int w = imageW + frameW + (fitsInHeight ? 0 : 20);
    if (w > g.width())
        w = g.width() - (frameGeometry().width() - width());
    w = std::max(w, m_toolRow->sizeHint().width());
    if (zoomChanged) {
        resize(w, h);
        move(g.left(), g.top() + mainHeight);
    }
    m_image->update();
}

void TFAXRXWin::ScrolltimerTimer()
{
    if (m_station.modalPause > 0 || !m_scrollRequest)
        return;
    m_scrollBox->verticalScrollBar()->setValue(*m_scrollRequest);
    m_scrollRequest.reset();
}

void TFAXRXWin::copyPictureToView()
{
    const auto& pic = m_fax->receiver().picture();
    if (m_view.width() != pic.width() || m_view.height() != pic.height()) {
        m_view = QImage(pic.width(), pic.height(), QImage::Format_Indexed8);
        m_image->resize(fax::scrollRange(pic.width(), m_z), fax::scrollRange(pic.height(), m_z));
    }
    m_view.setColorTable(colourTable(pic));
    for (int r = 0; r < pic.height(); ++r)
        std::memcpy(m_view.scanLine(r), pic.row(r), std::size_t(pic.width()));
    m_image->update();
}

QWidget* TFAXRXWin::image() const
{
    return m_image;
}

// --- receiver host ----------------------------------------------------------------------------

void TFAXRXWin::stateChanged(fax::ReceptionState s)
{
    const std::string_view text = fax::receptionStatusText(s);
    const std::uint32_t c = fax::receptionStatusColour(s);
    m_modeDisp->setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
    m_modeDisp->setStyleSheet(QString("QLabel { color: rgb(%1,%2,%3); }").arg(c & 0xFF).arg((c >> 8) & 0xFF).arg((c >> 16) & 0xFF));
}

void TFAXRXWin::headerTextChanged(const std::string& text)
{
    m_panel3->setText(QString::fromLatin1(text.c_str()));
}

void TFAXRXWin::iocChanged(int ioc)
{
    m_iocDisp->setText(QString::number(ioc));
}

void TFAXRXWin::lpmChanged(int lpm)
{
    m_lpmDisp->setText(QString::number(lpm));
    const auto actions = m_lpmGroup->actions();
    int index = 0;
    for (int i = 0; i < 6; ++i)
        if (fax::kLpmSteps[std::size_t(i)] == lpm)
            index = i;
    actions.at(index)->setChecked(true);
}

void TFAXRXWin::squelchValue(int v)
{
    if (m_tools)
        m_tools->setSquelchValue(v);
}

void TFAXRXWin::slantButtonEnabled(bool on)
{
    if (m_tools)
        m_tools->slantbutton()->setEnabled(on && !m_slantMeasuring && !m_slantWin);
}

void TFAXRXWin::shiftingAllowedChanged(bool on)
{
    m_shifting = on;
    updateCursor();
}

void TFAXRXWin::updateCursor()
{
    if (m_slantMeasuring)
        m_image->setCursor(Qt::CrossCursor);
    else if (m_shifting)
        m_image->setCursor(Qt::SplitHCursor);
    else
        m_image->unsetCursor();
}

void TFAXRXWin::scrollToStartEdge()
{
    m_scrollRequest = fax::startEdgeScroll(m_fax->receiver().mode().bottomToTop != 0);
    m_scrollBox->verticalScrollBar()->setValue(*m_scrollRequest);
    m_scrollRequest.reset();
}

void TFAXRXWin::rowStored(int row, int lineCountBefore)
{
    const auto& pic = m_fax->receiver().picture();
    if (m_view.width() != pic.width() || m_view.height() != pic.height()) {
        copyPictureToView();
        return;
    }
    if (row < 0 || row >= pic.height())
        return;
    std::memcpy(m_view.scanLine(row), pic.row(row), std::size_t(pic.width()));
    const auto* bar = m_scrollBox->verticalScrollBar();
    const fax::BandUpdate u = fax::bandForRow(row, m_z, m_fax->receiver().mode().bottomToTop != 0, pic.width(), lineCountBefore,
                                              bar->value(), m_scrollBox->viewport()->height());
    if (u.scroll)
        m_scrollRequest = u.scrollTarget;
    if (u.draw)
        m_image->update(QRect(QPoint(u.band.left, u.band.top), QPoint(u.band.right, u.band.bottom)).normalized().adjusted(0, -2, 0, 2));
}

void TFAXRXWin::pictureCleared()
{
    copyPictureToView();
}

void TFAXRXWin::paletteChanged()
{
    // Called while the station is still being built, before there is a view to colour.
    if (!m_fax || m_view.isNull())
        return;
    const auto& pic = m_fax->receiver().picture();
    m_view.setColorTable(colourTable(pic));
    m_image->update();
}

void TFAXRXWin::saveFinished(const fax::FaxSaveResult& result, const fax::FinishedPicture&)
{
    if (result.written)
        Q_EMIT pictureSaved(QString::fromStdString(result.file.string()));
    else if (!result.file.empty())
        m_station.log->error("+++ picture could not be written: " + result.file.string());
    enableSaveButton();
}

void TFAXRXWin::commandStarted(const fax::ExternalCommand& command, bool ok)
{
    if (!ok)
        m_station.log->error("+++ command after reception could not be started: " + command.program);
}

void TFAXRXWin::saveDialog()
{
    auto& rx = m_fax->receiver();
    if (rx.lineCount() <= 0 || m_fax->saving())
        return;
    const auto proposal = fax::saveDialogProposal(m_station.folderField(StationFolder::FaxLastReceived),
                                                  rx.mode().name.view(), rx.pictureStartTime());
    QString file;
    {
        ModalPause pause(m_station);
        m_saveButton->setEnabled(false);
        file = m_host.dialogs().saveFileName(this, "Save picture...", QString::fromStdString(proposal.string()),
                                             QString::fromStdString(fax::saveDialogFilter()));
    }
    if (!file.isEmpty()) {
        std::filesystem::path chosen = file.toStdString();
        if (!chosen.has_extension())
            chosen += "." + std::string(fax::faxFileExtension(m_station.config.i32(cfg::kFaxFileType)));
        m_fax->saveAs(chosen);
    }
    enableSaveButton();
}

// --- mouse work on the picture ----------------------------------------------------------------

void TFAXRXWin::imageDoubleClick(QPoint pos)
{
    if (!m_shifting || m_slantMeasuring)
        return;
    const int x = int(roundHalfEven(double(pos.x()) * m_z));
    m_fax->receiver().shiftPicture(x);
    copyPictureToView();
}

void TFAXRXWin::SlantbuttonClick()
{
    if (m_slantWin)
        return;
    m_slantMeasuring = true;
    m_slantFirstTaken = false;
    updateCursor();
    m_slantWin = new TSlantwindow(m_station.config.i32(cfg::kHelpLanguage) == 1, m_host.hostWindow());
    connect(m_slantWin, &TSlantwindow::okClicked, this, [this](float s) { finishSlant(true, s); });
    connect(m_slantWin, &TSlantwindow::abortClicked, this, [this] { finishSlant(false, 0.0f); });
    m_slantWin->show();
    m_tools->slantbutton()->setEnabled(false);
}

void TFAXRXWin::imageMousePress(QPoint pos)
{
    if (!m_slantMeasuring)
        return;
    if (!m_slantFirstTaken) {
        m_slantFirstTaken = true;
        m_slantFirst = pos;
        m_slantEnd = pos;
        return;
    }
    const auto& mode = m_fax->receiver().mode();
    const fax::PicturePoint a{int(roundHalfEven(m_slantFirst.x() * double(m_z))), int(roundHalfEven(m_slantFirst.y() * double(m_z)))};
    const fax::PicturePoint b{int(roundHalfEven(pos.x() * double(m_z))), int(roundHalfEven(pos.y() * double(m_z)))};
    const float s = fax::slantValue(a, b, m_fax->receiver().samplesPerPixel(), m_fax->receiver().samplesPerLine(), mode.rightToLeft != 0,
                                    mode.bottomToTop != 0);
    m_slantFirstTaken = false;
    m_slantMeasuring = false;
    updateCursor();
    m_image->update();
    if (m_slantWin)
        m_slantWin->setSlant(s);
}

void TFAXRXWin::imageMouseMove(QPoint pos)
{
    if (!m_slantMeasuring || !m_slantFirstTaken)
        return;
    const QRect dirty = QRect(m_slantFirst, m_slantEnd).normalized().united(QRect(m_slantFirst, pos).normalized());
    m_slantEnd = pos;
    m_image->update(dirty.adjusted(-2, -2, 2, 2));
}

void TFAXRXWin::finishSlant(bool ok, float slant)
{
    QPointer<TSlantwindow> win = m_slantWin;
    ReceiveWindowHost& main = m_host;
    StationContext& station = m_station;
    m_slantMeasuring = false;
    if (ok) {
        const double rate = station.config.f64(cfg::kDataRate);
        const double corrected = fax::correctedDataRate(slant, rate);
        station.config.setF64(cfg::kDataRate, corrected);
        main.dialogs().information(win, "Slant correction",
                                   "Data rate will be set to "
                                       + QString::fromStdString(fax::formatRate(shownDataRate(station.config))));
        main.saveConfiguration();
    } else {
        main.dialogs().information(win, "Slant correction", "Data rate will not be changed.");
    }
    if (win)
        win->close();
    // Restarting the selection rebuilds this window with the new rate (this object goes away).
    main.reapplySelection();
}

// --- wave files ---------------------------------------------------------------------------------

void TFAXRXWin::decodeWaveFile()
{
    decodeWaveFileInto(m_host, this, kWaveNeedsSoundcard);
}

void TFAXRXWin::abortPlayback()
{
    m_host.devices().abortWavePlayback();
}

bool TFAXRXWin::playbackRunning() const
{
    return m_host.devices().wavePlaybackRunning();
}

void TFAXRXWin::arrangeHook()
{
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().left(), s->availableGeometry().top() + m_host.hostWindow()->frameGeometry().height());
}

// --- closing ------------------------------------------------------------------------------------

void TFAXRXWin::closeEvent(QCloseEvent* e)
{
    if (e->spontaneous()) {
        TMyform::closeEvent(e);
        return;
    }
    FormCloseQuery();
    e->accept();
}

bool TFAXRXWin::FormCloseQuery()
{
    if (m_closed)
        return true;
    m_closed = true;
    m_closing = true;
    m_timer1->stop();
    m_scrolltimer->stop();
    setOperatingMode(ModeOff);
    m_host.setWavePlaybackVisible(false);

    // A picture still growing is ended as Stop ends it, so it is saved when saving is on.
    m_fax->waitForSave();
    if (m_fax->receiver().state() != fax::ReceptionState::Waiting) {
        m_fax->receiver().setButton(fax::FaxButton::Stop);
        const bool save = m_fax->stopAsksToSave() && m_host.dialogs().question(this, "Confirm", "Save received picture?");
        m_fax->stopButton(save);
    }
    m_fax->waitForSave();

    if (m_spectrum) {
        m_spectrum->closeSpectrum();
        delete m_spectrum;
    }
    if (m_zoomWin)
        m_zoomWin->close();
    if (m_tools) {
        m_tools->FormCloseQuery();
        m_tools->hide();
    }
    if (m_slantWin)
        m_slantWin->close();

    auto rec = fax::readFaxModeRow(m_station.config, std::size_t(m_row));
    rec.windowLeft = x();
    rec.windowTop = y();
    rec.windowWidth = width();
    rec.windowHeight = height();
    fax::writeFaxModeRow(m_station.config, std::size_t(m_row), rec);
    m_host.devices().runPtcCommandFile("PTCFAXDeINI.INI");
    m_station.log->action("end FAX reception");
    delete m_childMousePalette;
    m_childMousePalette = nullptr;
    return true;
}

} // namespace tellur::ui
