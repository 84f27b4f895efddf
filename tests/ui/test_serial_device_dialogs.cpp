#include "ui/serial_device_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tellur::ui;

namespace {
void ensureApplication()
{
    if (!QApplication::instance()) {
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
}

// Presses a button of the next message box as soon as it shows.
void answerNextMessageBox(QMessageBox::StandardButton button, QString* shownText)
{
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            answerNextMessageBox(button, shownText);
            return;
        }
        *shownText = box->text();
        box->button(button)->click();
    });
}
} // namespace

TEST(SerialDialogs, LoadWindowFollowsTheDownloadAndIgnoresClose)
{
    ensureApplication();
    SerialDeviceDialogs dialogs;
    dialogs.loadBegin("/station/Demodulators/FMFAX95.LOD", 2000);
    TDSPLoadwin* win = dialogs.loadWindow();
    ASSERT_NE(win, nullptr);
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(win->windowTitle(), "Loading DSP program...");
    EXPECT_TRUE(win->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(win->gaugeMaximum(), 2000);
    dialogs.loadProgress(1200);
    EXPECT_EQ(win->gaugeValue(), 1200);
    dialogs.loadProgress(5000); // lines beyond the size never overrun the gauge
    EXPECT_EQ(win->gaugeValue(), 2000);
    win->close();
    EXPECT_TRUE(win->isVisible());
    dialogs.loadEnd();
    EXPECT_EQ(dialogs.loadWindow(), nullptr);
}

TEST(SerialDialogs, AbortRetryQuestion)
{
    ensureApplication();
    SerialDeviceDialogs dialogs;
    QString shown;
    answerNextMessageBox(QMessageBox::Retry, &shown);
    EXPECT_TRUE(dialogs.askRetry("No response from EasyDSP!\r\nMake sure"));
    EXPECT_EQ(shown, "No response from EasyDSP!\nMake sure");
    answerNextMessageBox(QMessageBox::Abort, &shown);
    EXPECT_FALSE(dialogs.askRetry("Communications port COM3 not available!"));
}
