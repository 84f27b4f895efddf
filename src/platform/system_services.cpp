#include "platform/system_services.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QStandardPaths>

#include <malloc.h>

namespace tellur::platform {

namespace {
std::uint64_t statusKiB(const QByteArray& status, const char* key)
{
    for (const QByteArray& line : status.split('\n')) {
        if (line.startsWith(key)) {
            QByteArray v = line.mid(qsizetype(qstrlen(key))).trimmed();
            v.chop(3); // " kB"
            return v.trimmed().toULongLong() * 1024;
        }
    }
    return 0;
}
} // namespace

std::vector<MemoryFigure> memoryFigures()
{
    QFile f("/proc/self/status");
    QByteArray status;
    if (f.open(QIODevice::ReadOnly))
        status = f.readAll();
    const std::uint64_t vm = statusKiB(status, "VmSize:");
    const std::uint64_t rss = statusKiB(status, "VmRSS:");
    const struct mallinfo2 mi = mallinfo2();
    return {
        {"Total Address Space:", vm},
        {"Total Uncommitted:", vm > rss ? vm - rss : 0},
        {"Total Committed:", rss},
        {"Total Allocated:", mi.uordblks + mi.hblkhd},
        {"Total Free:", mi.fordblks},
        {"Free Small:", mi.fsmblks},
        {"Free Big:", mi.fordblks > mi.fsmblks ? mi.fordblks - mi.fsmblks : 0},
        {"Unused:", mi.keepcost},
        {"Overhead:", mi.arena > mi.uordblks + mi.fordblks ? mi.arena - mi.uordblks - mi.fordblks : 0},
    };
}

int soundOutputDeviceCount()
{
    return int(QMediaDevices::audioOutputs().size());
}

int soundInputDeviceCount()
{
    return int(QMediaDevices::audioInputs().size());
}

bool requestReboot()
{
    return QProcess::startDetached("systemctl", {"reboot"});
}

bool startMixerProgram(bool recording)
{
    const QString pav = QStandardPaths::findExecutable("pavucontrol");
    if (!pav.isEmpty())
        return QProcess::startDetached(pav, {recording ? "--tab=4" : "--tab=3"});
    return false;
}

} // namespace tellur::platform
