#include "app/ui/hauptformular.h"

#include "settings/config_fields.h"
#include "core/file_event_log.h"
#include "ui/key_swallower.h"
#include "ui/myform.h"
#include "app/ui/small_windows.h"
#include "platform/audio_devices.h"
#include "settings/ui/configuration_dialog.h"
#include "sstv/sstv_modes.h"
#include "station/frequency_control.h"
#include "station/ui/frequency_table.h"
#include "platform/system_services.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStandardItemModel>
#include <QStyle>
#include <QDateTime>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <cmath>

namespace tellur::ui {

namespace {


QFrame* panel(QWidget* parent, const char* name)
{
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::StyledPanel);
    f->setFrameShadow(QFrame::Sunken);
    auto* l = new QHBoxLayout(f);
    l->setContentsMargins(4, 1, 4, 1);
    l->setSpacing(4);
    return f;
}

QToolButton* toolButton(QWidget* parent, const char* name, const QString& text, const QString& hint,
                        QStyle::StandardPixmap icon)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAutoRaise(true);
    return b;
}

std::vector<std::string> toStdStrings(const QStringList& list)
{
    std::vector<std::string> v;
    for (const QString& s : list)
        v.push_back(s.toStdString());
    return v;
}

const char* const kHelpFiles[] = {"TLEng", "TLDeu", "TLEsp", "TLFra", "TLJpn", "TLIT", "TLRus"};

} // namespace

THauptformular::THauptformular(StationContext& station, Options options, QWidget* parent)
    : QMainWindow(parent)
    , m_station(station)
    , m_options(std::move(options))
    , m_store(station.folder, *station.log)
    , m_switches(toStdStrings(m_options.args))
{
    setObjectName("THauptformular");
    setWindowTitle("Tellur32");
    m_store.setRecordRepair(resetOutOfRangeFields);
    setAcceptDrops(true);
    if (!m_options.terminate)
        m_options.terminate = [] { std::exit(3); };
    if (!m_options.reboot)
        m_options.reboot = [] { platform::requestReboot(); };

    if (auto q = m_switches.quitMinutes())
        m_quitTime = m_station.stationTime() + double(*q) / 1440.0;
    m_station.modalPause = 0;
    m_station.configName = m_station.standardConfigName;

    buildControls();
    buildMenus();
    m_devices = std::make_unique<StationDevices>(m_station, this, mixerDeviceCount(), [this] { return m_closeStarted; });
    m_devices->deviceDialogs().setStatusHandler([this](const std::string&) { showInterfaceStatus(); });
    m_types = std::make_unique<TransmissionTypeController>(m_station.config, m_devices->serial(), m_devices->processes(),
                                                           static_cast<TransmissionTypeHost&>(*this), m_station.folder);

    m_scheduletimer = new QTimer(this);
    m_scheduletimer->setObjectName("Scheduletimer");
    m_scheduletimer->setInterval(200);
    connect(m_scheduletimer, &QTimer::timeout, this, &THauptformular::ScheduletimerTimer);
}

THauptformular::~THauptformular()
{
    m_scheduletimer->stop();
    // The receive window uses the devices until it has closed; device waits serve no events
    // any more while this window is being taken apart.
    m_closeStarted = true;
    delete m_receiveWindow.data();
    m_types.reset();
    m_devices.reset();
}

StationDevices& THauptformular::devices()
{
    return *m_devices;
}

int THauptformular::mixerDeviceCount() const
{
    return m_options.mixerDevices >= 0 ? m_options.mixerDevices : platform::soundInputDeviceCount();
}

void THauptformular::showInterfaceStatus()
{
    const std::string& message = m_station.flags.interfaceStatusMessage;
    if (m_station.interfaceType() == InterfacePtc2 && !message.empty()) {
        m_ptcErrorPanel->setText(QString::fromStdString(message));
        m_ptcErrorPanel->show();
    } else {
        m_ptcErrorPanel->hide();
    }
}

void THauptformular::buildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName("MainPanel");
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(6, 3, 6, 3);
    row->setSpacing(6);

    m_transmissionType = new QComboBox(central);
    m_transmissionType->setObjectName("Transmission_Type");
    m_transmissionType->setToolTip("Select type of operation");
    m_transmissionType->setEnabled(false);
    m_transmissionType->setMinimumContentsLength(12);
    m_transmissionType->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_transmissionType->installEventFilter(new KeySwallower(m_transmissionType));
    connect(m_transmissionType, &QComboBox::activated, this, [this](int i) { selectTransmissionType(i); });
    row->addWidget(m_transmissionType);

    m_schedulebutton = toolButton(central, "Schedulebutton", "Scheduler", "Open date scheduler",
                                  QStyle::SP_FileDialogDetailedView);
    m_frequenzbutton = toolButton(central, "Frequenzbutton", "Frequencies", "Open frequency table",
                                  QStyle::SP_FileDialogListView);
    // The scheduler's window belongs to later work; until then its button is shown but inactive.
    m_schedulebutton->setEnabled(false);
    m_frequenzbutton->setCheckable(true);
    connect(m_frequenzbutton, &QToolButton::clicked, this, [this] { FrequenzbuttonClick(); });
    row->addWidget(m_schedulebutton);
    row->addWidget(m_frequenzbutton);

    m_audiopanel = panel(central, "Audiopanel");
    auto* al = static_cast<QHBoxLayout*>(m_audiopanel->layout());
    auto* inLabel = new QLabel("Input", m_audiopanel);
    al->addWidget(inLabel);
    m_gauge1 = new QProgressBar(m_audiopanel);
    m_gauge1->setObjectName("Gauge1");
    m_gauge1->setRange(0, 260);
    m_gauge1->setValue(0);
    m_gauge1->setTextVisible(false);
    m_gauge1->setFixedSize(90, 14);
    m_gauge1->setToolTip("Input level");
    al->addWidget(m_gauge1);
    m_volumeregler = new QSlider(Qt::Horizontal, m_audiopanel);
    m_volumeregler->setObjectName("Volumeregler");
    m_volumeregler->setRange(0, 65535);
    m_volumeregler->setFixedWidth(90);
    m_volumeregler->setToolTip("Input volume");
    al->addWidget(m_volumeregler);
    m_rxSoundbutton = toolButton(m_audiopanel, "RXSoundbutton", "RX",
                                 "Open audio mixer for adjusting the input volume", QStyle::SP_MediaVolume);
    m_txSoundbutton = toolButton(m_audiopanel, "TXSoundbutton", "TX",
                                 "Open audio mixer for adjusting the output volume", QStyle::SP_MediaVolume);
    al->addWidget(m_rxSoundbutton);
    al->addWidget(m_txSoundbutton);
    connect(m_rxSoundbutton, &QToolButton::clicked, this, [this] { runMixerProgram(true); });
    connect(m_txSoundbutton, &QToolButton::clicked, this, [this] { runMixerProgram(false); });
    row->addWidget(m_audiopanel);

    m_txAudiopanel = panel(central, "TXAudiopanel");
    auto* tl = static_cast<QHBoxLayout*>(m_txAudiopanel->layout());
    tl->addWidget(new QLabel("TX level", m_txAudiopanel));
    m_txVolumeregler = new QSlider(Qt::Horizontal, m_txAudiopanel);
    m_txVolumeregler->setObjectName("TXVolumeregler");
    m_txVolumeregler->setRange(0, 65535);
    m_txVolumeregler->setFixedWidth(90);
    tl->addWidget(m_txVolumeregler);
    m_txSoundbutton1 = toolButton(m_txAudiopanel, "TXSoundbutton1", "TX",
                                  "Open audio mixer for adjusting the output volume", QStyle::SP_MediaVolume);
    connect(m_txSoundbutton1, &QToolButton::clicked, this, [this] { runMixerProgram(false); });
    tl->addWidget(m_txSoundbutton1);
    m_txAudiopanel->hide();
    row->addWidget(m_txAudiopanel);

    m_wavePlaybackPanel = panel(central, "WavePlaybackPanel");
    auto* wl = static_cast<QHBoxLayout*>(m_wavePlaybackPanel->layout());
    auto* playing = new QLabel("Decoding wave file", m_wavePlaybackPanel);
    playing->setObjectName("WavePlaybackLabel");
    wl->addWidget(playing);
    m_abortplaybackbutton = new QPushButton("Abort Playback", m_wavePlaybackPanel);
    m_abortplaybackbutton->setObjectName("Abortplaybackbutton");
    m_abortplaybackbutton->setToolTip("Abort Playback");
    connect(m_abortplaybackbutton, &QPushButton::clicked, this, &THauptformular::abortPlaybackRequested);
    wl->addWidget(m_abortplaybackbutton);
    m_wavePlaybackPanel->hide();
    row->addWidget(m_wavePlaybackPanel);

    m_toolArea = new QWidget(central);
    m_toolArea->setObjectName("ToolArea");
    m_toolAreaLayout = new QHBoxLayout(m_toolArea);
    m_toolAreaLayout->setContentsMargins(0, 0, 0, 0);
    m_toolAreaLayout->setSpacing(2);
    row->addWidget(m_toolArea);

    row->addStretch(1);

    m_childPanel = new QLabel(central);
    m_childPanel->setObjectName("Child_Panel");
    m_childPanel->setFrameShape(QFrame::StyledPanel);
    m_childPanel->hide();
    row->addWidget(m_childPanel);

    m_ptcErrorPanel = new QLabel(central);
    m_ptcErrorPanel->setObjectName("PTCErrorPanel");
    m_ptcErrorPanel->setStyleSheet("QLabel { color: white; background: #b00000; padding: 1px 6px; }");
    m_ptcErrorPanel->hide();
    row->addWidget(m_ptcErrorPanel);

    m_timepanel = panel(central, "Timepanel");
    auto* cl = static_cast<QHBoxLayout*>(m_timepanel->layout());
    m_zeitlabel = new QLabel(m_timepanel);
    m_zeitlabel->setObjectName("Zeitlabel");
    QFont bold = m_zeitlabel->font();
    bold.setBold(true);
    m_zeitlabel->setFont(bold);
    m_utcCharlabel = new QLabel("UTC", m_timepanel);
    m_utcCharlabel->setObjectName("UTCCharlabel");
    m_nextdatelabel = new QLabel(m_timepanel);
    m_nextdatelabel->setObjectName("Nextdatelabel");
    m_nextDatemode = new QLabel(m_timepanel);
    m_nextDatemode->setObjectName("NextDatemode");
    m_zeitlabel->setMinimumWidth(QFontMetrics(bold).horizontalAdvance("88-Mmm 88:88") + 4);
    m_utcCharlabel->setMinimumWidth(m_utcCharlabel->fontMetrics().horizontalAdvance("99999") + 2);
    cl->addWidget(m_zeitlabel);
    cl->addWidget(m_utcCharlabel);
    cl->addWidget(m_nextdatelabel);
    cl->addWidget(m_nextDatemode);
    row->addWidget(m_timepanel);

    setCentralWidget(central);
}

void THauptformular::buildMenus()
{
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("File1");
    auto add = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        return a;
    };
    QAction* printer = add(file, "PrinterSetup1", "&Printer S&etup...");
    connect(printer, &QAction::triggered, this, [this] {
        // The printer set-up belongs to the printing work; the desktop's own print settings serve meanwhile.
        dialogs().information(this, "Tellur32", "Printing uses the desktop's printer settings.");
    });
    QAction* conf = add(file, "Configuration1", "&Configuration...");
    connect(conf, &QAction::triggered, this, &THauptformular::openConfigurationDialog);
    connect(add(file, "Saveconfigurationas1", "&Save configuration as..."), &QAction::triggered, this,
            &THauptformular::saveConfigurationAsDialog);
    connect(add(file, "Loadconfiguration1", "&Load configuration..."), &QAction::triggered, this,
            &THauptformular::loadConfigurationDialog);
    file->addSeparator();
    connect(add(file, "ArrangeWindows1", "&Arrange Windows"), &QAction::triggered, this,
            &THauptformular::arrangeWindows);
    QAction* desk = add(file, "HideShowDesktop1", "Hide/Show &Desktop");
    desk->setEnabled(false); // desktop icons are the desktop environment's business here
    file->addSeparator();
    QAction* openFax = add(file, "OpenFaxPicture1", "Open &Fax picture/movie");
    connect(openFax, &QAction::triggered, this, [this] {
        const QString f = dialogs().openFileName(this, "Open picture", QString::fromStdString(m_station.folder.string()),
                                                 "Pictures (*.png *.PNG *.jpg *.JPG *.bmp *.BMP *.pcx *.PCX *.tif *.TIF)");
        if (!f.isEmpty())
            Q_EMIT openPictureRequested(f);
    });
    connect(add(file, "OpenMessageViewer1", "Open RTTY/NAVTEX message viewer"), &QAction::triggered, this,
            &THauptformular::openMessageViewerRequested);
    connect(add(file, "DecodeFromWaveFile1", "Dec&ode from wave file"), &QAction::triggered, this,
            &THauptformular::decodeWaveFileRequested);
    file->addSeparator();
    connect(add(file, "Exit1", "E&xit"), &QAction::triggered, this, &QWidget::close);

    m_modeMenu = menuBar()->addMenu("&Mode");
    m_modeMenu->setObjectName("Mode1");
    m_modeMenu->setEnabled(false);
    m_modeGroup = new QActionGroup(this);
    m_modeGroup->setExclusive(true);

    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("Help1");
    connect(add(help, "Helptopics1", "&Help topics"), &QAction::triggered, this, [this] { openHelpContext(99999); });
    connect(add(help, "About1", "&About"), &QAction::triggered, this, [this] {
        dialogs().information(this, "About Tellur32",
                              "Tellur32 Version 1.40 pre\nWeather FAX, SSTV, RTTY and NAVTEX station.");
    });
    m_usageAction = add(help, "UsageInfo1", "&Usage Info");
    connect(m_usageAction, &QAction::triggered, this, &THauptformular::showUsageInfo);

    m_configText = new QLabel(this);
    m_configText->setObjectName("ConfigurationText");
    m_configText->setStyleSheet("QLabel { color: #000080; padding-right: 10px; }");
    menuBar()->setCornerWidget(m_configText, Qt::TopRightCorner);
}

void THauptformular::setReceiveWindowFactory(int index, ReceiveWindowFactory factory)
{
    if (index > 0 && index < kFixedTransmissionTypes)
        m_factories[std::size_t(index)] = std::move(factory);
}

void THauptformular::startUp()
{
    m_startUp = true;
    const bool quiet = m_switches.has('U');
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const int depth = screen->depth();
        if (depth <= 8 && !quiet) {
            const QString mode = depth == 1 ? "monochrome mode (1 bit)"
                                 : depth == 4 ? "16 color mode (4 bit)"
                                 : depth == 8 ? "256 color mode (8 bit)"
                                              : QString();
            dialogs().warning(this, "Tellur32",
                              "Your graphics display is currently running in " + mode + "." + "\r\n"
                                  + "Tellur32 needs at least a 32768 color mode or better to run properly." + "\r\n"
                                  + "Please use the property settings of the desktop to change to an appropriate color mode." + "\r\n"
                                  + "Chose 15 bit (32768 colors), 16 bit (65536 colors), 24  or 32 bit (16.7 million. colors) mode.");
        }
        if (std::lround(screen->logicalDotsPerInchX()) != 96 && !quiet) {
            dialogs().warning(this, "Tellur32",
                              QString("Your graphics display is currently set to large fonts.\r\n")
                                  + "Tellur32 is designed to run optimally with small fonts settings." + "\r\n"
                                  + "Please use the property settings of the desktop to change to small fonts mode." + "\r\n"
                                  + "Tellur32 runs with large fonts settings, but display quality is significantly degraded.");
        }
    }
    m_levelMeter.clear();

    // The name keeps its case: configuration files live on a case-sensitive disk.
    const auto c = m_switches.get('C');
    const std::string name = c && !c->raw.empty() ? c->raw : m_station.standardConfigName;
    if (!loadConfiguration(name)) {
        ModalPause pause(m_station);
        std::error_code ec;
        std::filesystem::create_directories(m_station.folder, ec);
        seedStationFolder(m_station.folder, m_options.dataFolder);
        m_store.setUpFolders(m_station.config);
        if (m_switches.has('X'))
            m_station.config.setFlag(cfg::kExternalMixerControl, true);
        const int lang = dialogs().firstTimeLanguage(this, m_station.config.i32(cfg::kHelpLanguage));
        m_station.config.setI32(cfg::kHelpLanguage, lang);
        chooseHelpFile();
        if (QFileInfo::exists(m_helpFile))
            openHelpContext(999999);
        m_station.configName = name;
        // Without a way back: the dialog's OK saves under this name.
        dialogs().configure(this, m_station.config, configurationEnvironment(), true);
    }
    m_utcCharlabel->setText(m_station.config.flag(cfg::kUseLocalTime) ? "loc." : "UTC");
    if (m_switches.has('X'))
        m_station.config.setFlag(cfg::kExternalMixerControl, true);
    m_station.log->action("tellur32 launches");

    TStartLogoForm* logo = nullptr;
    if (m_options.showStartLogo) {
        logo = new TStartLogoForm(this);
        logo->show();
        QCoreApplication::processEvents();
    }

    devices().runPtcCommandFile("PTCINI.INI");
    applyConfiguration();

    m_transmissionType->setEnabled(true);
    m_modeMenu->setEnabled(true);
    int index = m_station.config.u8(cfg::kLastTransmissionType);
    if (auto m = m_switches.listIndex())
        index = *m;
    if (index < 0 || index >= m_transmissionType->count())
        index = 0;
    m_transmissionType->setCurrentIndex(index);
    selectTransmissionType(index);

    if (logo)
        logo->startCloseTimer();
    m_startUp = false;
}

bool THauptformular::loadConfiguration(const std::string& name)
{
    if (!m_store.load(m_station.config, name == m_station.standardConfigName ? std::string() : name))
        return false;
    m_station.configName = m_store.configurationName();
    if (auto* fileLog = dynamic_cast<FileEventLog*>(m_station.log.get()))
        fileLog->applyConfig(m_station.config);
    return true;
}

void THauptformular::saveConfiguration()
{
    const std::string name = m_station.configName == m_station.standardConfigName ? std::string() : m_station.configName;
    if (!m_store.save(m_station.config, name))
        m_station.log->error("+++Configuration could not be saved: " + m_station.configName);
}

void THauptformular::applyConfiguration()
{
    m_scheduletimer->stop();
    m_volumeregler->hide();
    m_audiopanel->hide();
    auto& c = m_station.config;
    if (m_station.interfaceType() == InterfaceSoundCard) {
        const int mixers = mixerDeviceCount();
        const int outputs = m_options.outputDevices >= 0 ? m_options.outputDevices : platform::soundOutputDeviceCount();
        const int mixer = c.i32(cfg::kMixerDevice);
        if ((mixer >= mixers || mixer < 0) && mixer != mixers) {
            c.setI32(cfg::kMixerDevice, 0);
            c.setI32(cfg::kSstvInputLine, 0);
            c.setI32(cfg::kFmInputLine, 0);
            c.setI32(cfg::kAmInputLine, 0);
        }
        const int sound = c.i32(cfg::kSoundDevice);
        if ((sound < 0 || sound >= outputs) && sound != outputs)
            c.setI32(cfg::kSoundDevice, 0);
        if (mixers == 0 || outputs == 0)
            c.setI32(cfg::kInterfaceType, InterfaceOther);
    }
    if (!m_receiveWindow)
        devices().reconfigure(mixerDeviceCount()); // sound devices and port map as just configured
    if (m_station.interfaceType() == InterfaceSoundCard) {
        // The desktop's sound server owns the volumes: the slider stays hidden and the buttons
        // open the desktop's volume control.
        m_rxSoundbutton->show();
        m_txSoundbutton->show();
        m_audiopanel->show();
    }

    const int left = c.i32(cfg::kMainWindowLeft);
    const int top = c.i32(cfg::kMainWindowTop);
    QPoint pos = this->pos();
    if (left != cfg::kWindowUnset)
        pos.setX(left);
    if (top != cfg::kWindowUnset)
        pos.setY(top);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect g = screen->availableGeometry();
        if (pos.x() > g.right())
            pos.setX(g.right() - 20);
        if (pos.y() > g.bottom())
            pos.setY(g.bottom() - 20);
        resize(std::max(sizeHint().width(), std::min(g.width(), 1100)), sizeHint().height());
    }
    move(pos);
    m_storedPos = pos;

    rebuildTransmissionTypeList();
    m_transmissionType->setCurrentIndex(0);
    m_configText->setText(configurationText());
    chooseHelpFile();
    updateClock();
    m_scheduletimer->start();
}

void THauptformular::rebuildTransmissionTypeList()
{
    m_transmissionType->clear();
    for (QAction* a : m_modeGroup->actions()) {
        m_modeGroup->removeAction(a);
        delete a;
    }
    m_modeMenu->clear();
    m_types->rebuild();
    QStringList entries;
    for (const TransmissionTypeEntry& e : m_types->entries())
        entries << QString::fromLatin1(e.text.c_str());
    auto* model = qobject_cast<QStandardItemModel*>(m_transmissionType->model());
    for (int i = 0; i < entries.size(); ++i) {
        m_transmissionType->addItem(entries[i]);
        QAction* a = m_modeMenu->addAction(QString::fromLatin1(modeMenuCaption(i, m_types->entries()[std::size_t(i)].text).c_str()));
        a->setObjectName(QString("ModeItem%1").arg(i));
        a->setCheckable(true);
        m_modeGroup->addAction(a);
        const bool unavailable = i > 0 && i < kFixedTransmissionTypes && !m_factories[std::size_t(i)];
        if (unavailable) {
            const QString note = entries[i] + " reception is not available in this version";
            a->setEnabled(false);
            a->setToolTip(note);
            if (model) {
                QStandardItem* item = model->item(i);
                item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
                item->setToolTip(note);
            }
        }
        connect(a, &QAction::triggered, this, [this, i] {
            m_transmissionType->setCurrentIndex(i);
            selectTransmissionType(i);
        });
    }
    m_modeMenu->setToolTipsVisible(true);
}

QString THauptformular::configurationText() const
{
    if (m_station.configName == m_station.standardConfigName)
        return "Current configuration file: Standard";
    return "Current configuration file: " + QString::fromStdString(m_station.configName);
}

void THauptformular::chooseHelpFile()
{
    int lang = m_station.config.i32(cfg::kHelpLanguage);
    if (lang < 0 || lang > 6)
        lang = 0;
    // The station's own help folder first: a user may add a language there.
    const QString installed = QString::fromStdString(
        ((m_options.dataFolder.empty() ? m_station.folder : m_options.dataFolder) / "help").string());
    const QStringList dirs{QString::fromStdString((m_station.folder / "help").string()), installed};
    auto find = [&dirs](int language) {
        for (const QString& dir : dirs) {
            const QString file = dir + "/" + kHelpFiles[language] + ".html";
            if (QFileInfo::exists(file))
                return file;
        }
        return QString();
    };
    QString file = find(lang);
    if (file.isEmpty() && lang != 0 && !m_startUp) {
        dialogs().information(this, "Tellur32",
                              "The help file '" + installed + "/" + kHelpFiles[lang] + ".html"
                                  + "' for the language you selected is not on your computer." + "\r\n"
                                  + "Go to the Tellur32 internet home page to download the desired help file, if available." + "\r\n"
                                  + "You can select the help language in the configuration window, tab sheet \"Configuration/help\"." + "\r\n"
                                  + "As long as the selected help file is not present, Tellur32 will use the English help, instead.");
    }
    if (file.isEmpty()) {
        file = find(0);
        if (lang != 0)
            m_station.config.setI32(cfg::kHelpLanguage, 0);
    }
    m_helpFile = file.isEmpty() ? installed + "/" + kHelpFiles[0] + ".html" : file;
}

void THauptformular::openHelpContext(int context)
{
    if (!QFileInfo::exists(m_helpFile)) {
        dialogs().information(this, "Tellur32", "No help file is installed in " + QFileInfo(m_helpFile).path() + ".");
        return;
    }
    // A language's pages lie in the folder named like its start file.
    QString page = m_helpFile;
    if (context == 999999) {
        const QFileInfo start(m_helpFile);
        const QString first = start.path() + "/" + start.completeBaseName() + "/getting-started.html";
        if (QFileInfo::exists(first))
            page = first;
    }
    dialogs().openUrl(this, QUrl::fromLocalFile(page));
}

void THauptformular::selectTransmissionType(int index, bool now)
{
    if (now)
        m_types->switchAndStart(index);
    else
        m_types->change(index);
}

void THauptformular::reapplySelection()
{
    // Called from inside the receive window that is to be rebuilt: it must return first.
    QMetaObject::invokeMethod(this, [this] { m_types->switchAndStart(m_types->indexInForce()); }, Qt::QueuedConnection);
}

void THauptformular::setModeControlsEnabled(bool on)
{
    m_transmissionType->setEnabled(on);
    m_modeMenu->setEnabled(on);
}

void THauptformular::checkModeMenuItem(int index)
{
    if (index >= 0 && index < m_transmissionType->count())
        m_transmissionType->setCurrentIndex(index);
    const auto actions = m_modeGroup->actions();
    if (index >= 0 && index < actions.size())
        actions[index]->setChecked(true);
}

void THauptformular::setChildPanelCaption(std::string_view caption)
{
    m_childPanel->setText(QString::fromLatin1(caption.data(), qsizetype(caption.size())));
    m_childPanel->setVisible(!caption.empty());
}

void THauptformular::closeReceiveWindow()
{
    if (TMyform* w = m_receiveWindow) {
        m_receiveWindow = nullptr;
        w->close();
        delete w;
    }
}

void THauptformular::openReceiveWindow(ReceiveWindowKind kind)
{
    if (auto& f = m_factories[std::size_t(kind)])
        m_receiveWindow = f(*this);
}

void THauptformular::waitUntil(const std::function<bool()>& done)
{
    while (!done()) {
        // The main tick carries the request out; when it cannot run, nothing else will.
        if (!m_scheduletimer->isActive() && m_station.modalPause == 0) {
            m_types->carryOutRequest();
            continue;
        }
        QTimer wake; // so that the wait ends even when no other event comes
        wake.start(100);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void THauptformular::showMessage(std::string_view text)
{
    dialogs().information(this, "Tellur32", QString::fromLocal8Bit(text.data(), qsizetype(text.size())));
}

void THauptformular::ScheduletimerTimer()
{
    if (m_station.interfaceType() == InterfaceSoundCard)
        updateLevelMeter();
    ++m_tickCounter;
    if (m_station.modalPause > 0)
        return;
    m_scheduletimer->stop();
    if (m_types->changeRequested()) {
        m_types->carryOutRequest();
        m_scheduletimer->setInterval(250);
        if (!m_closeStarted)
            m_scheduletimer->start();
        return;
    }
    if (m_quitTime)
        m_utcCharlabel->setText(QString::number(roundHalfEven((*m_quitTime - m_station.stationTime()) * 1440.0)));
    if (m_tickCounter > 16) {
        m_tickCounter -= 16;
        updateClock();
        showInterfaceStatus();
    }
    if (m_receiveWindow)
        m_receiveWindow->periodicHook();
    if (!m_closeStarted)
        m_scheduletimer->start();
    if (m_quitTime && m_station.stationTime() > *m_quitTime)
        close();
}

void THauptformular::updateLevelMeter()
{
    const std::int64_t peak = m_devices ? m_devices->takeAudioPeak() : 0;
    const int v = m_levelMeter.push(peak);
    const char* colour = "#800000";
    switch (LevelMeter::colourFor(v)) {
    case LevelMeter::Colour::DarkRed: colour = "#800000"; break;
    case LevelMeter::Colour::Green: colour = "#008000"; break;
    case LevelMeter::Colour::Red: colour = "#ff0000"; break;
    }
    const QString sheet = QString("QProgressBar::chunk { background: %1; }").arg(colour);
    if (m_gauge1->styleSheet() != sheet)
        m_gauge1->setStyleSheet(sheet);
    m_gauge1->setValue(std::min(v, 260));
}

void THauptformular::updateClock()
{
    const DateTime t = dateTimeFromDays(m_station.stationTime());
    m_zeitlabel->setText(QLocale::c().toString(QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute), Qt::UTC),
                                               "dd-MMM hh:mm"));
}

void THauptformular::setWavePlaybackVisible(bool on)
{
    m_wavePlaybackPanel->setVisible(on);
}

void THauptformular::setTransmitAudioVisible(bool on)
{
    m_txAudiopanel->setVisible(on);
}

ConfigurationEnvironment THauptformular::configurationEnvironment()
{
    ConfigurationEnvironment env;
    for (const auto& n : platform::audioOutputNames())
        env.soundOutputDevices << QString::fromStdString(n);
    for (const auto& row : sstv::kSstvModes)
        env.sstvModeNames << QString::fromUtf8(row.name.data(), static_cast<int>(row.name.size()));
    const QDir masks(QString::fromStdString(m_station.folderField(StationFolder::MasksPalettes).string()));
    for (const QString& f : masks.entryList({"*.pal", "*.sch", "*.PAL", "*.SCH"}, QDir::Files))
        env.palettes << f;
    env.setUpFolders = [this] { m_store.setUpFolders(m_station.config); };
    env.saveConfiguration = [this] {
        saveConfiguration();
        return true;
    };
    env.deleteStandardFile = [this] {
        std::error_code ec;
        std::filesystem::remove(m_store.standardFile(), ec);
    };
    return env;
}

void THauptformular::openConfigurationDialog()
{
    const int noted = m_types->indexInForce();
    selectTransmissionType(0, true);
    bool reset = false;
    {
        ModalPause pause(m_station);
        if (m_switches.has('X'))
            m_station.config.setFlag(cfg::kExternalMixerControl, true);
        reset = dialogs().configure(this, m_station.config, configurationEnvironment(), false);
    }
    if (reset) {
        // The program ends without the quit question and without saving.
        m_store.setResetDone(true);
        m_closeStarted = true;
        close();
        return;
    }
    if (m_switches.has('X'))
        m_station.config.setFlag(cfg::kExternalMixerControl, true);
    if (auto* fileLog = dynamic_cast<FileEventLog*>(m_station.log.get()))
        fileLog->applyConfig(m_station.config);
    applyConfiguration();
    m_utcCharlabel->setText(m_station.config.flag(cfg::kUseLocalTime) ? "loc." : "UTC");
    if (noted >= 0 && noted < m_transmissionType->count())
        selectTransmissionType(noted, true);
}

bool THauptformular::FormCloseQuery()
{
    if (m_closeStarted)
        return true;
    m_closeStarted = true;
    m_station.flags.interfaceStatusMessage = "Closing down Tellur32. Please wait...";
    if (m_station.config.flag(cfg::kCloseQuery) && !m_sessionEnding
        && !dialogs().question(this, "Tellur32", "Do you really want to quit Tellur32?")) {
        m_closeStarted = false;
        m_station.flags.interfaceStatusMessage.clear();
        return false;
    }
    const int noted = m_types->indexInForce();
    selectTransmissionType(0, true);
    if (noted >= 0 && noted < 256)
        m_station.config.setU8(cfg::kLastTransmissionType, std::uint8_t(noted));
    m_scheduletimer->stop();
    if (m_types->externalProgramRunning()) {
        dialogs().information(this, "Tellur32",
                              "Terminate external program (" + QString::fromStdString(m_types->runningProgramName()) + ") first!");
        m_closeStarted = false;
        m_scheduletimer->start();
        return false;
    }
    if (pos() != m_storedPos) {
        m_station.config.setI32(cfg::kMainWindowLeft, x());
        m_station.config.setI32(cfg::kMainWindowTop, y());
    }
    saveConfiguration();
    m_station.log->action("tellur32 terminates");
    devices().runPtcCommandFile("PTCDeINI.INI");
    m_modeMenu->clear();
    return true;
}

bool THauptformular::closeMustWait() const
{
    // Start-up, a pending type change, device set-up waits and modal dialogs all serve events
    // from inside a window's own call: closing now would free that window under its feet (or,
    // before the program's event loop runs, leave the program running without a window).
    return m_startUp || m_station.modalPause > 0 || m_types->changeRequested();
}

void THauptformular::endSession()
{
    if (closeMustWait()) {
        QTimer::singleShot(50, this, &THauptformular::endSession);
        return;
    }
    m_sessionEnding = true;
    close();
    m_sessionEnding = false;
}

void THauptformular::closeEvent(QCloseEvent* e)
{
    if (!m_closeStarted && closeMustWait()) {
        e->ignore();
        QTimer::singleShot(50, this, [this] { close(); });
        return;
    }
    if (FormCloseQuery()) {
        if (m_usageWin)
            m_usageWin->close();
        if (m_frequencyTable)
            m_frequencyTable->close();
        e->accept();
    } else {
        e->ignore();
    }
}

void THauptformular::handleException(const QString& message, bool inputOutput)
{
    const std::string text = "+++Exception occurred: " + message.toStdString();
    m_station.log->forcedAction(text);
    m_station.log->error(text);
    if (inputOutput)
        return;
    if (!m_startUp && m_station.config.flag(cfg::kRebootAfterException)) {
        saveConfiguration();
        m_station.log->forcedAction(m_station.config.flag(cfg::kRestartAfterReboot)
                                        ? "+++Trying to reboot computer, then restart Tellur32..."
                                        : "+++Trying to reboot computer, do not restart Tellur32...");
        m_options.reboot();
        return;
    }
    m_station.log->forcedAction("+++Tellur32 will be terminated.");
    m_options.terminate();
}

void THauptformular::showUsageInfo()
{
    if (m_usageWin)
        return;
    m_usageWin = new TUsageWin(m_station, this);
    m_usageAction->setEnabled(false);
    connect(m_usageWin, &TUsageWin::closed, this, [this] { m_usageAction->setEnabled(true); });
    m_usageWin->show();
}

void THauptformular::FrequenzbuttonClick()
{
    m_frequenzbutton->setChecked(true);
    if (m_frequencyTable) {
        m_frequencyTable->raise();
        m_frequencyTable->activateWindow();
        return;
    }
    m_frequencyTable = new TFrequencytable(m_station.folder, dialogs(),
                                           [this](int radio, const std::string& f) { setFrequency(radio, f); }, this);
    connect(m_frequencyTable, &TFrequencytable::closed, this, [this] { m_frequenzbutton->setChecked(false); });
    if (!m_frequencyTable->tableOpen()) {
        m_frequencyTable->close();
        return;
    }
    m_frequencyTable->show();
}

void THauptformular::setFrequency(int radio, const std::string& frequency)
{
    // The serial waits serve events; the timers must not re-enter meanwhile.
    ModalPause pause(m_station);
    station::SwitchedRadioStation devices(m_station.config, m_devices->modeSwitch(), m_devices->serial(),
                                          m_devices->processes());
    station::FrequencyControl control(m_station.config, m_station.flags, devices, *m_station.log, m_station.folder);
    control.setMessageHandler([this](std::string_view text) { showMessage(text); });
    control.setFrequency(radio, frequency);
}

void THauptformular::runMixerProgram(bool record)
{
    if (!platform::startMixerProgram(record))
        dialogs().information(this, "Tellur32", "No volume control program (pavucontrol) is installed.");
}

void THauptformular::loadConfigurationDialog()
{
    const QString f = dialogs().openFileName(this, "Load configuration", QString::fromStdString(m_station.folder.string()),
                                             "Configuration files (*.CNJ)");
    if (f.isEmpty())
        return;
    const int noted = m_types->indexInForce();
    selectTransmissionType(0, true);
    StationConfig loaded;
    if (loadConfigFile(f.toStdString(), loaded)) {
        m_station.config = loaded;
        m_station.configName = QFileInfo(f).completeBaseName().toStdString();
        if (m_switches.has('X'))
            m_station.config.setFlag(cfg::kExternalMixerControl, true);
    } else {
        dialogs().warning(this, "Problem", "The configuration file '" + f + "' could not be loaded.");
    }
    applyConfiguration();
    selectTransmissionType(noted < m_transmissionType->count() ? noted : 0, true);
}

void THauptformular::saveConfigurationAsDialog()
{
    QString f = dialogs().saveFileName(this, "Save configuration as", QString::fromStdString(m_station.folder.string()),
                                       "Configuration files (*.CNJ)");
    if (f.isEmpty())
        return;
    if (!f.endsWith(".CNJ", Qt::CaseInsensitive))
        f += ".CNJ";
    m_station.configName = QFileInfo(f).completeBaseName().toStdString();
    if (!saveConfigFile(f.toStdString(), m_station.config))
        dialogs().warning(this, "Problem", "The configuration could not be saved as '" + f + "'.");
    m_configText->setText(configurationText());
}

void THauptformular::arrangeWindows()
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().topLeft());
    if (m_receiveWindow)
        m_receiveWindow->arrangeHook();
}

void THauptformular::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void THauptformular::dropEvent(QDropEvent* e)
{
    for (const QUrl& url : e->mimeData()->urls()) {
        const QString f = url.toLocalFile();
        const QString ext = f.right(3).toUpper();
        if (QString("PNG,JPG,PCX,BMP,TIF").split(',').contains(ext))
            Q_EMIT openPictureRequested(f);
    }
}

} // namespace tellur::ui
