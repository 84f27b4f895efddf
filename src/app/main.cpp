// tellur32: the station's GUI program.
#include "core/ui/hauptformular.h"
#include "platform/display.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (!tellur::platform::hasDisplay()) {
        std::fprintf(stderr, "tellur32: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                             "Run it from a desktop session, or use tellur32-cli for headless work.\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tellur32");
    tellur::ui::THauptformular window;
    window.show();
    return QApplication::exec();
}
