// TRTTYText, the "Selective messages viewer": browses the message store through the type,
// NAVAREA and station selectors, shows a message with its data or its decoded SYNOP/SHIP
// reports, saves, prints and deletes messages, deletes groups (TDeletewindow) and imports
// messages from a text file. One viewer at most; it has its own handle on the store.
// GUI thread; parented to the main window, deleted on close.
#pragma once

#include "text/message_filters.h"
#include "text/message_store.h"
#include "text/synop_decoder.h"
#include "ui/myform.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPrinter;
class QToolButton;

namespace tellur::ui {

class Dialogs;
struct StationContext;
class Tsavedialogthread;

// "Delete messages": type, station and age choices; exists only while shown (modal).
class TDeletewindow : public QDialog {
    Q_OBJECT
public:
    static const QStringList& ageEntries(); // "365" ... "0"
    TDeletewindow(const QStringList& types, const QStringList& stations, QWidget* parent);
    std::string filter() const;
    int days() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QComboBox* m_types;
    QComboBox* m_stations;
    QComboBox* m_days;
};

class TRTTYText : public TMyform {
    Q_OBJECT
public:
    enum class Sort { First, Last, Id };

    // Shows the viewer, creating it when none exists.
    static TRTTYText* open(StationContext& station, Dialogs& dialogs, QWidget* parent);
    static TRTTYText* instance();
    ~TRTTYText() override;

    // Reads the view anew (after a stored message), keeping the current message when it is there.
    void refresh();
    void select(int index);
    void setSort(Sort s);
    void chooseType(int index);
    void chooseArea(int index);
    void chooseStation(int index);
    void toggleView();
    void saveMessage();
    void printMessage();
    void deleteMessage();
    void deleteGroups();
    void importMessages();
    void waitForSave();

    // The delete window, run modally; tests answer it.
    void setDeleteDialog(std::function<bool(TDeletewindow&)> run) { m_runDelete = std::move(run); }
    void setPrintDialog(std::function<bool(QPrinter&)> dialog) { m_printDialog = std::move(dialog); }
    const std::vector<text::StoredMessage>& view() const { return m_view; }
    const text::StoredMessage* current() const;
    bool synopView() const { return m_synopShown; }
    QString shownText() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TRTTYText(StationContext& station, Dialogs& dialogs, QWidget* parent);
    void buildControls();
    void rebuildFilter();
    void showMessage();
    std::vector<std::string> currentLines() const;

    StationContext& m_station;
    Dialogs& m_dialogs;
    std::unique_ptr<text::MessageStore> m_store;
    text::SynopStationList m_synopStations;
    text::NavtexStationNames m_names;
    std::vector<text::StoredMessage> m_view;
    std::string m_filter;
    std::string m_typeKey, m_stationKey, m_area = "no";
    Sort m_sort = Sort::First;
    int m_index = -1;
    bool m_synopShown = false;
    std::unique_ptr<Tsavedialogthread> m_saveThread;
    std::function<bool(TDeletewindow&)> m_runDelete;
    std::function<bool(QPrinter&)> m_printDialog;

    QComboBox* m_typeSelect = nullptr;
    QComboBox* m_areaSelect = nullptr;
    QComboBox* m_stationSelect = nullptr;
    QToolButton* m_sortFirst = nullptr;
    QToolButton* m_sortLast = nullptr;
    QToolButton* m_sortId = nullptr;
    QListWidget* m_grid = nullptr;
    QLineEdit* m_stationName = nullptr;
    QLineEdit* m_quality = nullptr;
    QLineEdit* m_firstRx = nullptr;
    QLineEdit* m_lastRx = nullptr;
    QLineEdit* m_firstAge = nullptr;
    QLineEdit* m_lastAge = nullptr;
    QLineEdit* m_received = nullptr;
    QLineEdit* m_replaced = nullptr;
    QPlainTextEdit* m_source = nullptr;
    QPlainTextEdit* m_decoded = nullptr;
    QToolButton* m_synopButton = nullptr;
    QToolButton* m_saveButton = nullptr;
    QToolButton* m_printButton = nullptr;
    QToolButton* m_deleteButton = nullptr;
    QAction* m_deleteItem = nullptr;
};

// "ddhhnn' UTC 'mmm": day, hour, minute, " UTC ", month abbreviation.
QString viewerTime(double dayTime);

} // namespace tellur::ui
