#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace
{

constexpr int kWaitMs = 15000;

// One run of the probe program: a start of its own claiming the instance.
class Probe
{
public:
    Probe(const QString& socketPath, const char* request, int expected)
    {
        m_process.setProgram(QStringLiteral(KINETTA_INSTANCE_PROBE));
        m_process.setArguments(
            {socketPath, QString::fromLatin1(request), QString::number(expected)});
        m_process.start();
    }
    ~Probe()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kWaitMs);
        }
    }

    // The next line it prints, empty when none comes in time.
    QString nextLine()
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(kWaitMs))
                return QString();
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    // Its exit status, or -1 when it did not end normally in time.
    int exitCode()
    {
        if (!m_process.waitForFinished(kWaitMs) || m_process.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_process.exitCode();
    }

private:
    QProcess m_process;
};

class InstanceProcessTest : public testing::Test
{
protected:
    QTemporaryDir m_dir;
    const QString m_socket = m_dir.filePath(QStringLiteral("instance"));
};

} // namespace

TEST_F(InstanceProcessTest, ASecondProcessHandsOverAndExitsWithSuccess)
{
    Probe running(m_socket, "show", 1);
    ASSERT_EQ(running.nextLine(), QStringLiteral("primary"));

    Probe second(m_socket, "toggle", 0);
    EXPECT_EQ(second.nextLine(), QStringLiteral("handed over"));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(running.nextLine(), QStringLiteral("requested toggle"));
    EXPECT_EQ(running.exitCode(), 0);
}

TEST_F(InstanceProcessTest, StartsAtTheSameMomentEndWithExactlyOnePrimary)
{
    constexpr int kStarts = 4;
    std::vector<std::unique_ptr<Probe>> starts;
    for (int i = 0; i < kStarts; ++i)
        starts.push_back(std::make_unique<Probe>(m_socket, "show", kStarts - 1));
    int primaries = 0;
    int handedOver = 0;
    for (const auto& start : starts) {
        const QString first = start->nextLine();
        primaries += first == QLatin1String("primary");
        handedOver += first == QLatin1String("handed over");
    }
    EXPECT_EQ(primaries, 1);
    EXPECT_EQ(handedOver, kStarts - 1);
    for (const auto& start : starts)
        EXPECT_EQ(start->exitCode(), 0);
}
