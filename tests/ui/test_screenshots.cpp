// Takes the documentation screenshots when TELLUR_SCREENSHOT_DIR is set (tools/screenshots.sh);
// otherwise it only checks that every window renders to a non-empty picture.
#include "ui_fixture.h"

#include "fax/ui/fax_rx_win.h"

#include <QDir>
#include <QPixmap>

namespace tellur::ui::test {
namespace {

class Screenshots : public StationFixture {
protected:
    void beforeStart(THauptformular& m) override { installFaxWindows(m); }

    void shoot(QWidget* w, const QString& name)
    {
        ASSERT_NE(w, nullptr) << name.toStdString();
        QApplication::processEvents();
        const QPixmap p = w->grab();
        EXPECT_FALSE(p.isNull());
        EXPECT_GT(p.width(), 100);
        const QString dirName = qEnvironmentVariable("TELLUR_SCREENSHOT_DIR");
        if (!dirName.isEmpty()) {
            QDir().mkpath(dirName);
            EXPECT_TRUE(p.save(QDir(dirName).filePath(name + ".png")));
        }
    }
};

TEST_F(Screenshots, MainWindow)
{
    auto& m = makeMain();
    settle();
    m.ScheduletimerTimer();
    shoot(&m, "main_window");
}

} // namespace
} // namespace tellur::ui::test
