#include "text/ui/rtty_text.h"

#include "core/station_time.h"
#include "settings/text_window_fields.h"
#include "text/ui/rtty_rx_win.h"
#include "ui/dialogs.h"
#include "ui/station_context.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace tellur::ui {

namespace {

QPointer<TRTTYText> g_viewer;

QToolButton* tool(QWidget* parent, const char* name, const QString& text, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    return b;
}

QLineEdit* field(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    return e;
}

// Whole days from then to now, truncated.
int ageDays(double now, double then) { return int(std::trunc(now - then)); }

QStringList toList(const std::vector<std::string>& v)
{
    QStringList out;
    for (const std::string& s : v)
        out << QString::fromStdString(s);
    return out;
}

// The type key of a type entry, the station key of a station entry ("" for item 0).
std::string keyOf(const QComboBox* box)
{
    return box->currentIndex() <= 0 ? std::string() : box->currentText().left(1).toStdString();
}

} // namespace

QString viewerTime(double dayTime)
{
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const DateTime t = dateTimeFromDays(dayTime);
    return QString::asprintf("%02d%02d%02d UTC %s", t.day, t.hour, t.minute, kMonths[(t.month + 11) % 12]);
}

const QStringList& TDeletewindow::ageEntries()
{
    static const QStringList kAges{"365", "180", "90", "30", "10", "3", "0"};
    return kAges;
}

TDeletewindow::TDeletewindow(const QStringList& types, const QStringList& stations, QWidget* parent) : QDialog(parent)
{
    setObjectName("TDeletewindow");
    setWindowTitle("Delete messages");
    auto* form = new QFormLayout(this);
    m_types = new QComboBox(this);
    m_types->setObjectName("NavTypedelselect");
    m_types->addItems(types);
    m_stations = new QComboBox(this);
    m_stations->setObjectName("Stationdelselect");
    m_stations->addItems(stations);
    m_days = new QComboBox(this);
    m_days->setObjectName("Daysselect");
    m_days->addItems(ageEntries());
    form->addRow("Message type:", m_types);
    form->addRow("Station:", m_stations);
    form->addRow("Older than (days):", m_days);
    connect(m_types, &QComboBox::activated, this, [this] {
        const bool rtty = keyOf(m_types) == "@";
        if (rtty)
            m_stations->setCurrentIndex(0);
        m_stations->setEnabled(!rtty);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

std::string TDeletewindow::filter() const { return text::buildFilterExpression(keyOf(m_types), keyOf(m_stations)); }

int TDeletewindow::days() const { return m_days->currentText().toInt(); }

void TDeletewindow::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_F4 && (e->modifiers() & Qt::AltModifier))
        return;
    QDialog::keyPressEvent(e);
}

TRTTYText* TRTTYText::instance() { return g_viewer; }

TRTTYText* TRTTYText::open(StationContext& station, Dialogs& dialogs, QWidget* parent)
{
    if (!g_viewer)
        g_viewer = new TRTTYText(station, dialogs, parent);
    g_viewer->show();
    g_viewer->raise();
    return g_viewer;
}

TRTTYText::TRTTYText(StationContext& station, Dialogs& dialogs, QWidget* parent)
    : TMyform(parent, Qt::Window), m_station(station), m_dialogs(dialogs)
{
    setObjectName("TRTTYText");
    setWindowTitle("Selective messages viewer");
    setAttribute(Qt::WA_DeleteOnClose);
    m_runDelete = [](TDeletewindow& w) { return w.exec() == QDialog::Accepted; };
    m_printDialog = [this](QPrinter& p) {
        QPrintDialog d(&p, this);
        return d.exec() == QDialog::Accepted;
    };
    const std::filesystem::path db = m_station.folderField(StationFolder::NavtexDatabase);
    m_synopStations.load(db / text::SynopStationList::kFileName);
    m_names.load(db / text::NavtexStationNames::kFileName);
    try {
        m_store = std::make_unique<text::MessageStore>(db);
    } catch (const std::exception&) {
        // The viewer stays usable with an empty list.
    }
    buildControls();

    auto restore = [&](QComboBox* box, std::size_t off) {
        const int i = m_station.config.i32(off);
        box->setCurrentIndex(i >= 0 && i < box->count() ? i : 0);
    };
    restore(m_areaSelect, cfg::kViewerAreaSelection);
    chooseArea(m_areaSelect->currentIndex());
    restore(m_typeSelect, cfg::kViewerTypeSelection);
    restore(m_stationSelect, cfg::kViewerStationSelection);
    m_typeKey = keyOf(m_typeSelect);
    m_stationSelect->setEnabled(m_typeKey != "@");
    m_stationKey = keyOf(m_stationSelect);
    m_filter = text::buildFilterExpression(m_typeKey, m_stationKey);
    setSort(Sort::First);

    const std::int32_t left = m_station.config.i32(cfg::kViewerWindowLeft);
    if (left == cfg::kWindowUnset) {
        resize(760, 520);
    } else {
        move(keptOnScreen(QPoint(left, m_station.config.i32(cfg::kViewerWindowTop))));
        resize(m_station.config.i32(cfg::kViewerWindowWidth), m_station.config.i32(cfg::kViewerWindowHeight));
    }
}

TRTTYText::~TRTTYText()
{
    waitForSave();
    m_station.config.setI32(cfg::kViewerWindowLeft, x());
    m_station.config.setI32(cfg::kViewerWindowTop, y());
    m_station.config.setI32(cfg::kViewerWindowWidth, width());
    m_station.config.setI32(cfg::kViewerWindowHeight, height());
    m_station.config.setI32(cfg::kViewerAreaSelection, m_areaSelect->currentIndex());
    m_station.config.setI32(cfg::kViewerTypeSelection, m_typeSelect->currentIndex());
    m_station.config.setI32(cfg::kViewerStationSelection, m_stationSelect->currentIndex());
}

void TRTTYText::closeEvent(QCloseEvent* e) { e->accept(); }

// A double click on the source decodes the message again into a message box.
bool TRTTYText::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonDblClick && watched == m_source->viewport() && current()) {
        std::vector<std::string> decoded;
        text::decodeSynop(currentLines(), decoded, m_synopStations);
        m_dialogs.information(this, "Tellur32", toList(decoded).join('\n'));
        return true;
    }
    return TMyform::eventFilter(watched, e);
}

void TRTTYText::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_typeSelect = new QComboBox(this);
    m_typeSelect->setObjectName("NavTypeselect");
    m_typeSelect->addItems(toList(text::messageTypeEntries()));
    m_areaSelect = new QComboBox(this);
    m_areaSelect->setObjectName("Navareaselect");
    m_areaSelect->addItems(toList(text::navareaEntries()));
    m_stationSelect = new QComboBox(this);
    m_stationSelect->setObjectName("Stationselect");
    connect(m_typeSelect, &QComboBox::activated, this, &TRTTYText::chooseType);
    connect(m_areaSelect, &QComboBox::activated, this, &TRTTYText::chooseArea);
    connect(m_stationSelect, &QComboBox::activated, this, &TRTTYText::chooseStation);
    top->addWidget(m_typeSelect);
    top->addWidget(m_areaSelect);
    top->addWidget(m_stationSelect);
    top->addStretch(1);
    m_sortFirst = tool(this, "Sort_First", "9-0", "Sort by first reception");
    m_sortLast = tool(this, "Sort_Last", "9-0", "Sort by last reception");
    m_sortId = tool(this, "Sort_ID", "A-Z", "Sort by identifier");
    connect(m_sortFirst, &QToolButton::clicked, this, [this] { setSort(Sort::First); });
    connect(m_sortLast, &QToolButton::clicked, this, [this] { setSort(Sort::Last); });
    connect(m_sortId, &QToolButton::clicked, this, [this] { setSort(Sort::Id); });
    m_saveButton = tool(this, "SaveButton", "Save", "Save Message as text file");
    m_printButton = tool(this, "PrintButton", "Print", "Print message");
    m_deleteButton = tool(this, "DeleteButton", "Delete", "Delete current message");
    auto* groups = tool(this, "SpeedButton1", "Delete groups", "Delete groups of messages");
    auto* import = tool(this, "SpeedButton2", "Import", "Decode/ add messages from Textfile");
    connect(m_saveButton, &QToolButton::clicked, this, &TRTTYText::saveMessage);
    connect(m_printButton, &QToolButton::clicked, this, &TRTTYText::printMessage);
    connect(m_deleteButton, &QToolButton::clicked, this, &TRTTYText::deleteMessage);
    connect(groups, &QToolButton::clicked, this, &TRTTYText::deleteGroups);
    connect(import, &QToolButton::clicked, this, &TRTTYText::importMessages);
    for (QToolButton* b : {m_sortFirst, m_sortLast, m_sortId, m_saveButton, m_printButton, m_deleteButton, groups, import})
        top->addWidget(b);
    layout->addLayout(top);

    auto* body = new QHBoxLayout;
    m_grid = new QListWidget(this);
    m_grid->setObjectName("IDGrid");
    m_grid->setMaximumWidth(90);
    connect(m_grid, &QListWidget::currentRowChanged, this, &TRTTYText::select);
    body->addWidget(m_grid);
    auto* right = new QVBoxLayout;
    auto* grid = new QGridLayout;
    m_stationName = field(this, "StationName");
    m_quality = field(this, "Quality");
    m_firstRx = field(this, "FirstRX");
    m_lastRx = field(this, "LastRX");
    m_firstAge = field(this, "Firstage");
    m_lastAge = field(this, "Lastage");
    m_received = field(this, "Received");
    m_replaced = field(this, "Replaced");
    grid->addWidget(new QLabel("Station:", this), 0, 0);
    grid->addWidget(m_stationName, 0, 1, 1, 3);
    grid->addWidget(new QLabel("Quality:", this), 0, 4);
    grid->addWidget(m_quality, 0, 5);
    grid->addWidget(new QLabel("First RX:", this), 1, 0);
    grid->addWidget(m_firstRx, 1, 1);
    grid->addWidget(m_firstAge, 1, 2);
    grid->addWidget(new QLabel("days ago", this), 1, 3);
    grid->addWidget(new QLabel("Received:", this), 1, 4);
    grid->addWidget(m_received, 1, 5);
    grid->addWidget(new QLabel("times", this), 1, 6);
    grid->addWidget(new QLabel("Last RX:", this), 2, 0);
    grid->addWidget(m_lastRx, 2, 1);
    grid->addWidget(m_lastAge, 2, 2);
    grid->addWidget(new QLabel("days ago", this), 2, 3);
    grid->addWidget(new QLabel("Replaced:", this), 2, 4);
    grid->addWidget(m_replaced, 2, 5);
    grid->addWidget(new QLabel("times", this), 2, 6);
    right->addLayout(grid);
    m_synopButton = tool(this, "Synopbutton", "View SYNOP", QString());
    connect(m_synopButton, &QToolButton::clicked, this, &TRTTYText::toggleView);
    right->addWidget(m_synopButton, 0, Qt::AlignLeft);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_source = new QPlainTextEdit(this);
    m_source->setObjectName("MessageText");
    m_decoded = new QPlainTextEdit(this);
    m_decoded->setObjectName("SynopText");
    for (QPlainTextEdit* e : {m_source, m_decoded}) {
        e->setReadOnly(true);
        e->setFont(fixed);
        e->setContextMenuPolicy(Qt::CustomContextMenu);
        right->addWidget(e, 1);
    }
    m_source->viewport()->installEventFilter(this);
    auto* popup = new QMenu(this);
    popup->addAction("&Save message", this, &TRTTYText::saveMessage)->setObjectName("SaveMessage1");
    popup->addAction("&Print message", this, &TRTTYText::printMessage)->setObjectName("PrintMessage1");
    m_deleteItem = popup->addAction("&Delete message", this, &TRTTYText::deleteMessage);
    m_deleteItem->setObjectName("DeleteMessage1");
    for (QPlainTextEdit* e : {m_source, m_decoded})
        connect(e, &QWidget::customContextMenuRequested, this, [e, popup](QPoint p) { popup->popup(e->mapToGlobal(p)); });
    body->addLayout(right, 1);
    layout->addLayout(body, 1);
}

void TRTTYText::setSort(Sort s)
{
    m_sort = s;
    for (auto [b, mine] : {std::pair{m_sortFirst, Sort::First}, std::pair{m_sortLast, Sort::Last}, std::pair{m_sortId, Sort::Id}})
        b->setStyleSheet(QString("QToolButton { color: %1; }").arg(mine == s ? "green" : "black"));
    m_index = -1;
    refresh();
}

void TRTTYText::refresh()
{
    const std::string keep = current() ? current()->id : std::string();
    m_view.clear();
    const auto conditions = text::parseFilterExpression(m_filter);
    if (m_store && conditions) {
        const auto order = m_sort == Sort::First  ? text::MessageStore::Order::RxIndex
                           : m_sort == Sort::Last ? text::MessageStore::Order::RxlIndex
                                                  : text::MessageStore::Order::IdIndex;
        m_view = m_store->list(*conditions, order);
    }
    QSignalBlocker block(m_grid);
    m_grid->clear();
    int index = m_view.empty() ? -1 : 0;
    for (std::size_t i = 0; i < m_view.size(); ++i) {
        m_grid->addItem(QString::fromStdString(m_view[i].id));
        if (!keep.empty() && m_view[i].id == keep)
            index = int(i);
    }
    m_grid->setCurrentRow(index);
    m_index = index;
    showMessage();
}

const text::StoredMessage* TRTTYText::current() const
{
    return m_index >= 0 && std::size_t(m_index) < m_view.size() ? &m_view[std::size_t(m_index)] : nullptr;
}

void TRTTYText::select(int index)
{
    m_index = index;
    showMessage();
}

std::vector<std::string> TRTTYText::currentLines() const
{
    std::vector<std::string> lines;
    if (const text::StoredMessage* m = current()) {
        std::string line;
        for (char c : m->message) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else if (c != '\r') {
                line.push_back(c);
            }
        }
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

void TRTTYText::showMessage()
{
    m_source->show();
    m_decoded->hide();
    m_synopButton->hide();
    m_synopShown = false;
    const text::StoredMessage* m = current();
    m_deleteButton->setEnabled(!m_view.empty());
    m_deleteItem->setEnabled(!m_view.empty());
    if (!m) {
        for (QLineEdit* e : {m_stationName, m_quality, m_firstRx, m_lastRx, m_firstAge, m_lastAge, m_received, m_replaced})
            e->clear();
        m_source->clear();
        m_decoded->clear();
        return;
    }
    const std::string name = m_area == "no" ? std::string("not known")
                                            : m_names.name(m_area, m->station.empty() ? 'X' : m->station[0]);
    m_stationName->setText(QString::fromStdString(name));
    const double now = m_station.stationTime();
    const int firstAge = ageDays(now, m->firstRx);
    m_quality->setText(QString::number(m->quality));
    m_firstRx->setText(viewerTime(m->firstRx));
    m_lastRx->setText(viewerTime(m->lastRx));
    m_firstAge->setText(QString::number(firstAge));
    m_lastAge->setText(QString::number(ageDays(now, m->lastRx)));
    m_received->setText(QString::number(m->received));
    m_replaced->setText(QString::number(m->replaced));
    const char* colour = firstAge <= 0 ? "maroon" : firstAge == 1 ? "olive" : "black";
    for (QPlainTextEdit* e : {m_source, m_decoded})
        e->setStyleSheet(QString("QPlainTextEdit { color: %1; }").arg(colour));
    m_source->setPlainText(toList(currentLines()).join('\n'));
    std::vector<std::string> decoded;
    if (text::decodeSynop(currentLines(), decoded, m_synopStations)) {
        m_decoded->setPlainText(toList(decoded).join('\n'));
        m_source->hide();
        m_decoded->show();
        m_synopShown = true;
        m_synopButton->setText("View source");
        m_synopButton->show();
    } else {
        m_decoded->clear();
        m_synopButton->setText("View SYNOP");
    }
}

void TRTTYText::toggleView()
{
    m_synopShown = !m_synopShown;
    m_source->setVisible(!m_synopShown);
    m_decoded->setVisible(m_synopShown);
    m_synopButton->setText(m_synopShown ? "View source" : "View SYNOP");
}

QString TRTTYText::shownText() const { return m_synopShown ? m_decoded->toPlainText() : m_source->toPlainText(); }

void TRTTYText::chooseType(int index)
{
    m_typeSelect->setCurrentIndex(index);
    m_typeKey = keyOf(m_typeSelect);
    if (m_typeKey == "@") {
        m_stationSelect->setCurrentIndex(0);
        m_stationKey.clear();
    }
    m_stationSelect->setEnabled(m_typeKey != "@");
    rebuildFilter();
}

void TRTTYText::chooseStation(int index)
{
    m_stationSelect->setCurrentIndex(index);
    m_stationKey = keyOf(m_stationSelect);
    rebuildFilter();
}

void TRTTYText::chooseArea(int index)
{
    m_areaSelect->setCurrentIndex(index);
    m_area = text::navareaCode(m_areaSelect->currentText().toStdString());
    const int keep = std::max(0, m_stationSelect->currentIndex());
    m_stationSelect->clear();
    m_stationSelect->addItems(toList(m_names.stationEntries(m_area)));
    m_stationSelect->setCurrentIndex(keep < m_stationSelect->count() ? keep : 0);
    showMessage();
}

void TRTTYText::rebuildFilter()
{
    m_filter = text::buildFilterExpression(m_typeKey, m_stationKey);
    refresh();
}

void TRTTYText::saveMessage()
{
    const text::StoredMessage* m = current();
    if (!m || m_saveThread)
        return;
    const QString folder = QString::fromStdString(m_station.folderField(StationFolder::TextmessagesLastReceived).string());
    QString file;
    {
        ModalPause pause(m_station);
        file = m_dialogs.saveFileName(this, "Save message", folder + "/Navtex Message " + QString::fromStdString(m->id) + ".txt",
                                      "Text files (*.txt)");
    }
    if (file.isEmpty())
        return;
    if (!file.endsWith(".txt", Qt::CaseInsensitive))
        file += ".txt";
    m_saveButton->setEnabled(false);
    m_saveThread = std::make_unique<Tsavedialogthread>(file, shownText().split('\n'), this, [this](bool) {
        m_saveThread.reset();
        m_saveButton->setEnabled(true);
    });
}

void TRTTYText::waitForSave()
{
    while (m_saveThread)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void TRTTYText::printMessage()
{
    const text::StoredMessage* m = current();
    if (!m)
        return;
    m_printButton->setEnabled(false);
    QPrinter printer;
    bool go = false;
    {
        ModalPause pause(m_station);
        go = m_printDialog(printer);
    }
    const QString id = QString::fromStdString(m->id);
    if (go)
        printTextDocument(printer, "Navtex message " + id,
                          (m_synopShown ? "SYNOP message " : "Navtex/RTTY message ") + id, shownText().split('\n'));
    m_printButton->setEnabled(true);
}

void TRTTYText::deleteMessage()
{
    const text::StoredMessage* m = current();
    if (!m || !m_store)
        return;
    if (!m_dialogs.question(this, "Confirm", "Delete Message " + QString::fromStdString(m->id) + "?"))
        return;
    if (ageDays(m_station.stationTime(), m->lastRx) <= 3
        && !m_dialogs.question(this, "Warning", "Warning: Message is younger than 4 days. Really delete it?"))
        return;
    m_store->remove(m->rowId);
    refresh();
}

void TRTTYText::deleteGroups()
{
    if (m_view.empty() || !m_store)
        return;
    QStringList types, stations;
    for (int i = 0; i < m_typeSelect->count(); ++i)
        types << m_typeSelect->itemText(i);
    for (int i = 0; i < m_stationSelect->count(); ++i)
        stations << m_stationSelect->itemText(i);
    TDeletewindow window(types, stations, this);
    bool ok = false;
    {
        ModalPause pause(m_station);
        ok = m_runDelete(window);
    }
    if (!ok || !m_dialogs.question(this, "Confirm", "Really delete the selected messages?"))
        return;
    if (const auto conditions = text::parseFilterExpression(window.filter()))
        m_store->deleteGroup(*conditions, window.days(), m_station.stationTime());
    refresh();
}

void TRTTYText::importMessages()
{
    if (!m_store)
        return;
    QString file;
    {
        ModalPause pause(m_station);
        file = m_dialogs.openFileName(
            this, "Decode/ add messages from Textfile",
            QString::fromStdString(m_station.folderField(StationFolder::TextmessagesLastReceived).string()),
            "Text files (*.txt)");
    }
    if (file.isEmpty())
        return;
    if (m_store->importTextFile(file.toStdString(), m_station.stationTime()) < 0)
        m_dialogs.warning(this, "Tellur32", "File not readable! (May be in use by another application)");
    refresh();
}

} // namespace tellur::ui
