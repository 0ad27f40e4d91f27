#include "app/shell/desktop/ProgramProcess.h"

#include <QDeadlineTimer>
#include <csignal>
#include <unistd.h>

namespace kinetta::test
{

bool ProgramProcess::start(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment)
{
    m_process.setProcessEnvironment(environment);
    m_process.setChildProcessModifier([] { setpgid(0, 0); });
    // Waits for output are waits for the program's messages.
    m_process.setReadChannel(QProcess::StandardError);
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(5000))
        return false;
    m_group = m_process.processId();
    return true;
}

QString ProgramProcess::errorOutput()
{
    m_errors += m_process.readAllStandardError();
    return QString::fromUtf8(m_errors);
}

std::optional<QString> ProgramProcess::waitForErrorLine(const QStringList& texts, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        // Looked at once more after the end, for what came before it.
        const bool ended = deadline.hasExpired() || !running();
        QStringList lines = errorOutput().split(QLatin1Char('\n'));
        lines.removeLast(); // not ended yet
        for (const QString& line : lines)
            for (const QString& text : texts)
                if (line.contains(text))
                    return line;
        if (ended)
            return std::nullopt;
        m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    }
}

std::optional<int> ProgramProcess::waitForExit(int timeoutMs)
{
    if (running() && !m_process.waitForFinished(timeoutMs))
        return std::nullopt;
    m_errors += m_process.readAllStandardError();
    if (m_process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return m_process.exitCode();
}

void ProgramProcess::stop()
{
    if (m_group <= 0)
        return;
    if (running()) {
        ::kill(static_cast<pid_t>(-m_group), SIGTERM);
        if (!m_process.waitForFinished(2000)) {
            ::kill(static_cast<pid_t>(-m_group), SIGKILL);
            m_process.waitForFinished(2000);
        }
    }
    // Whatever the program started and left behind ends with it.
    ::kill(static_cast<pid_t>(-m_group), SIGKILL);
    m_group = 0;
}

std::optional<QByteArray> runTool(const QString& program, const QStringList& arguments,
                                  const QProcessEnvironment& environment, int timeoutMs)
{
    ProgramProcess tool;
    if (!tool.start(program, arguments, environment))
        return std::nullopt;
    if (tool.waitForExit(timeoutMs) != 0)
        return std::nullopt;
    return tool.takeOutput();
}

} // namespace kinetta::test
