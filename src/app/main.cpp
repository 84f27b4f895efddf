// tellur32: the station's GUI program.
#include "core/file_event_log.h"
#include "core/station_paths.h"
#include "core/station_time.h"
#include "app/ui/hauptformular.h"
#include "app/ui/station_application.h"
#include "ui/station_context.h"
#include "app/ui/receive_windows.h"
#include "platform/display.h"
#include "platform/single_instance.h"
#include "platform/termination_signals.h"

#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    if (!tellur::platform::hasDisplay()) {
        std::fprintf(stderr, "tellur32: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                             "Run it from a desktop session, or use tellur32-cli for headless work.\n");
        return 1;
    }
    tellur::ui::StationApplication app(argc, argv);
    QApplication::setApplicationName("Tellur32");

    // "--home DIR" chooses the station folder; everything else is a station switch.
    QStringList args = QApplication::arguments().mid(1);
    std::string home;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--home" && i + 1 < args.size()) {
            home = args[i + 1].toStdString();
            args.remove(i, 2);
            break;
        }
        if (args[i].startsWith("--home=")) {
            home = args[i].mid(7).toStdString();
            args.remove(i);
            break;
        }
    }

    tellur::ui::StationContext station;
    station.folder = tellur::resolveStationFolder(home);
    station.log = std::make_shared<tellur::FileEventLog>(station.folder, tellur::SystemWallClock::instance());

    tellur::platform::SingleInstance instance("PREVINST:Tellur32", QString::fromStdString(station.folder.string()));
    if (!instance.acquire())
        return 0;

    tellur::ui::THauptformular::Options options;
    options.args = args;
    tellur::ui::THauptformular window(station, options);
    tellur::ui::installReceiveWindows(window);
    app.setExceptionHandler([&window](const QString& msg, bool io) { window.handleException(msg, io); });
    QObject::connect(&instance, &tellur::platform::SingleInstance::raiseRequested, &window, [&window] {
        if (window.isMinimized())
            window.showNormal();
        window.raise();
        window.activateWindow();
    });
    tellur::platform::TerminationSignals termination;
    QObject::connect(&termination, &tellur::platform::TerminationSignals::requested, &window,
                     [&window] { window.endSession(); });
    window.show();
    window.startUp();
    return QApplication::exec();
}
