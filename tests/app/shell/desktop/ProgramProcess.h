#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>

namespace kinetta::test
{

// A program a test runs, in a process group of its own so that stopping it
// also ends whatever it started. Stopped (terminated, then killed) when
// destroyed, so nothing outlives the test.
class ProgramProcess final
{
public:
    ProgramProcess() = default;
    ~ProgramProcess() { stop(); }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    [[nodiscard]] bool start(const QString& program, const QStringList& arguments,
                             const QProcessEnvironment& environment);
    [[nodiscard]] bool running() const { return m_process.state() != QProcess::NotRunning; }
    [[nodiscard]] qint64 pid() const { return m_process.processId(); }
    // Waits up to timeoutMs for a whole line of standard error that contains
    // one of texts; that line.
    [[nodiscard]] std::optional<QString> waitForErrorLine(const QStringList& texts, int timeoutMs);
    // Waits up to timeoutMs for the program to end by itself; its exit code,
    // or none when it did not end or crashed.
    [[nodiscard]] std::optional<int> waitForExit(int timeoutMs);
    // Standard error so far.
    [[nodiscard]] QString errorOutput();
    // Standard output not read before.
    [[nodiscard]] QByteArray takeOutput() { return m_process.readAllStandardOutput(); }
    // Asks the process group to end; kills it when it has not within a
    // second or two.
    void stop();

private:
    QProcess m_process;
    QByteArray m_errors;
    qint64 m_group = 0;
};

// Runs a tool to its end within timeoutMs; its standard output, or none when
// it failed, did not start or did not end in time.
[[nodiscard]] std::optional<QByteArray> runTool(const QString& program,
                                                const QStringList& arguments,
                                                const QProcessEnvironment& environment,
                                                int timeoutMs = 5000);

} // namespace kinetta::test
