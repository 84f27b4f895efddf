#include "fax/ui/fax_tools.h"

#include "ui/station_context.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace tellur::ui {

namespace {
QToolButton* switchButton(QWidget* parent, const char* name, const QString& text, const QString& hint, bool checkable)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setCheckable(checkable);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumWidth(72);
    return b;
}
} // namespace

TFAXToolWin::TFAXToolWin(StationContext& station, QWidget* parent)
    : TMyform(parent, Qt::Tool)
    , m_station(station)
{
    setObjectName("TFAXToolWin");
    setWindowTitle("FAX-Tools");
    setSwallowAltF4(true);
    auto& c = station.config;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* grid = new QGridLayout;
    grid->setSpacing(4);
    m_autosave = switchButton(this, "Autosavebutton", "Auto save", "save received pictures automatically", true);
    m_autoprint = switchButton(this, "Autoprintbutton", "Auto print", "print received pictures automatically", true);
    m_timestamp = switchButton(this, "TimestampButton", "Stamp", "date/time stamp received pictures", true);
    m_autolpm = switchButton(this, "AutolpmButton", "Auto LPM", "Automatic LPM recognition", true);
    m_slant = switchButton(this, "Slantbutton", "Slant...", "Slant correction", false);
    m_clear = switchButton(this, "SpeedButton6", "Clear", "clear RX window", false);
    grid->addWidget(m_autosave, 0, 0);
    grid->addWidget(m_autoprint, 0, 1);
    grid->addWidget(m_timestamp, 0, 2);
    grid->addWidget(m_autolpm, 1, 0);
    grid->addWidget(m_slant, 1, 1);
    grid->addWidget(m_clear, 1, 2);
    layout->addLayout(grid);

    m_squelchLabel = new QLabel("APT squelch threshold", this);
    m_squelchLabel->setObjectName("SquelchLabel");
    layout->addWidget(m_squelchLabel);
    auto* sq = new QHBoxLayout;
    m_squelchthreshold = new QSlider(Qt::Horizontal, this);
    m_squelchthreshold->setObjectName("Squelchthreshold");
    m_squelchthreshold->setToolTip("APT squelch threshold");
    m_squelchthreshold->setRange(0, 50);
    m_squelchval = new QProgressBar(this);
    m_squelchval->setObjectName("Squelchval");
    m_squelchval->setRange(0, 50);
    m_squelchval->setTextVisible(false);
    m_squelchval->setFixedHeight(12);
    sq->addWidget(m_squelchthreshold, 1);
    sq->addWidget(m_squelchval, 1);
    layout->addLayout(sq);

    m_autosave->setChecked(c.flag(cfg::kFaxAutoSave));
    m_autoprint->setChecked(c.flag(cfg::kFaxAutoPrint));
    m_timestamp->setChecked(c.flag(cfg::kFaxTimestamp));
    m_autolpm->setChecked(c.flag(cfg::kFaxAutoLpm));
    m_squelchthreshold->setValue(c.u8(cfg::kFaxSquelchThreshold));

    connect(m_autosave, &QToolButton::toggled, this, [this](bool on) {
        m_station.config.setFlag(cfg::kFaxAutoSave, on);
        Q_EMIT settingsChanged();
    });
    connect(m_autoprint, &QToolButton::toggled, this, [this](bool on) {
        m_station.config.setFlag(cfg::kFaxAutoPrint, on);
        Q_EMIT settingsChanged();
    });
    connect(m_timestamp, &QToolButton::toggled, this, [this](bool on) {
        m_station.config.setFlag(cfg::kFaxTimestamp, on);
        Q_EMIT settingsChanged();
    });
    connect(m_autolpm, &QToolButton::toggled, this, &TFAXToolWin::settingsChanged);
    connect(m_squelchthreshold, &QSlider::valueChanged, this, [this](int v) {
        m_station.config.setU8(cfg::kFaxSquelchThreshold, std::uint8_t(v));
        Q_EMIT settingsChanged();
    });
    connect(m_slant, &QToolButton::clicked, this, &TFAXToolWin::slantRequested);
    connect(m_clear, &QToolButton::clicked, this, &TFAXToolWin::clearRequested);

    adjustSize();
    QPoint pos(c.i32(cfg::kFaxToolsLeft), c.i32(cfg::kFaxToolsTop));
    if (pos.x() == cfg::kWindowUnset || pos.y() == cfg::kWindowUnset)
        pos = QPoint(100, 100);
    pos = keptOnScreen(pos);
    move(pos);
    m_createdAt = pos;
}

void TFAXToolWin::setSquelchVisible(bool on)
{
    for (QWidget* w : {static_cast<QWidget*>(m_squelchthreshold), static_cast<QWidget*>(m_squelchLabel),
                       static_cast<QWidget*>(m_squelchval)}) {
        w->setEnabled(on);
        w->setVisible(on);
    }
    adjustSize();
}

void TFAXToolWin::setSquelchValue(int v)
{
    m_squelchval->setValue(std::clamp(v, 0, 50));
}

void TFAXToolWin::FormCloseQuery()
{
    if (pos() != m_createdAt) {
        m_station.config.setI32(cfg::kFaxToolsLeft, x());
        m_station.config.setI32(cfg::kFaxToolsTop, y());
    }
}

namespace {
const char* const kSubZoom[] = {"100%", "4 : 1", "3 : 1", "2 : 1", "1 : 1", "1 : 2", "1 : 3", "1 : 4", "1 : 5", "1 : 6"};
// The same captions' places in the receive window's zoom list.
const int kSubZoomToReceive[] = {0, 1, 3, 5, 7, 9, 11, 13, 15, 17};
} // namespace

TZoomwindow::TZoomwindow(QWidget* parent)
    : TMyform(parent, Qt::Tool)
{
    setObjectName("TZoomwindow");
    setWindowTitle("Zoom");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(new QLabel("Zoom:", this));
    m_subZoom = new QComboBox(this);
    m_subZoom->setObjectName("SubZoom");
    for (const char* z : kSubZoom)
        m_subZoom->addItem(z);
    layout->addWidget(m_subZoom);
    connect(m_subZoom, &QComboBox::activated, this, [this](int i) {
        if (i <= 0)
            return;
        Q_EMIT zoomChosen(receiveZoomIndex(i));
        close();
    });
    move(40, 60);
}

int TZoomwindow::receiveZoomIndex(int subZoomIndex)
{
    if (subZoomIndex < 0 || subZoomIndex >= int(std::size(kSubZoomToReceive)))
        return 7;
    return kSubZoomToReceive[subZoomIndex];
}

TSlantwindow::TSlantwindow(bool german, QWidget* parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName("TSlantwindow");
    setWindowTitle("Slant correction");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(german ? "Deutschtext" : "ActiveMemo");
    memo->setReadOnly(true);
    memo->setPlainText(german
        ? "Klicken Sie im Bild auf einen Punkt einer Kante, die senkrecht sein sollte, und dann auf einen "
          "zweiten, möglichst weit entfernten Punkt derselben Kante.\n\nMit OK wird die Datenrate korrigiert "
          "und der Empfang neu gestartet; Abort lässt sie unverändert."
        : "Click on a point of an edge in the picture that should be vertical, then on a second point of "
          "the same edge as far away as possible.\n\nOK corrects the data rate and restarts reception; "
          "Abort leaves it unchanged.");
    memo->setMinimumSize(320, 110);
    layout->addWidget(memo);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_ok = new QPushButton("OK", this);
    m_ok->setObjectName("OKButton");
    m_ok->setEnabled(false);
    m_abort = new QPushButton("Abort", this);
    m_abort->setObjectName("AbortButton");
    buttons->addWidget(m_ok);
    buttons->addWidget(m_abort);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, [this] { Q_EMIT okClicked(m_slant); });
    connect(m_abort, &QPushButton::clicked, this, &TSlantwindow::abortClicked);
}

void TSlantwindow::setSlant(float s)
{
    m_slant = s;
    m_ok->setEnabled(true);
}

void TSlantwindow::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        QDialog::keyPressEvent(e);
    else
        e->accept();
}

} // namespace tellur::ui
