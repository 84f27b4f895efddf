#include "platform/process_runner.h"
#include "platform/command_starter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace tellur::platform {

namespace {

// A bare program name is looked for in the working folder first, then left to the PATH.
QString resolvedProgram(QString program, const QString& folder)
{
    if (!program.contains(QLatin1Char('/')) && !folder.isEmpty()) {
        QFileInfo local(QDir(folder), program);
        if (local.isFile() && local.isExecutable())
            return local.absoluteFilePath();
    }
    return program;
}

} // namespace

QtProcessRunner::QtProcessRunner() = default;

QtProcessRunner::~QtProcessRunner()
{
    terminate();
}

bool QtProcessRunner::run(const std::string& commandLine, const std::filesystem::path& workingFolder, bool detached)
{
    QStringList args = QProcess::splitCommand(QString::fromStdString(commandLine));
    if (args.isEmpty())
        return false;
    const QString folder = QString::fromStdString(workingFolder.string());
    const QString program = resolvedProgram(args.takeFirst(), folder);
    auto process = std::make_unique<QProcess>();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        process->setWorkingDirectory(folder);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(program, args);
    if (!process->waitForStarted(5000))
        return false;
    process->waitForFinished(100);
    if (detached) {
        terminate(); // only one external program is remembered at a time
        m_process = std::move(process);
        return true;
    }
    while (process->state() != QProcess::NotRunning && !process->waitForFinished(100))
        if (m_pump)
            m_pump();
    return true;
}

void QtProcessRunner::terminate()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(2000);
    }
    m_process.reset();
}

bool QtProcessRunner::running() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

bool QtCommandStarter::start(const fax::ExternalCommand& command)
{
    const QString folder = QString::fromStdString(command.workingFolder.string());
    return QProcess::startDetached(resolvedProgram(QString::fromStdString(command.program), folder),
                                   QProcess::splitCommand(QString::fromStdString(command.parameters)), folder);
}

} // namespace tellur::platform
