#include "station/ui/frequency_table.h"

#include "ui/dialogs.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tellur::ui {
namespace {

using Order = storage::FrequencyList::Order;

constexpr const char* kTableErrorText =
    "Error accessing the Borland Database Engine.\r\nPlease make sure the BDE is properly installed.\r\n"
    "The easiest way to achieve a proper BDE installation is to\r\nre-install Tellur32.";

enum Column { FreqColumn, RadioColumn, DescriptColumn };

// The "Radio " column picks one of the four transceivers.
class RadioPickDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* box = new QComboBox(parent);
        box->addItems({"1", "2", "3", "4"});
        return box;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        static_cast<QComboBox*>(editor)->setCurrentText(index.data().toString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText());
    }
};

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QString& hint)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    return b;
}

} // namespace

TFrequencytable::TFrequencytable(const std::filesystem::path& stationFolder, Dialogs& dialogs, Tune tune,
                                 QWidget* parent)
    : TMyform(parent)
    , m_dialogs(dialogs)
    , m_tune(std::move(tune))
{
    setObjectName("Frequencytable");
    setWindowTitle("Frequency table");
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    auto* sortRow = new QHBoxLayout;
    m_sortButtons = new QButtonGroup(this);
    m_sortButtons->setExclusive(true);
    const std::tuple<const char*, const char*, Order> sorts[] = {{"FreqSortButton", "Frequency", Order::Findex},
                                                                 {"RadioSortButton", "Radio", Order::Rindex},
                                                                 {"DescriptSortButton", "Description", Order::Dindex},
                                                                 {"NaturalSortButton", "", Order::Natural}};
    for (const auto& [name, text, order] : sorts) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setCheckable(true);
        b->setMinimumWidth(24);
        if (*text)
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_sortButtons->addButton(b, static_cast<int>(order));
        sortRow->addWidget(b, *text ? 1 : 0);
    }
    m_sortButtons->button(static_cast<int>(Order::Findex))->setChecked(true);
    connect(m_sortButtons, &QButtonGroup::idClicked, this, [this](int id) { selectOrder(static_cast<Order>(id)); });
    layout->addLayout(sortRow);

    m_grid = new QTableWidget(0, 3, this);
    m_grid->setObjectName("FreqGrid");
    m_grid->setHorizontalHeaderLabels({"Frequency", "Radio ", "Description"});
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->verticalHeader()->setVisible(false);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_grid->setItemDelegateForColumn(RadioColumn, new RadioPickDelegate(m_grid));
    m_grid->setColumnWidth(FreqColumn, 110);
    m_grid->setColumnWidth(RadioColumn, 50);
    m_grid->setMinimumSize(420, 220);
    connect(m_grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!m_loading)
            rowEdited(item->row());
    });
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        m_grid->setCurrentCell(row, column);
        SetButtonClick();
    });
    layout->addWidget(m_grid, 1);

    auto* listRow = new QHBoxLayout;
    auto* newButton = button(this, "NewButton", "New", "Add a new frequency entry");
    auto* deleteButton = button(this, "DeleteButton", "Delete", "Delete selected frequency entry");
    auto* setButton = button(this, "SetButton", "Set", "Set frequency");
    connect(newButton, &QPushButton::clicked, this, &TFrequencytable::NewButtonClick);
    connect(deleteButton, &QPushButton::clicked, this, &TFrequencytable::DeleteButtonClick);
    connect(setButton, &QPushButton::clicked, this, &TFrequencytable::SetButtonClick);
    listRow->addWidget(newButton);
    listRow->addWidget(deleteButton);
    listRow->addWidget(setButton);
    listRow->addStretch(1);
    layout->addLayout(listRow);

    auto* directRow = new QHBoxLayout;
    directRow->addWidget(new QLabel("Direct input:", this));
    m_directFreq = new QLineEdit(this);
    m_directFreq->setObjectName("DirectFreq");
    m_directRadio = new QSpinBox(this);
    m_directRadio->setObjectName("DirectRadio");
    m_directRadio->setRange(1, 4);
    m_directRadio->setValue(1);
    m_directRadio->setToolTip("Select radio");
    m_directSet = button(this, "DirectSetButton", "Set", "Set frequency directly");
    m_directSet->setEnabled(false);
    connect(m_directFreq, &QLineEdit::textChanged, this,
            [this](const QString& t) { m_directSet->setEnabled(!t.trimmed().isEmpty()); });
    connect(m_directSet, &QPushButton::clicked, this, &TFrequencytable::DirectSetButtonClick);
    directRow->addWidget(m_directFreq, 1);
    directRow->addWidget(m_directRadio);
    directRow->addWidget(m_directSet);
    auto* closeButton = button(this, "CloseButton", "Close", "Close frequency table");
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    directRow->addWidget(closeButton);
    layout->addLayout(directRow);

    try {
        m_table = std::make_unique<storage::FrequencyList>(stationFolder);
    } catch (const storage::TableError&) {
        m_dialogs.warning(this, "Tellur32", kTableErrorText);
        return;
    }
    reload();
}

TFrequencytable::~TFrequencytable() = default;

std::int64_t TFrequencytable::rowIdAt(int row) const
{
    const QTableWidgetItem* item = row >= 0 ? m_grid->item(row, FreqColumn) : nullptr;
    return item ? item->data(Qt::UserRole).toLongLong() : 0;
}

void TFrequencytable::reload(std::optional<std::int64_t> keepRow)
{
    if (!m_table)
        return;
    const std::int64_t current = keepRow.value_or(rowIdAt(m_grid->currentRow()));
    m_loading = true;
    const auto entries = m_table->entries(m_order);
    m_grid->setRowCount(static_cast<int>(entries.size()));
    int currentRow = entries.empty() ? -1 : 0;
    for (int r = 0; r < static_cast<int>(entries.size()); ++r) {
        const auto& e = entries[static_cast<std::size_t>(r)];
        auto* freq = new QTableWidgetItem(QString::fromStdString(e.freq));
        freq->setData(Qt::UserRole, static_cast<qlonglong>(e.rowId));
        m_grid->setItem(r, FreqColumn, freq);
        m_grid->setItem(r, RadioColumn, new QTableWidgetItem(QString::fromStdString(e.radio)));
        m_grid->setItem(r, DescriptColumn, new QTableWidgetItem(QString::fromStdString(e.descript)));
        if (e.rowId == current)
            currentRow = r;
    }
    m_loading = false;
    if (currentRow >= 0)
        m_grid->setCurrentCell(currentRow, m_grid->currentColumn() < 0 ? 0 : m_grid->currentColumn());
}

void TFrequencytable::rowEdited(int row)
{
    const auto text = [&](int column) {
        const QTableWidgetItem* item = m_grid->item(row, column);
        return item ? item->text().toStdString() : std::string();
    };
    m_table->update({rowIdAt(row), text(FreqColumn), text(RadioColumn), text(DescriptColumn)});
    // The edited row moves to its place in the order in force once the edit is over.
    QMetaObject::invokeMethod(this, [this, id = rowIdAt(row)] { reload(id); }, Qt::QueuedConnection);
}

void TFrequencytable::selectOrder(Order order)
{
    m_order = order;
    m_sortButtons->button(static_cast<int>(order))->setChecked(true);
    reload();
}

void TFrequencytable::NewButtonClick()
{
    if (!m_table)
        return;
    const std::int64_t id = m_table->append({0, "", std::to_string(m_directRadio->value()), ""});
    reload(id);
    m_grid->setFocus();
    m_grid->setCurrentCell(m_grid->currentRow(), FreqColumn);
    m_grid->editItem(m_grid->currentItem());
}

void TFrequencytable::DeleteButtonClick()
{
    const int row = m_grid->currentRow();
    if (!m_table || row < 0 || !m_dialogs.question(this, "Confirm", "Delete record?"))
        return;
    m_table->remove(rowIdAt(row));
    reload(rowIdAt(row + 1 < m_grid->rowCount() ? row + 1 : row - 1));
}

void TFrequencytable::SetButtonClick()
{
    const int row = m_grid->currentRow();
    if (row < 0 || !m_tune)
        return;
    m_tune(m_grid->item(row, RadioColumn)->text().toInt(), m_grid->item(row, FreqColumn)->text().toStdString());
}

void TFrequencytable::DirectSetButtonClick()
{
    if (m_tune && !m_directFreq->text().trimmed().isEmpty())
        m_tune(m_directRadio->value(), m_directFreq->text().toStdString());
}

void TFrequencytable::closeEvent(QCloseEvent* e)
{
    // A pending edit is posted; losing an incomplete row is accepted.
    m_grid->setCurrentIndex(QModelIndex());
    TMyform::closeEvent(e);
    if (e->isAccepted())
        Q_EMIT closed();
}

} // namespace tellur::ui
