// A process that claims the single instance as the program does, for tests
// that need real separate processes:
//   instance_probe SOCKET show|toggle EXPECTED
// prints "primary", "handed over" or "failed: WHY"; as primary it then prints
// "requested show|toggle" for each hand-over and exits once EXPECTED came.
#include "app/shell/SingleInstance.h"

#include <QCoreApplication>
#include <cstdio>

using kinetta::InstanceRequest;
using kinetta::SingleInstance;

namespace
{

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        say(QStringLiteral("usage: instance_probe SOCKET show|toggle EXPECTED"));
        return 2;
    }
    const InstanceRequest request = args[2] == QLatin1String("toggle")
                                        ? InstanceRequest::toggleRecording
                                        : InstanceRequest::showPanel;
    const int expected = args[3].toInt();

    SingleInstance instance(args[1]);
    switch (instance.claim(request)) {
    case SingleInstance::Claim::handedOver:
        say(QStringLiteral("handed over"));
        return 0;
    case SingleInstance::Claim::failed:
        say(QStringLiteral("failed: ") + instance.errorString());
        return 1;
    case SingleInstance::Claim::primary:
        say(QStringLiteral("primary"));
        break;
    }
    int received = 0;
    QObject::connect(&instance, &SingleInstance::requested, &app, [&](InstanceRequest handed) {
        say(handed == InstanceRequest::toggleRecording ? QStringLiteral("requested toggle")
                                                       : QStringLiteral("requested show"));
        if (++received == expected)
            app.quit();
    });
    return expected == 0 ? 0 : app.exec();
}
