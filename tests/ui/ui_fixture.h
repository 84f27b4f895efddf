// A station in a fresh temporary folder with scripted dialogs and a hand-driven clock.
#pragma once

#include "app/ui/receive_windows.h"
#include "app/ui/station_dialogs.h"
#include "app/ui/hauptformular.h"
#include "ui/station_context.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
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
    bool configure(QWidget*, StationConfig&, const ConfigurationEnvironment&, bool firstTime) override
    {
        configureCalls.push_back(firstTime);
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
        now = QDateTime(QDate(2026, 3, 14), QTime(11, 0), Qt::UTC);
        station.clock = [this] { return now; };
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
    QDateTime now;
    int terminated = 0;
    int rebooted = 0;
    std::unique_ptr<THauptformular> main;
};

} // namespace tellur::ui::test
