#include "settings/ui/configuration_dialog.h"

#include "core/interface_settings.h"

#include "settings/config_fields.h"
#include "settings/fax_mode_table.h"
#include "settings/rtty_mode_table.h"
#include "station/radio_commands.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace tellur::ui {
namespace {

const QStringList kPriorityClasses{"Idle", "Normal", "High"};
const QStringList kThreadPriorities{"Idle", "Lowest", "Lower", "Normal", "Higher", "Highest"};
const QStringList kSstvFileTypes{"PNG", "JPG", "PCX", "BMP", "TIF"};
const QStringList kFaxFileTypes{"PNG", "PCX", "BMP", "JPG"};
const QStringList kPorts{"NONE", "COM 1", "COM 2", "COM 3", "COM 4", "COM 5", "COM 6", "COM 7", "COM 8"};
const QStringList kHelpLanguages{"Use English help file ", "Deutsche Hilfe benutzen", "Usar ayuda Español",
                                 "Utiliser l'aide Française", "Japanese help", "Italian help", "Russian help"};
const QStringList kIdentification{"Call sign in header", "Call sign in picture", "No call sign",
                                  "User defined header"};
QStringList radioTypeNames()
{
    QStringList names;
    for (auto name : station::kRadioTypeNames)
        names << QString::fromLatin1(name.data(), qsizetype(name.size()));
    return names;
}
const QStringList kHandleColours{"Black", "Maroon", "Green", "Olive", "Navy", "Purple", "Teal", "Gray",
                                 "Silver", "Red", "Lime", "Yellow", "Blue", "Fuchsia", "Aqua", "White"};
// The handle colours as 0x00BBGGRR, in the order of the colour list.
constexpr std::int32_t kHandleColourValues[16]{0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                               0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                               0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

const char* const kResetQuestion =
    "This will reset Tellur32 to its initial configuration state.\r\nYou will have to re-enter the configuration "
    "settings, including the data rate.\r\nIf you have already made a slant correction, it is a good idea to note "
    "down the data rate so you can re-enter it, afterwards.\r\nTellur32 will terminate when you proceed.\r\n\r\n "
    "Do you really want to reset the configuration settings?";

// How the dialog shows the defaults an interface type brings (applyInterfaceTypeDefaults stores them).
struct InterfaceDefaults {
    const char* baud;
    const char* dataRate;
    bool baudEditable;
    const char* groupCaption;
};
constexpr InterfaceDefaults kInterfaceDefaults[5]{
    {"115200", "4800", false, "DSP program files for "},
    {"9600", "5760", true, ""},
    {"57600", "11025", false, "Sound card settings "},
    {"115200", "4800.0", true, "HariFax Info "},
    {"115200", "4800", true, "Commands to set interface to "},
};

QString fieldName(const QString& pattern, int row)
{
    return pattern.contains("%1") ? pattern.arg(row) : pattern;
}

QFormLayout* newForm(QWidget* parent)
{
    auto* form = new QFormLayout(parent);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setHorizontalSpacing(12);
    return form;
}

// Pages can be taller than a small screen; a scroll area keeps every control reachable.
QWidget* scrolled(QWidget* page)
{
    auto* area = new QScrollArea;
    area->setWidget(page);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

bool isScaledByInterface(const QString& field)
{
    return field == "DataRate" || field == "TXDatarateoffset";
}

} // namespace

TConfiguration::TConfiguration(StationConfig& live, ConfigurationEnvironment env, bool firstTime, QWidget* parent)
    : QDialog(parent)
    , m_live(live)
    , m_backup(live)
    , m_env(std::move(env))
    , m_firstTime(firstTime)
{
    setObjectName("TConfiguration");
    setWindowTitle("Tellur32 configuration");
    if (!m_env.problem)
        m_env.problem = [this](const QString& text) { QMessageBox::critical(this, "Problem", text); };
    if (!m_env.confirmReset)
        m_env.confirmReset = [this](const QString& text) {
            return QMessageBox::warning(this, "Tellur32 configuration", text, QMessageBox::Ok | QMessageBox::Abort,
                                        QMessageBox::Abort) == QMessageBox::Ok;
        };
    if (!m_env.mixerInputLines)
        m_env.mixerInputLines = [](int) { return QStringList{}; };

    m_tabs = new QTabWidget;
    m_tabs->setObjectName("PageControl1");
    m_tabs->setUsesScrollButtons(false);
    m_tabs->addTab(scrolled(buildInterfacePage()), "Interface");
    m_tabs->addTab(scrolled(buildMiscPage()), "Misc.");
    m_tabs->addTab(scrolled(buildSstvFaxPage()), "SSTV/FAX");
    m_tabs->addTab(scrolled(buildFaxModePage()), "FAX mode editor");
    m_tabs->addTab(scrolled(buildRttyModePage()), "Rtty mode editor");
    m_tabs->addTab(scrolled(buildMoviePage()), "Movie settings");
    m_tabs->addTab(scrolled(buildRepeaterPage()), "Repeater settings");
    m_tabs->addTab(buildExternalProgramsPage(), "External Programs");
    m_tabs->addTab(scrolled(buildFrequencyPage()), "Frequency control");
    m_tabs->addTab(scrolled(buildDirectoriesPage()), "Directories");

    auto* ok = new QPushButton("OK");
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    m_cancel = new QPushButton("Cancel");
    m_cancel->setObjectName("CancelButton");
    m_resetButton = new QPushButton("Reset");
    m_resetButton->setObjectName("ResetButton");
    m_resetButton->setToolTip("Resets Tellur32 to its initial configuration state");
    m_cancel->setEnabled(!m_firstTime);
    m_resetButton->setEnabled(!m_firstTime);
    connect(ok, &QPushButton::clicked, this, &TConfiguration::okClicked);
    connect(m_cancel, &QPushButton::clicked, this, &TConfiguration::cancelClicked);
    connect(m_resetButton, &QPushButton::clicked, this, &TConfiguration::resetClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_resetButton);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);
    resize(minimumSizeHint().width(), 640);
    activate();
}

TConfiguration::~TConfiguration() = default;

// ---------------------------------------------------------------------------------------------
// Building

void TConfiguration::bind(QWidget* w, const QString& field, Kind kind, int row, int indexBase)
{
    m_bindings.push_back({w, field, kind, row, indexBase});
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        connect(edit, &QLineEdit::editingFinished, this, [this, w] { commitControl(w); });
    } else if (auto* check = qobject_cast<QAbstractButton*>(w)) {
        connect(check, &QAbstractButton::toggled, this, [this, w] { commitControl(w); });
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (combo->isEditable())
            connect(combo->lineEdit(), &QLineEdit::editingFinished, this, [this, w] { commitControl(w); });
        connect(combo, &QComboBox::activated, this, [this, w] { commitControl(w); });
    }
}

QLineEdit* TConfiguration::addLineEdit(QFormLayout* form, const QString& name, const QString& field, Kind kind,
                                       int row, const QString& caption)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    const ConfigField* f = findConfigField(fieldName(field, 0).toStdString());
    QString label = caption;
    if (label.isEmpty() && f)
        label = QString::fromStdString(std::string(f->caption));
    if (kind == Kind::Text && f)
        edit->setMaxLength(static_cast<int>(f->capacity()));
    int chars = kind == Kind::Text ? (f && f->capacity() > 40 ? 48 : 24) : 10;
    edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * chars);
    form->addRow(label, edit);
    bind(edit, field, kind, row);
    return edit;
}

QCheckBox* TConfiguration::addCheck(QFormLayout* form, const QString& name, const QString& field, int row,
                                    const QString& caption)
{
    auto* check = new QCheckBox;
    check->setObjectName(name);
    const ConfigField* f = findConfigField(fieldName(field, 0).toStdString());
    QString label = caption;
    if (label.isEmpty() && f)
        label = QString::fromStdString(std::string(f->caption));
    form->addRow(label, check);
    bind(check, field, Kind::Check, row);
    return check;
}

QComboBox* TConfiguration::addCombo(QFormLayout* form, const QString& name, const QString& field, Kind kind,
                                    const QStringList& items, int row, const QString& caption, int indexBase)
{
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->addItems(items);
    combo->setEditable(kind == Kind::NumberCombo || (kind == Kind::TextCombo && name == "FAXMODE_Palette"));
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    const ConfigField* f = findConfigField(fieldName(field, 0).toStdString());
    QString label = caption;
    if (label.isEmpty() && f)
        label = QString::fromStdString(std::string(f->caption));
    form->addRow(label, combo);
    bind(combo, field, kind, row, indexBase);
    return combo;
}

QWidget* TConfiguration::buildInterfacePage()
{
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    auto* top = new QWidget;
    auto* form = newForm(top);
    m_interfaceType = addCombo(form, "Interface_Type", "Interface_Type", Kind::IndexCombo,
                               {"EasyDSP", "PTC-II", "Sound Card", "HariFax IV", "Other"});
    connect(m_interfaceType, &QComboBox::activated, this, [this](int i) { interfaceTypeChanged(i); });
    m_port = addCombo(form, "CommunicationPort", "CommunicationPort", Kind::IndexCombo, kPorts);
    m_baud = addLineEdit(form, "BaudRate", "BaudRate", Kind::Number);
    m_baudLabel = qobject_cast<QLabel*>(form->labelForField(m_baud));
    m_dataRate = addLineEdit(form, "DataRate", "DataRate", Kind::Real);
    m_txOffset = addLineEdit(form, "TXDatarateoffset", "TXDatarateoffset", Kind::Real);
    m_use14bit = addCheck(form, "FAXAM_Use14bit", "FAXAM_Use14bit");
    outer->addWidget(top);

    m_programGroup = new QGroupBox;
    m_programGroup->setObjectName("DSPGroup");
    auto* programs = newForm(m_programGroup);
    for (const char* name : {"SSTV_Demodulator", "FAXFM_Demodulator", "FAXAM1_Demodulator", "Analyzer_Demodulator"})
        m_programEdits.push_back(addLineEdit(programs, name, name, Kind::Text));
    outer->addWidget(m_programGroup);

    m_soundGroup = new QGroupBox("Sound card settings ");
    m_soundGroup->setObjectName("SoundGroup");
    auto* sound = newForm(m_soundGroup);
    m_soundcard = addCombo(sound, "Soundcardselect", "Soundcardselect", Kind::IndexCombo, m_env.soundOutputDevices);
    QStringList mixers = m_env.mixerDevices;
    mixers << "Auto";
    m_mixer = addCombo(sound, "Mixerselect", "Mixerselect", Kind::IndexCombo, mixers);
    connect(m_mixer, &QComboBox::activated, this, [this](int i) { mixerChanged(i); });
    for (const char* name : {"SSTVAudioSelect", "FMAudioselect", "AMAudioselect"})
        m_inputLines.push_back(addCombo(sound, name, name, Kind::IndexCombo, {}));
    m_disableMixer = addCheck(sound, "DisableMixer", "DisableMixer");
    outer->addWidget(m_soundGroup);

    m_hariFaxInfo = new QLabel("You need a firmware upgrade to run the HariFax II and III,\n"
                               "and a small modification on the circuit board.\n"
                               "The HariFax IV runs directly witout any upgrade.");
    m_hariFaxInfo->setObjectName("HariFaxInfo");
    outer->addWidget(m_hariFaxInfo);
    outer->addStretch();
    return page;
}

QWidget* TConfiguration::buildMiscPage()
{
    auto* page = new QWidget;
    auto* grid = new QHBoxLayout(page);
    auto* left = new QWidget;
    auto* lf = newForm(left);
    for (const char* name : {"CreateEventlog", "Logsatheaders", "Rebootafterexception", "Restartafterreboot",
                             "AutoLPMFax", "Autoprintorientation", "AlwaysMovieDir", "Autoqsonummer",
                             "IngnoreSummertime", "EnableQuitQuery", "Hidedesktopicons", "Synchronize_Time",
                             "Invert_BW"})
        addCheck(lf, name, name);
    grid->addWidget(left);

    auto* right = new QWidget;
    auto* rf = newForm(right);
    addCombo(rf, "Helpselect", "Helpselect", Kind::IndexCombo, kHelpLanguages);
    addLineEdit(rf, "Datestampformat", "Datestampformat", Kind::Text);
    addLineEdit(rf, "Timestampformat", "Timestampformat", Kind::Text);
    addLineEdit(rf, "FAXFilenameformat", "FAXFilenameformat", Kind::Text);
    addLineEdit(rf, "SynchronizeOffset", "SynchronizeOffset", Kind::Number);
    addLineEdit(rf, "COMMANDAFTERSSTVRX", "COMMANDAFTERSSTVRX", Kind::Text, -1, "SSTV command after picture RX:");
    addLineEdit(rf, "COMMANDAFTERFAXRX", "COMMANDAFTERFAXRX", Kind::Text, -1, "FAX command after picture RX:");
    addCombo(rf, "Priorityclassdisp", "Priorityclassdisp", Kind::IndexCombo, kPriorityClasses);
    addCombo(rf, "Serialthreadprioritydisp", "Serialthreadprioritydisp", Kind::IndexCombo, kThreadPriorities);
    addCombo(rf, "Soundthreadprioritydisp", "Soundthreadprioritydisp", Kind::IndexCombo, kThreadPriorities);
    addCombo(rf, "TXthreadprioritydisp", "TXthreadprioritydisp", Kind::IndexCombo, kThreadPriorities);
    grid->addWidget(right);
    return page;
}

QWidget* TConfiguration::buildSstvFaxPage()
{
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    auto* station = new QGroupBox("Station");
    auto* sf = newForm(station);
    addLineEdit(sf, "Callsign", "Callsign", Kind::Text);
    addLineEdit(sf, "Handle", "Handle", Kind::Text);
    addCombo(sf, "Justcall", "Justcall", Kind::IndexCombo, kIdentification);
    addCombo(sf, "ColorGrid1", "handleColorIndex", Kind::IndexCombo, kHandleColours);
    addLineEdit(sf, "Sentbytext", "Sentbytext", Kind::Text);
    addCheck(sf, "CWIDAfter", "CWIDAfter");
    addLineEdit(sf, "JPGSaveQuality", "JPGSaveQuality", Kind::Number);
    layout->addWidget(station);

    auto* files = new QGroupBox("Pictures");
    auto* ff = newForm(files);
    addCombo(ff, "FAX_PictureFileFormat", "FAX_PictureFileFormat", Kind::IndexCombo, kFaxFileTypes);
    addCombo(ff, "SSTV_PictureFileFormat", "SSTV_PictureFileFormat", Kind::IndexCombo, kSstvFileTypes);
    addLineEdit(ff, "SSTV_Maxpics", "SSTV_Maxpics", Kind::Number);
    addLineEdit(ff, "SSTV_Maxfail", "SSTV_Maxfail", Kind::Number);
    addLineEdit(ff, "SSTV_Percentage", "SSTV_Percentage", Kind::Number);
    layout->addWidget(files);
    return page;
}

QWidget* TConfiguration::buildFaxModePage()
{
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    auto* head = new QHBoxLayout;
    head->addWidget(new QLabel("Mode number:"));
    m_faxRowSpin = new QSpinBox;
    m_faxRowSpin->setObjectName("Faxmode_Modenumber");
    m_faxRowSpin->setRange(0, 15);
    head->addWidget(m_faxRowSpin);
    head->addStretch();
    outer->addLayout(head);
    connect(m_faxRowSpin, &QSpinBox::valueChanged, this, [this](int r) { faxRowChanged(r); });

    auto* columns = new QHBoxLayout;
    auto* left = new QWidget;
    auto* lf = newForm(left);
    const QString p = "faxMode.%1.";
    auto* name = addLineEdit(lf, "FAXMODE_Modename", p + "name", Kind::Text, 0, "Name:");
    name->setValidator(new QRegularExpressionValidator(QRegularExpression("[A-Za-z0-9_]{0,20}"), name));
    addCombo(lf, "FAXMODE_Demodulator", p + "demodulator", Kind::IndexCombo, {"FM", "AM", "AM-log", "PLL-lin", "PLL-log"},
             0, "Demodulator:");
    addLineEdit(lf, "FAXMODE_Start", p + "startHz", Kind::Number, 0, "Start: frequency:");
    addLineEdit(lf, "FAXMODE_StartBW", p + "startLength", Kind::Number, 0, "Start: bandwidth:");
    addLineEdit(lf, "FAXMODE_StartThreshold", p + "startThreshold", Kind::Number, 0, "Start: threshold:");
    addLineEdit(lf, "FAXMODE_AltStart", p + "altStartHz", Kind::Number, 0, "Alt. start: frequency:");
    addLineEdit(lf, "FAXMODE_AltStartBW", p + "altStartLength", Kind::Number, 0, "Alt. start: bandwidth:");
    addLineEdit(lf, "FAXMODE_AltStartThreshold", p + "altStartThreshold", Kind::Number, 0, "Alt. start: threshold:");
    addLineEdit(lf, "FAXMODE_Stop", p + "stopHz", Kind::Number, 0, "Stop: frequency:");
    addLineEdit(lf, "FAXMODE_StopBW", p + "stopLength", Kind::Number, 0, "Stop: bandwidth:");
    addLineEdit(lf, "FAXMODE_StopThreshold", p + "stopThreshold", Kind::Number, 0, "Stop: threshold:");
    addCombo(lf, "FAXMODE_APTMode", p + "startStopMode", Kind::IndexCombo, {"squelch", "tone"}, 0, "Start/stop mode:");
    addCombo(lf, "FAXMODE_PhaseMode", p + "phaseMode", Kind::IndexCombo, {"normal", "inverted", "tone burst", "none"},
             0, "Phase mode:");
    columns->addWidget(left);

    auto* right = new QWidget;
    auto* rf = newForm(right);
    addLineEdit(rf, "FAXMODE_Resolution", p + "pixelsPerLine", Kind::Number, 0, "Pixels per line:");
    addCombo(rf, "FAXMODE_LPM", p + "lpm", Kind::NumberCombo, {"60", "90", "120", "180", "240", "360"}, 0,
             "Lines per minute:");
    QStringList palettes{"Standard", "Automatic"};
    palettes << m_env.palettes;
    addCombo(rf, "FAXMODE_Palette", p + "palette", Kind::TextCombo, palettes, 0, "Palette:");
    addLineEdit(rf, "FAXMODE_Pixels_to_Show", p + "pixelsToShow", Kind::Number, 0, "Pixels to show:");
    addLineEdit(rf, "FAXMODE_First_Pixel", p + "firstPixel", Kind::Number, 0, "First pixel:");
    addLineEdit(rf, "FAXMODE_GR", p + "bitDepth", Kind::Number, 0, "Bit depth:");
    addLineEdit(rf, "FAXMODE_MaxPics", p + "maxPictures", Kind::Number, 0, "Max. # of pictures:");
    addLineEdit(rf, "FAXMODE_Lines", p + "maxLines", Kind::Number, 0, "Max. lines/picture:");
    addLineEdit(rf, "FAXMODE_BLACKOFFS", p + "blackOffset", Kind::Number, 0, "Black:");
    addCheck(rf, "FAXMODE_AGC", p + "agc", 0, "AGC:");
    addCheck(rf, "FAXMODE_Pinverted", p + "printInverted", 0, "Print pictures inverted:");

    // Scan directions: the second button of each pair carries the stored flag.
    auto addDirection = [&](const char* first, const char* firstText, const char* second, const char* secondText,
                            const QString& field, const QString& caption) {
        auto* box = new QWidget;
        auto* h = new QHBoxLayout(box);
        h->setContentsMargins(0, 0, 0, 0);
        auto* a = new QRadioButton(firstText);
        a->setObjectName(first);
        auto* b = new QRadioButton(secondText);
        b->setObjectName(second);
        auto* group = new QButtonGroup(box);
        group->addButton(a);
        group->addButton(b);
        h->addWidget(a);
        h->addWidget(b);
        rf->addRow(caption, box);
        bind(b, field, Kind::Check, 0);
    };
    addDirection("FAXMODE_Lefttoright", "\u2192", "FAXMODE_Righttoleft", "\u2190", p + "rightToLeft", "Horizontal:");
    addDirection("FAXMODE_ToptoBottom", "\u2193", "FAXMODE_BottomtoTop", "\u2191", p + "bottomToTop", "Vertical:");
    columns->addWidget(right);
    outer->addLayout(columns);
    outer->addStretch();
    return page;
}

QWidget* TConfiguration::buildRttyModePage()
{
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    auto* head = new QHBoxLayout;
    head->addWidget(new QLabel("Mode number:"));
    m_rttyRowSpin = new QSpinBox;
    m_rttyRowSpin->setObjectName("RTTYMODE_Modenumber");
    m_rttyRowSpin->setRange(0, 9);
    head->addWidget(m_rttyRowSpin);
    head->addStretch();
    outer->addLayout(head);
    connect(m_rttyRowSpin, &QSpinBox::valueChanged, this, [this](int r) { rttyRowChanged(r); });

    auto* body = new QWidget;
    auto* form = newForm(body);
    const QString p = "rttyMode.%1.";
    auto* name = addLineEdit(form, "RTTYMODE_Modename", p + "name", Kind::Text, 1, "Mode:");
    name->setValidator(new QRegularExpressionValidator(QRegularExpression("[A-Za-z0-9_]{0,20}"), name));
    addCombo(form, "RTTYMODE_Type", p + "type", Kind::IndexCombo, {"Baudot", "FEC"}, 1, "Type:");
    addCombo(form, "RTTYMODE_Baud", p + "baudE4", Kind::NumberCombo, {"45", "50", "75", "100", "110"}, 1, "Baudrate:");
    addCombo(form, "RTTYMODE_Shift", p + "shiftHz", Kind::ValueCombo, {"85", "170", "450", "850"}, 1, "Shift:");
    addCheck(form, "RTTYMODE_Reverse", p + "reverse", 1, "Reverse:");
    addCheck(form, "RTTYMODE_AFC", p + "afc", 1, "AFC:");
    addLineEdit(form, "RTTYMODE_Center", p + "centerHz", Kind::Number, 1, "Center frequency:");
    addCombo(form, "RTTYMODE_PTCType", p + "ptcType", Kind::TextCombo, {"BAUDOT", "AMTOR"}, 1, "PTC-II Type:");
    addCombo(form, "RTTYMODE_Bits", p + "bits", Kind::ValueCombo, {"5", "6", "7", "8"}, 1, "# of bits:");
    outer->addWidget(body);
    outer->addStretch();
    return page;
}

QWidget* TConfiguration::buildMoviePage()
{
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    auto* top = new QWidget;
    auto* form = newForm(top);
    addLineEdit(form, "Movierate", "Movierate", Kind::Number);
    addLineEdit(form, "maxmoviepictures", "maxmoviepictures", Kind::Number);
    addCombo(form, "Movieresolution", "Movieresolution", Kind::IndexCombo, {"1/1", "1/2", "1/3", "1/4"}, -1, {}, 1);
    addLineEdit(form, "Moviepause", "Moviepause", Kind::Number);
    addCheck(form, "Movieautorepeat", "Movieautorepeat");
    outer->addWidget(top);

    auto* autostart = new QGroupBox("Auto Start Movie");
    auto* af = newForm(autostart);
    addCheck(af, "MovieAutostartenable", "MovieAutostartenable");
    auto* file = addLineEdit(af, "MovieAutostartFilename", "MovieAutostartFilename", Kind::Text);
    attachBrowseButton(af, file, "MovieAutostartBrowse", [this] {
        return m_env.browseMovie ? m_env.browseMovie(QString::fromStdString(m_live.folder(StationFolder::Movies))) : QString{};
    });
    for (const char* name : {"MovieAutostartLeft", "MovieAutostartTop", "MovieAutostartWidth", "MovieAutostartHeight"})
        addLineEdit(af, name, name, Kind::Number);
    outer->addWidget(autostart);
    outer->addStretch();
    return page;
}

QWidget* TConfiguration::buildRepeaterPage()
{
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    auto* note = new QLabel("All times in seconds");
    outer->addWidget(note);
    auto* body = new QWidget;
    auto* form = newForm(body);
    addLineEdit(form, "RepeaterBeaconinterval", "RepeaterBeaconinterval", Kind::Number);
    addLineEdit(form, "Repeateractiveafter1750", "Repeateractiveafter1750", Kind::Number, -1,
                "stay active after (0 for always active):");
    QStringList tones;
    for (int hz = 1550; hz <= 2250; hz += 100)
        tones << QString::number(hz);
    addCombo(form, "RepeaterFrequency", "RepeaterFrequency", Kind::ValueCombo, tones, -1, "Hz tone:");
    addLineEdit(form, "RepeaterBandwidth", "RepeaterBandwidth", Kind::Number, -1, "+/- Hz:");
    addLineEdit(form, "Repeateractiveafterrepeat", "Repeateractiveafterrepeat", Kind::Number);
    addLineEdit(form, "Repeateractiveafterbeacon", "Repeateractiveafterbeacon", Kind::Number);
    addLineEdit(form, "RepeaterDelaybeforeTX", "RepeaterDelaybeforeTX", Kind::Number);
    addCombo(form, "RepeaterTXMode", "RepeaterTXMode", Kind::IndexCombo, m_env.sstvModeNames);
    addLineEdit(form, "SSTV_MaxrepeatedPics", "SSTV_MaxrepeatedPics", Kind::Number);
    addLineEdit(form, "Resetbeacontimer", "Resetbeacontimer", Kind::Number);
    addCombo(form, "ShowlastRXNumber", "ShowlastRXNumber", Kind::IndexCombo, {"1", "4", "9", "16"}, -1,
             "Transmit a summary beacon of the last pictures:", 1);
    addLineEdit(form, "Showlastrxevery", "Showlastrxevery", Kind::Number, -1, "after beacon periods:");
    addLineEdit(form, "RepeaterStampText", "RepeaterStampText", Kind::Text);
    addLineEdit(form, "Repeaterpicturestamptext", "Repeaterpicturestamptext", Kind::Text);
    addLineEdit(form, "Repeaterpicturetimestamptext", "Repeaterpicturetimestamptext", Kind::Text);
    addCheck(form, "RepeaterSK", "RepeaterSK");
    addCheck(form, "TX1750BeforeBeacon", "TX1750BeforeBeacon");
    outer->addWidget(body);
    outer->addStretch();
    return page;
}

QWidget* TConfiguration::buildExternalProgramsPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    m_externalGrid = new QTableWidget(cfg::kExternalProgramRows, 4);
    m_externalGrid->setObjectName("Externalmodelist");
    m_externalGrid->setHorizontalHeaderLabels({"Name", "A/V", "LOD-file", "Program to run"});
    m_externalGrid->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    m_externalGrid->setColumnWidth(0, 160);
    m_externalGrid->setColumnWidth(1, 48);
    m_externalGrid->setColumnWidth(2, 110);
    m_externalGrid->installEventFilter(this);
    layout->addWidget(m_externalGrid);
    return page;
}

QWidget* TConfiguration::buildFrequencyPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    for (int n = 1; n <= 4; ++n) {
        const QString p = QString("radio.%1.").arg(n);
        auto* box = new QGroupBox(QString("Radio %1").arg(n));
        auto* form = newForm(box);
        auto* command = addLineEdit(form, QString("Radio%1").arg(n), p + "command", Kind::Text, -1, "Command:");
        attachBrowseButton(form, command, QString("Radio%1Browse").arg(n), [this] {
            return m_env.browseProgram ? m_env.browseProgram() : QString{};
        });
        auto* ptc = addCheck(form, QString("PTCRadio%1").arg(n), p + "ptcControl", -1, "PTC-II ctrl");
        auto* ascii = addCheck(form, QString("ASCIIRADIO%1").arg(n), p + "asciiControl", -1, "ASCII ctrl");
        // The two control kinds exclude each other.
        connect(ptc, &QCheckBox::toggled, this, [this, ascii](bool on) {
            if (on && !m_loading)
                ascii->setChecked(false);
            updateRadioVisibility();
        });
        connect(ascii, &QCheckBox::toggled, this, [this, ptc](bool on) {
            if (on && !m_loading)
                ptc->setChecked(false);
            updateRadioVisibility();
        });
        addCombo(form, n == 4 ? "ASCIIPort4" : QString("ASCIIPORT%1").arg(n), p + "comPort", Kind::IndexCombo, kPorts,
                 -1, "Port:");
        addLineEdit(form, QString("ASCIIBAUD%1").arg(n), p + "baudRate", Kind::Number, -1, "Baud:");
        auto* type = addCombo(form, QString("Asciityp%1").arg(n), p + "type", Kind::IndexCombo, radioTypeNames(), -1,
                              "Type:");
        connect(type, &QComboBox::currentIndexChanged, this, [this, command](int t) {
            // rigctld needs an address; the usual one is filled in.
            if (!m_loading && t == int(station::RadioType::Rigctld) && command->text().trimmed().isEmpty()) {
                command->setText(QString::fromLatin1(station::kDefaultRigctldEndpoint.data()));
                commitControl(command);
            }
            updateRadioVisibility();
        });
        addLineEdit(form, QString("ASCIIADDRESS%1").arg(n), p + "address", Kind::Text, -1, "Addr/VFO:");
        grid->addWidget(box, (n - 1) / 2, (n - 1) % 2, Qt::AlignTop);
    }
    grid->setRowStretch(2, 1);
    return page;
}

QWidget* TConfiguration::buildDirectoriesPage()
{
    auto* page = new QWidget;
    auto* form = newForm(page);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    for (const char* name :
         {"RTTY_TextDir", "FAX_Lastreceiveddir", "SSTV_Lastreceiveddir", "SStv_Moviedir", "SSTV_Picturedir"})
        addLineEdit(form, name, name, Kind::Text);
    return page;
}

// A "..." button beside a text field; what the chooser returns is entered as if typed.
void TConfiguration::attachBrowseButton(QFormLayout* form, QLineEdit* edit, const QString& name,
                                        std::function<QString()> choose)
{
    int row = -1;
    QFormLayout::ItemRole role;
    form->getWidgetPosition(edit, &row, &role);
    auto* holder = new QWidget;
    auto* h = new QHBoxLayout(holder);
    h->setContentsMargins(0, 0, 0, 0);
    form->removeWidget(edit);
    h->addWidget(edit);
    auto* browse = new QPushButton("...");
    browse->setObjectName(name);
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance("...") + 24);
    h->addWidget(browse);
    form->setWidget(row, QFormLayout::FieldRole, holder);
    connect(browse, &QPushButton::clicked, this, [this, edit, choose = std::move(choose)] {
        const QString chosen = choose();
        if (!chosen.isEmpty()) {
            edit->setText(chosen);
            commitControl(edit);
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Binding between controls and fields

const ConfigField* TConfiguration::fieldOf(const Binding& b) const
{
    int row = b.row == 0 ? m_faxRow : m_rttyRow;
    return findConfigField(fieldName(b.field, row).toStdString());
}

TConfiguration::Binding* TConfiguration::bindingOf(QWidget* w)
{
    for (auto& b : m_bindings)
        if (b.widget == w)
            return &b;
    return nullptr;
}

// The factor between what the dialog shows and what is stored: the soundcard's rates are stored
// as two thirds of the entered sample rate, baud rates as baud × 10000.
double TConfiguration::scaleFor(const Binding& b) const
{
    if (isScaledByInterface(b.field) && m_live.i32(cfg::kInterfaceType) == InterfaceSoundCard)
        return 2.0 / 3.0;
    if (b.field.endsWith("baudE4"))
        return 10000.0;
    return 1.0;
}

QString TConfiguration::shownText(const Binding& b) const
{
    const ConfigField* f = fieldOf(b);
    if (!f)
        return {};
    if (f->kind == FieldKind::Text)
        return QString::fromStdString(fieldValueText(m_live, *f));
    double v = std::stod(fieldValueText(m_live, *f)) / scaleFor(b);
    if (b.kind == Kind::Real)
        return QString::number(v, 'f', 3);
    if (b.field.endsWith("baudE4"))
        return QString::number(v, 'g', 6);
    return QString::number(static_cast<long long>(std::llround(v)));
}

void TConfiguration::load(const Binding& b)
{
    const ConfigField* f = fieldOf(b);
    if (!f)
        return;
    QSignalBlocker block(b.widget);
    const QString text = shownText(b);
    switch (b.kind) {
    case Kind::Number:
    case Kind::Real:
    case Kind::Text:
        static_cast<QLineEdit*>(b.widget)->setText(text);
        break;
    case Kind::Check: {
        auto* button = static_cast<QAbstractButton*>(b.widget);
        bool on = text.toInt() != 0;
        button->setChecked(on);
        // The partner of a radio pair shows the opposite state.
        if (auto* radio = qobject_cast<QRadioButton*>(button); radio && !on)
            for (auto* other : radio->parentWidget()->findChildren<QRadioButton*>())
                if (other != radio) {
                    QSignalBlocker ob(other);
                    other->setChecked(true);
                }
        break;
    }
    case Kind::IndexCombo: {
        auto* combo = static_cast<QComboBox*>(b.widget);
        int index = text.toInt() - b.indexBase;
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : (combo->count() ? 0 : -1));
        break;
    }
    case Kind::ValueCombo:
    case Kind::TextCombo:
    case Kind::NumberCombo: {
        auto* combo = static_cast<QComboBox*>(b.widget);
        int index = combo->findText(text);
        if (combo->isEditable()) {
            combo->setCurrentIndex(index);
            combo->setEditText(text);
        } else {
            if (index < 0) {
                combo->addItem(text);
                index = combo->count() - 1;
            }
            combo->setCurrentIndex(index);
        }
        break;
    }
    }
}

void TConfiguration::loadAll()
{
    m_loading = true;
    m_faxRow = std::clamp<int>(m_live.u8(fax::kCurrentFaxModeOffset), 0, 15);
    m_rttyRow = std::clamp<int>(m_live.i8(text::kCurrentRttyModeOffset), 0, 9);
    {
        QSignalBlocker a(m_faxRowSpin), b(m_rttyRowSpin);
        m_faxRowSpin->setValue(m_faxRow);
        m_rttyRowSpin->setValue(m_rttyRow);
    }
    // An index outside the device list becomes 0.
    int sound = m_live.i32(cfg::kSoundDevice);
    if (sound < 0 || sound >= m_soundcard->count())
        m_live.setI32(cfg::kSoundDevice, 0);
    int mixer = m_live.i32(cfg::kMixerDevice);
    if (mixer < 0 || mixer >= m_mixer->count())
        m_live.setI32(cfg::kMixerDevice, static_cast<std::int32_t>(m_env.mixerDevices.size()));
    int txMode = m_live.i32(cfg::kRepeaterTxMode);
    if (txMode < 0 || txMode >= std::max<int>(1, static_cast<int>(m_env.sstvModeNames.size())))
        m_live.setI32(cfg::kRepeaterTxMode, 0);
    fillInputLines();
    for (const auto& b : m_bindings)
        load(b);
    loadExternalPrograms();
    updateInterfaceVisibility();
    updateRadioVisibility();
    m_loading = false;
}

void TConfiguration::activate()
{
    m_backup = m_live;
    loadAll();
}

void TConfiguration::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    activate();
}

QString TConfiguration::rangeMessage(const ConfigField& field)
{
    return QString::fromStdString(describe(SetFieldResult::OutOfRange, field));
}

bool TConfiguration::store(Binding& b)
{
    const ConfigField* f = fieldOf(b);
    if (!f)
        return true;
    switch (b.kind) {
    case Kind::Text: {
        auto* edit = static_cast<QLineEdit*>(b.widget);
        std::string t = edit->text().toStdString().substr(0, f->capacity());
        setFieldFromText(m_live, *f, t, false);
        return true;
    }
    case Kind::Check:
        m_live.setU8(f->offset, static_cast<QAbstractButton*>(b.widget)->isChecked() ? 1 : 0);
        return true;
    case Kind::IndexCombo: {
        int index = static_cast<QComboBox*>(b.widget)->currentIndex();
        if (index < 0)
            index = 0;
        setFieldFromText(m_live, *f, std::to_string(index + b.indexBase), false);
        return true;
    }
    case Kind::TextCombo: {
        std::string t = static_cast<QComboBox*>(b.widget)->currentText().toStdString().substr(0, f->capacity());
        setFieldFromText(m_live, *f, t, false);
        return true;
    }
    case Kind::ValueCombo:
    case Kind::Number:
    case Kind::Real:
    case Kind::NumberCombo:
        break;
    }

    // Numeric entry check: the entered (shown) value must lie in the range; on failure the old
    // value returns and the setting stays as it was.
    QString text = b.kind == Kind::Number || b.kind == Kind::Real ? static_cast<QLineEdit*>(b.widget)->text()
                                                                  : static_cast<QComboBox*>(b.widget)->currentText();
    text = text.trimmed();
    const double scale = scaleFor(b);
    ConfigField shown = *f;
    if (!isScaledByInterface(b.field) && scale != 1.0)
        shown.min = f->min / scale, shown.max = f->max / scale;
    bool ok = false;
    double entered = b.kind == Kind::Real || b.field.endsWith("baudE4") ? text.toDouble(&ok) : text.toLongLong(&ok);
    bool valid = ok && std::isfinite(entered) && (!shown.hasRange || shown.accepts(entered));
    if (!valid) {
        m_env.problem(rangeMessage(shown));
        load(b);
        b.widget->setFocus();
        return false;
    }
    double stored = entered * scale;
    std::string value;
    if (f->kind == FieldKind::Double) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", stored);
        value = buf;
    } else {
        value = std::to_string(std::llround(stored));
    }
    if (setFieldFromText(m_live, *f, value, false) != SetFieldResult::Ok) {
        m_env.problem(rangeMessage(shown));
        load(b);
        return false;
    }
    if (b.kind == Kind::Real)
        load(b); // shows the accepted value with three decimals
    return true;
}

void TConfiguration::commitControl(QWidget* control)
{
    if (m_loading)
        return;
    Binding* b = bindingOf(control);
    if (!b)
        return;
    if (control == m_port && m_port->currentIndex() == 0 && m_live.i32(cfg::kInterfaceType) != InterfaceSoundCard) {
        m_env.problem("Port NONE only allowed for Sound card interface type!");
        load(*b);
        return;
    }
    if (store(*b) && b->field == "handleColorIndex") {
        int index = std::clamp(m_live.i32(cfg::kHandleColourIndex), 0, 15);
        m_live.setI32(cfg::kHandleColour, kHandleColourValues[index]);
    }
}

bool TConfiguration::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_externalGrid) {
        if (event->type() == QEvent::FocusOut && !m_loading)
            storeExternalPrograms();
        if (event->type() == QEvent::KeyPress && m_externalGrid->currentColumn() == 1) {
            auto* key = static_cast<QKeyEvent*>(event);
            auto* item = m_externalGrid->currentItem();
            if (!item) {
                item = new QTableWidgetItem;
                m_externalGrid->setItem(m_externalGrid->currentRow(), 1, item);
            }
            // A/V: "A" and "V" set the value, the space bar toggles it, every other key is ignored.
            if (key->key() == Qt::Key_A)
                item->setText("A");
            else if (key->key() == Qt::Key_V)
                item->setText("V");
            else if (key->key() == Qt::Key_Space)
                item->setText(item->text() == "V" ? "A" : "V");
            else if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Left ||
                     key->key() == Qt::Key_Right || key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)
                return false;
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Interface page rules

void TConfiguration::interfaceTypeChanged(int type)
{
    if (type < 0 || type > 4)
        return;
    applyInterfaceTypeDefaults(m_live, type);
    const InterfaceDefaults& d = kInterfaceDefaults[type];
    m_loading = true;
    for (const auto& b : m_bindings)
        load(b);
    m_loading = false;
    // The proposed values go through their own checks, as if typed.
    m_txOffset->setText("0.000");
    m_baud->setText(d.baud);
    m_dataRate->setText(d.dataRate);
    commitControl(m_txOffset);
    commitControl(m_baud);
    commitControl(m_dataRate);
    loadExternalPrograms();
    updateInterfaceVisibility();
}

void TConfiguration::updateInterfaceVisibility()
{
    const int type = m_live.i32(cfg::kInterfaceType);
    const bool valid = type >= 0 && type <= 4;
    const InterfaceDefaults& d = kInterfaceDefaults[valid ? type : InterfaceSoundCard];
    m_baud->setReadOnly(!d.baudEditable);
    if (m_baudLabel)
        m_baudLabel->setText(type == InterfacePtc2 ? "PTC-II SERBaud:" : "Baud rate:");
    const bool programs = type == InterfaceEasyDsp || type == InterfaceOther;
    m_programGroup->setVisible(programs);
    m_programGroup->setTitle(d.groupCaption);
    for (auto* e : m_programEdits)
        e->setReadOnly(type == InterfaceEasyDsp);
    m_soundGroup->setVisible(type == InterfaceSoundCard);
    m_hariFaxInfo->setVisible(type == InterfaceHariFax);
    // "Auto" (the entry after the devices) or no mixer at all: the mixer is controlled outside.
    const bool autoMixer = m_mixer->currentIndex() == m_mixer->count() - 1;
    if (autoMixer && !m_disableMixer->isChecked()) {
        m_disableMixer->setChecked(true);
        m_live.setFlag(cfg::kExternalMixerControl, true);
    }
    m_disableMixer->setEnabled(!autoMixer);
    const bool easyDsp = type == InterfaceEasyDsp;
    m_externalGrid->setColumnHidden(1, !easyDsp);
    m_externalGrid->setColumnHidden(2, !easyDsp);
}

void TConfiguration::fillInputLines()
{
    const int mixer = m_live.i32(cfg::kMixerDevice);
    QStringList lines;
    if (mixer >= 0 && mixer < m_env.mixerDevices.size())
        lines = m_env.mixerInputLines(mixer);
    for (auto* combo : m_inputLines) {
        QSignalBlocker block(combo);
        combo->clear();
        combo->addItems(lines);
    }
}

void TConfiguration::mixerChanged(int index)
{
    m_live.setI32(cfg::kMixerDevice, index);
    for (std::size_t off : {cfg::kSstvInputLine, cfg::kFmInputLine, cfg::kAmInputLine})
        m_live.setI32(off, 0);
    fillInputLines();
    m_loading = true;
    for (const auto& b : m_bindings)
        if (std::find(m_inputLines.begin(), m_inputLines.end(), b.widget) != m_inputLines.end())
            load(b);
    m_loading = false;
    updateInterfaceVisibility();
}

// ---------------------------------------------------------------------------------------------
// Row pages

void TConfiguration::faxRowChanged(int row)
{
    // Leaving the old row stores what is still being typed into it.
    if (QWidget* focus = QApplication::focusWidget(); focus && bindingOf(focus))
        commitControl(focus);
    m_faxRow = row;
    m_live.setU8(fax::kCurrentFaxModeOffset, static_cast<std::uint8_t>(row));
    m_loading = true;
    for (const auto& b : m_bindings)
        if (b.row == 0)
            load(b);
    m_loading = false;
}

void TConfiguration::rttyRowChanged(int row)
{
    if (QWidget* focus = QApplication::focusWidget(); focus && bindingOf(focus))
        commitControl(focus);
    m_rttyRow = row;
    m_live.setU8(text::kCurrentRttyModeOffset, static_cast<std::uint8_t>(row));
    m_loading = true;
    for (const auto& b : m_bindings)
        if (b.row == 1)
            load(b);
    m_loading = false;
}

// ---------------------------------------------------------------------------------------------
// External programs

void TConfiguration::loadExternalPrograms()
{
    const bool wasLoading = m_loading;
    m_loading = true;
    for (int r = 0; r < cfg::kExternalProgramRows; ++r) {
        const std::size_t base = cfg::kExternalPrograms + cfg::kExternalProgramSize * static_cast<std::size_t>(r);
        const QString cells[4]{QString::fromStdString(m_live.str(base, 20)),
                               QString::fromStdString(m_live.str(base + 21, 20)),
                               QString::fromStdString(m_live.str(base + 42, 20)),
                               QString::fromStdString(m_live.str(base + 63, 255))};
        for (int c = 0; c < 4; ++c)
            m_externalGrid->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    m_loading = wasLoading;
}

void TConfiguration::storeExternalPrograms()
{
    const bool easyDsp = m_live.i32(cfg::kInterfaceType) == InterfaceEasyDsp;
    auto cell = [this](int r, int c) {
        auto* item = m_externalGrid->item(r, c);
        return item ? item->text().trimmed().toStdString() : std::string{};
    };
    // Rows with a name are stored first, in order; the rest are cleared.
    int out = 0;
    std::vector<std::array<std::string, 4>> rows;
    for (int r = 0; r < cfg::kExternalProgramRows; ++r)
        if (!cell(r, 0).empty())
            rows.push_back({cell(r, 0), cell(r, 1), cell(r, 2), cell(r, 3)});
    for (int r = 0; r < cfg::kExternalProgramRows; ++r) {
        const std::size_t base = cfg::kExternalPrograms + cfg::kExternalProgramSize * static_cast<std::size_t>(r);
        if (out < static_cast<int>(rows.size())) {
            const auto& row = rows[static_cast<std::size_t>(out++)];
            m_live.setStr(base, 20, row[0].substr(0, 20));
            if (easyDsp) {
                m_live.setStr(base + 21, 20, row[1].substr(0, 20));
                m_live.setStr(base + 42, 20, row[2].substr(0, 20));
            }
            m_live.setStr(base + 63, 255, row[3].substr(0, 255));
        } else {
            for (auto [off, cap] : {std::pair{0, 20}, {21, 20}, {42, 20}, {63, 255}})
                m_live.setStr(base + static_cast<std::size_t>(off), static_cast<std::size_t>(cap), "");
        }
    }
    loadExternalPrograms();
}

void TConfiguration::updateRadioVisibility()
{
    const auto show = [this](const QString& name, bool on) {
        if (auto* w = findChild<QWidget*>(name)) {
            w->setVisible(on);
            if (auto* form = qobject_cast<QFormLayout*>(w->parentWidget()->layout()))
                if (auto* label = form->labelForField(w))
                    label->setVisible(on);
        }
    };
    for (int n = 1; n <= 4; ++n) {
        auto* ascii = findChild<QCheckBox*>(QString("ASCIIRADIO%1").arg(n));
        auto* type = findChild<QComboBox*>(QString("Asciityp%1").arg(n));
        if (!ascii || !type)
            continue;
        const bool on = ascii->isChecked();
        const auto t = static_cast<station::RadioType>(type->currentIndex());
        const bool serial = on && station::radioTypeUsesSerialPort(t);
        show(n == 4 ? "ASCIIPort4" : QString("ASCIIPORT%1").arg(n), serial);
        show(QString("ASCIIBAUD%1").arg(n), serial);
        show(QString("Asciityp%1").arg(n), on);
        show(QString("ASCIIADDRESS%1").arg(n), on && station::radioTypeUsesAddress(t));
    }
}

// ---------------------------------------------------------------------------------------------
// Buttons

void TConfiguration::okClicked()
{
    if (QWidget* focus = QApplication::focusWidget(); focus && bindingOf(focus))
        commitControl(focus);
    storeExternalPrograms();
    if (m_env.setUpFolders)
        m_env.setUpFolders();
    if (m_env.saveConfiguration)
        m_env.saveConfiguration();
    accept();
}

void TConfiguration::cancelClicked()
{
    reject();
}

void TConfiguration::reject()
{
    // Cancel, Escape and the window's close button all put back the configuration as it was; the
    // first set-up has no way back.
    if (m_firstTime)
        return;
    m_live = m_backup;
    QDialog::reject();
}

void TConfiguration::resetClicked()
{
    if (m_firstTime)
        return;
    if (m_env.confirmReset(kResetQuestion)) {
        m_reset = true;
        if (m_env.deleteStandardFile)
            m_env.deleteStandardFile();
        accept();
        return;
    }
    m_live = m_backup;
    loadAll();
}

} // namespace tellur::ui
