// TFrequencytable: the "Frequency table" window, the operator's list of stations (frequency,
// radio, description) kept in "Freqlist.dbf", edited in a grid, sorted by one of three orders
// and tuned with one click; a direct input tunes a frequency that is not in the list. Opened
// by the main window's Frequenzbutton, one instance. GUI thread; the Qt parent owns it.
#pragma once

#include "storage/table_database.h"
#include "ui/myform.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace tellur::ui {

class Dialogs;

class TFrequencytable : public TMyform {
    Q_OBJECT
public:
    // tune(radio, frequency text) sets a transceiver's frequency.
    using Tune = std::function<void(int radio, const std::string& frequency)>;

    TFrequencytable(const std::filesystem::path& stationFolder, Dialogs& dialogs, Tune tune,
                    QWidget* parent = nullptr);
    ~TFrequencytable() override;

    // False when the table could not be opened or created (the error has been shown).
    bool tableOpen() const { return m_table != nullptr; }

    void NewButtonClick();
    void DeleteButtonClick();
    void SetButtonClick();
    void DirectSetButtonClick();
    void selectOrder(storage::FrequencyList::Order order);

Q_SIGNALS:
    void closed();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void reload(std::optional<std::int64_t> keepRow = std::nullopt);
    void rowEdited(int row);
    std::int64_t rowIdAt(int row) const;

    Dialogs& m_dialogs;
    Tune m_tune;
    std::unique_ptr<storage::FrequencyList> m_table;
    storage::FrequencyList::Order m_order = storage::FrequencyList::Order::Findex;
    bool m_loading = false;

    QTableWidget* m_grid = nullptr;
    QButtonGroup* m_sortButtons = nullptr;
    QLineEdit* m_directFreq = nullptr;
    QSpinBox* m_directRadio = nullptr;
    QPushButton* m_directSet = nullptr;
};

} // namespace tellur::ui
