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
#include <cstring>

namespace {

// Also the source of the manual page tellur32(1).
const char* const kUsage =
    "Usage: tellur32 [--home DIR] [SWITCH...]\n"
    "\n"
    "The Tellur32 station: receives HF weather-fax and weather-satellite pictures, SSTV pictures\n"
    "and RTTY and NAVTEX text from the soundcard or a serial modem. It needs a desktop session;\n"
    "tellur32-cli does the same decoding without a display.\n"
    "\n"
    "Options:\n"
    "  --home DIR    the station folder (default $TELLUR32_HOME, else $XDG_DATA_HOME/tellur32,\n"
    "                normally ~/.local/share/tellur32)\n"
    "  --help        this text\n"
    "\n"
    "Switches: a letter, any one separator character, then the value (C=Contest, q:90):\n"
    "  C=NAME        load the configuration NAME.CNJ of the station folder\n"
    "  M=N           select entry N of the operating-type list at start (0 none, 2 FAX)\n"
    "  Q=MINUTES     quit after that many minutes (values below 60 count as 60)\n"
    "  S=N           start the FAX window with mode row N\n"
    "  U             no warnings about the display at start\n"
    "  X             external mixer control on\n"
    "\n"
    "Files: tellur32.CNJ (the standard configuration), NAME.CNJ, ports.conf (serial devices\n"
    "behind COM1..COM8), Logfiles/ and the picture and message folders, all in the station\n"
    "folder. A new station folder receives the files of share/tellur32/defaults.\n"
    "\n"
    "Help: Help > Help topics opens the manual in the web browser (share/tellur32/help).\n"
    "SIGTERM, SIGINT and SIGHUP close the program as its window does, saving the configuration.\n";

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
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
