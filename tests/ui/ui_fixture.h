// A station in a fresh temporary folder with scripted dialogs and a hand-driven clock.
#pragma once

#include "app/ui/receive_windows.h"
#include "app/ui/station_dialogs.h"
#include "app/ui/hauptformular.h"
#include "ui/station_context.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace tellur::ui::test {

struct ScriptedDialogs : StationDialogs {
    std::deque<bool> answers;          // for question(); No when empty
    std::deque<QString> files;         // for open/save dialogs; cancel when empty
    QStringList asked;                 // every text shown, in order
    int firstTimeCalls = 0;
    std::vector<bool> configureCalls; // firstTime of every configuration dialog opened
    bool confirmReset = false;        // the configuration dialog ends with a confirmed reset
    QList<QUrl> opened;               // pages handed to the browser
    std::function<void(StationConfig&)> edit; // what the user changes in the configuration dialog

    bool question(QWidget*, const QString&, const QString& text) override
    {
        asked << text;
        if (answers.empty())
            return false;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void information(QWidget*, const QString&, const QString& text) override { asked << text; }
    void warning(QWidget*, const QString&, const QString& text) override { asked << text; }
    void openUrl(QWidget*, const QUrl& url) override { opened << url; }
    QString openFileName(QWidget*, const QString& title, const QString&, const QString&) override
    {
        asked << title;
        if (files.empty())
            return {};
        QString f = files.front();
        files.pop_front();
        return f;
    }
    QString saveFileName(QWidget* p, const QString& t, const QString& f, const QString& filt) override
    {
        return openFileName(p, t, f, filt);
    }
    std::deque<QString> texts; // for inputText(); cancel when empty
    std::optional<QString> inputText(QWidget*, const QString& title, const QString&, const QString&) override
    {
        asked << title;
        if (texts.empty())
            return std::nullopt;
        QString t = texts.front();
        texts.pop_front();
        return t;
    }
    int firstTimeLanguage(QWidget*, int) override
    {
        ++firstTimeCalls;
        return 0;
    }
    bool configure(QWidget*, StationConfig& config, const ConfigurationEnvironment&, bool firstTime) override
    {
        configureCalls.push_back(firstTime);
        if (edit)
            edit(config);
        return confirmReset && !firstTime;
    }
};

// Serves events until the condition holds; false after the timeout. (QTRY_* only report to QTest.)
template <typename Pred>
bool waitUntil(Pred pred, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(10);
    }
    return true;
}

class StationFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        station.folder = dir.path().toStdString();
        station.log = log;
        now.set(millisFromDateTime({.year = 2026, .month = 3, .day = 14, .hour = 11}));
        station.clock = &now;
    }

    // Builds the main window with the given switches ("U" always, so no display warnings).
    THauptformular& makeMain(QStringList args = {}, bool start = true)
    {
        THauptformular::Options o;
        o.args = args << "U";
        o.dialogs = dialogs;
        o.showStartLogo = false;
        o.mixerDevices = 1;
        o.outputDevices = 1;
        o.terminate = [this] { ++terminated; };
        o.reboot = [this] { ++rebooted; };
        o.dataFolder = dataFolder;
        main = std::make_unique<THauptformular>(station, o);
        beforeStart(*main);
        if (start) {
            main->show();
            main->startUp();
        }
        return *main;
    }
    virtual void beforeStart(THauptformular&) {}

    void TearDown() override
    {
        if (main) {
            main->close();
            main.reset();
        }
    }

    void writeConfig(const StationConfig& c, const std::string& name = "tellur32")
    {
        ASSERT_TRUE(saveConfigFile(station.configFile(name), c));
    }

    // Runs main ticks until the pending operating-type change has been carried out.
    void settle()
    {
        for (int i = 0; i < 5 && main->modeChangePending(); ++i)
            main->ScheduletimerTimer();
    }

    QTemporaryDir dir;
    StationContext station;
    std::shared_ptr<RecordingEventLog> log = std::make_shared<RecordingEventLog>();
    std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();
    FixedWallClock now;
    std::filesystem::path dataFolder = TELLUR_SOURCE_DIR; // the source tree holds the shipped help
    int terminated = 0;
    int rebooted = 0;
    std::unique_ptr<THauptformular> main;
};

} // namespace tellur::ui::test
