#include "platform/serial_command_runner.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace tellur::platform {

bool QtCommandRunner::runAndWait(const std::string& commandLine, const std::filesystem::path& workingFolder)
{
    QStringList args = QProcess::splitCommand(QString::fromStdString(commandLine));
    if (args.isEmpty())
        return false;
    QString program = args.takeFirst();
    const QString folder = QString::fromStdString(workingFolder.string());
    if (!program.contains(QLatin1Char('/')) && !folder.isEmpty()) {
        QFileInfo local(QDir(folder), program);
        if (local.isFile() && local.isExecutable())
            program = local.absoluteFilePath();
    }
    QProcess process;
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, args);
    if (!process.waitForStarted(5000))
        return false;
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(100))
        if (m_pump)
            m_pump();
    return true;
}

} // namespace tellur::platform
