// TConfiguration: the "Tellur32 configuration" dialog. Its controls write straight into the live
// station configuration as soon as a value is accepted; OK saves, Cancel restores the copy taken
// when the dialog was activated, Reset starts over from the built-in defaults. Every control is
// bound to a field of the configuration field table by name, so ranges, captions and widths are
// described once, in the engine. GUI thread; the dialog borrows the live record from its owner.
#pragma once

#include "core/station_config.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;

namespace tellur {
struct ConfigField;
}

namespace tellur::ui {

// What the dialog needs from the rest of the program: device lists, files, and the questions it
// may ask. The defaults show real message boxes; tests replace them with recorders.
struct ConfigurationEnvironment {
    QStringList soundOutputDevices;
    QStringList mixerDevices;
    std::function<QStringList(int mixer)> mixerInputLines;
    QStringList palettes; // the ".pal" and ".sch" file names of the masks and palettes folder
    QStringList sstvModeNames;
    std::function<void()> setUpFolders;       // make the folder settings absolute
    std::function<bool()> saveConfiguration;  // save under the current configuration name
    std::function<void()> deleteStandardFile; // the reset deletes the standard configuration
    std::function<void(const QString& text)> problem;      // "Problem" box with an error icon
    std::function<bool(const QString& text)> confirmReset; // warning with OK / Abort; true = OK
    std::function<QString(const QString& folder)> browseMovie;
    std::function<QString()> browseProgram;
};

class TConfiguration : public QDialog {
    Q_OBJECT
public:
    TConfiguration(StationConfig& live, ConfigurationEnvironment env, bool firstTime, QWidget* parent = nullptr);
    ~TConfiguration() override;

    // Set when the user confirmed Reset: the program must end without saving.
    bool configurationReset() const { return m_reset; }

    // Takes a new backup and fills every control from the live record (done on every show).
    void activate();

    // Runs the entry check of a control as if the user had left it; for tests and the OK path.
    void commitControl(QWidget* control);

    static QString rangeMessage(const ConfigField& field);

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Kind { Number, Real, Text, Check, IndexCombo, ValueCombo, TextCombo, NumberCombo };
    struct Binding {
        QWidget* widget = nullptr;
        QString field;  // "%1" stands for the row of a row page
        Kind kind = Kind::Number;
        int row = -1;   // 0 FAX mode page, 1 RTTY mode page, -1 none
        int indexBase = 0;
    };

    QWidget* buildInterfacePage();
    QWidget* buildMiscPage();
    QWidget* buildSstvFaxPage();
    QWidget* buildFaxModePage();
    QWidget* buildRttyModePage();
    QWidget* buildMoviePage();
    QWidget* buildRepeaterPage();
    QWidget* buildExternalProgramsPage();
    QWidget* buildFrequencyPage();
    QWidget* buildDirectoriesPage();

    QLineEdit* addLineEdit(QFormLayout* form, const QString& name, const QString& field, Kind kind, int row = -1,
                           const QString& caption = {});
    QCheckBox* addCheck(QFormLayout* form, const QString& name, const QString& field, int row = -1,
                        const QString& caption = {});
    QComboBox* addCombo(QFormLayout* form, const QString& name, const QString& field, Kind kind,
                        const QStringList& items, int row = -1, const QString& caption = {}, int indexBase = 0);
    void attachBrowseButton(QFormLayout* form, QLineEdit* edit, const QString& name, std::function<QString()> choose);
    void bind(QWidget* w, const QString& field, Kind kind, int row, int indexBase = 0);

    const ConfigField* fieldOf(const Binding& b) const;
    Binding* bindingOf(QWidget* w);
    void load(const Binding& b);
    void loadAll();
    bool store(Binding& b);
    QString shownText(const Binding& b) const;
    double scaleFor(const Binding& b) const;

    void interfaceTypeChanged(int type);
    void mixerChanged(int index);
    void fillInputLines();
    void updateInterfaceVisibility();
    void faxRowChanged(int row);
    void rttyRowChanged(int row);
    void loadExternalPrograms();
    void storeExternalPrograms();
    void updateRadioVisibility();

    void okClicked();
    void cancelClicked();
    void resetClicked();

    StationConfig& m_live;
    StationConfig m_backup;
    ConfigurationEnvironment m_env;
    bool m_firstTime = false;
    bool m_reset = false;
    bool m_loading = false;
    int m_faxRow = 0;
    int m_rttyRow = 0;
    std::vector<Binding> m_bindings;

    QTabWidget* m_tabs = nullptr;
    QComboBox* m_interfaceType = nullptr;
    QComboBox* m_port = nullptr;
    QLineEdit* m_baud = nullptr;
    QLabel* m_baudLabel = nullptr;
    QLineEdit* m_dataRate = nullptr;
    QLineEdit* m_txOffset = nullptr;
    QCheckBox* m_use14bit = nullptr;
    QGroupBox* m_programGroup = nullptr;
    std::vector<QLineEdit*> m_programEdits;
    QGroupBox* m_soundGroup = nullptr;
    QComboBox* m_soundcard = nullptr;
    QComboBox* m_mixer = nullptr;
    std::vector<QComboBox*> m_inputLines;
    QCheckBox* m_disableMixer = nullptr;
    QLabel* m_hariFaxInfo = nullptr;
    QSpinBox* m_faxRowSpin = nullptr;
    QSpinBox* m_rttyRowSpin = nullptr;
    QTableWidget* m_externalGrid = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_resetButton = nullptr;
};

} // namespace tellur::ui
