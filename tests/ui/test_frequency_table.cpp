// The frequency table window offscreen: rows added, edited and deleted in "Freqlist.dbf", the
// three orders, tuning from the list and from the direct input, and its main-window button.
#include "ui_fixture.h"

#include "station/frequency_control.h"
#include "station/ui/frequency_table.h"
#include "storage/table_database.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>

namespace tellur::ui::test {
namespace {

using storage::FrequencyEntry;
using storage::FrequencyList;

class FrequencyTable : public StationFixture {
protected:
    std::unique_ptr<TFrequencytable> open()
    {
        auto w = std::make_unique<TFrequencytable>(station.folder, *dialogs, [this](int radio, const std::string& f) {
            tuned.emplace_back(radio, f);
        });
        w->show();
        return w;
    }
    void addRows(const std::vector<FrequencyEntry>& rows)
    {
        FrequencyList list(station.folder);
        for (const auto& r : rows)
            list.append(r);
    }
    // The grid's rows as "freq/radio/description".
    static QStringList shown(TFrequencytable& w)
    {
        auto* grid = w.findChild<QTableWidget*>("FreqGrid");
        QStringList out;
        for (int r = 0; r < grid->rowCount(); ++r)
            out << grid->item(r, 0)->text() + "/" + grid->item(r, 1)->text() + "/" + grid->item(r, 2)->text();
        return out;
    }
    template <class W> static W* control(TFrequencytable& w, const char* name)
    {
        auto* c = w.findChild<W*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }

    std::vector<std::pair<int, std::string>> tuned;
};

} // namespace

TEST_F(FrequencyTable, FirstUseCreatesTheTableAndNewRowsTakeTheDirectRadio)
{
    auto w = open();
    ASSERT_TRUE(w->tableOpen());
    EXPECT_TRUE(std::filesystem::exists(station.folder / "Freqlist.dbf"));
    EXPECT_TRUE(shown(*w).isEmpty());
    EXPECT_TRUE(control<QToolButton>(*w, "FreqSortButton")->isChecked());
    auto* grid = control<QTableWidget>(*w, "FreqGrid");
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "Frequency");
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "Radio ");
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), "Description");

    control<QSpinBox>(*w, "DirectRadio")->setValue(3);
    control<QPushButton>(*w, "NewButton")->click();
    ASSERT_EQ(shown(*w), QStringList{"/3/"});
    // Edited in place (the frequency's editor is open), stored at once.
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "4583");
    grid->setCurrentCell(0, 2); // leaving the cell posts the edit
    grid->item(0, 2)->setText("Weather fax");
    const auto rows = FrequencyList(station.folder).entries(FrequencyList::Order::Natural);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].freq, "4583");
    EXPECT_EQ(rows[0].radio, "3");
    EXPECT_EQ(rows[0].descript, "Weather fax");
}

TEST_F(FrequencyTable, ClosingPostsAnEditInProgress)
{
    auto w = open();
    control<QPushButton>(*w, "NewButton")->click();
    auto* editor = control<QTableWidget>(*w, "FreqGrid")->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "518");
    w->close();
    const auto rows = FrequencyList(station.folder).entries(FrequencyList::Order::Natural);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].freq, "518");
    EXPECT_EQ(rows[0].radio, "1");
}

TEST_F(FrequencyTable, TheOrdersSortAsText)
{
    addRows({{0, "7040", "1", "b net"}, {0, "3580", "2", "Alpha"}, {0, "14230", "1", "SSTV"}, {0, "10100", "2", "a dx"}});
    auto w = open();
    struct Case {
        const char* button;
        QStringList rows;
    };
    const Case cases[] = {
        {"RadioSortButton", {"14230/1/SSTV", "7040/1/b net", "10100/2/a dx", "3580/2/Alpha"}},
        {"DescriptSortButton", {"10100/2/a dx", "3580/2/Alpha", "7040/1/b net", "14230/1/SSTV"}},
        {"NaturalSortButton", {"7040/1/b net", "3580/2/Alpha", "14230/1/SSTV", "10100/2/a dx"}},
        {"FreqSortButton", {"10100/2/a dx", "14230/1/SSTV", "3580/2/Alpha", "7040/1/b net"}},
    };
    EXPECT_EQ(shown(*w), cases[3].rows);
    for (const auto& c : cases) {
        control<QToolButton>(*w, c.button)->click();
        EXPECT_TRUE(control<QToolButton>(*w, c.button)->isChecked()) << c.button;
        EXPECT_EQ(shown(*w), c.rows) << c.button;
    }
}

TEST_F(FrequencyTable, SetAndDoubleClickTuneTheRowsRadio)
{
    addRows({{0, "7040", "2", "net"}, {0, "14230,5", "4", "SSTV"}});
    auto w = open();
    auto* grid = control<QTableWidget>(*w, "FreqGrid");
    grid->setCurrentCell(0, 2); // "14230,5" sorts first
    control<QPushButton>(*w, "SetButton")->click();
    Q_EMIT grid->cellDoubleClicked(1, 0);
    const std::vector<std::pair<int, std::string>> expected = {{4, "14230,5"}, {2, "7040"}};
    EXPECT_EQ(tuned, expected);
}

TEST_F(FrequencyTable, DirectInputTunesOnlyWithAText)
{
    auto w = open();
    auto* set = control<QPushButton>(*w, "DirectSetButton");
    auto* freq = control<QLineEdit>(*w, "DirectFreq");
    EXPECT_EQ(control<QSpinBox>(*w, "DirectRadio")->value(), 1);
    EXPECT_EQ(control<QSpinBox>(*w, "DirectRadio")->toolTip(), "Select radio");
    EXPECT_FALSE(set->isEnabled());
    freq->setText("   ");
    EXPECT_FALSE(set->isEnabled());
    freq->setText("3580.5");
    ASSERT_TRUE(set->isEnabled());
    control<QSpinBox>(*w, "DirectRadio")->setValue(2);
    set->click();
    EXPECT_EQ(tuned, (std::vector<std::pair<int, std::string>>{{2, "3580.5"}}));
}

TEST_F(FrequencyTable, DeleteAsksFirst)
{
    addRows({{0, "7040", "1", "net"}, {0, "3580", "1", "rtty"}});
    auto w = open();
    control<QTableWidget>(*w, "FreqGrid")->setCurrentCell(0, 0);
    dialogs->answers = {false, true};
    control<QPushButton>(*w, "DeleteButton")->click();
    EXPECT_EQ(shown(*w).size(), 2);
    control<QPushButton>(*w, "DeleteButton")->click();
    EXPECT_EQ(dialogs->asked, (QStringList{"Delete record?", "Delete record?"}));
    EXPECT_EQ(shown(*w), QStringList{"7040/1/net"});
    EXPECT_EQ(FrequencyList(station.folder).entries(FrequencyList::Order::Natural).size(), 1u);
}

TEST_F(FrequencyTable, TheMainWindowKeepsOneTableAndTunesThroughFrequencyControl)
{
    auto& m = makeMain();
    auto* button = m.findChild<QToolButton*>("Frequenzbutton");
    ASSERT_TRUE(button && button->isEnabled());
    button->click();
    button->click();
    const auto tables = m.findChildren<TFrequencytable*>();
    ASSERT_EQ(tables.size(), 1);
    EXPECT_TRUE(button->isChecked());

    // A transmission refuses tuning with its message.
    station.flags.transmit = true;
    tables[0]->findChild<QLineEdit*>("DirectFreq")->setText("7040");
    tables[0]->findChild<QPushButton*>("DirectSetButton")->click();
    EXPECT_TRUE(dialogs->asked.contains(QString::fromLatin1(station::kTransmittingText.data())));
    station.flags.transmit = false;

    tables[0]->findChild<QPushButton*>("CloseButton")->click();
    EXPECT_TRUE(waitUntil([&] { return m.findChildren<TFrequencytable*>().isEmpty(); }, 2000));
    EXPECT_FALSE(button->isChecked());
}

} // namespace tellur::ui::test
