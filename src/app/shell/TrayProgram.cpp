#include "app/shell/TrayProgram.h"

#include "app/AsyncScreenRecorder.h"
#include "app/AtomicFileWriter.h"
#include "app/DesktopDelivery.h"
#include "app/PortalHotKey.h"
#include "app/ThreadedGifEncoder.h"
#include "app/shell/ApplicationId.h"
#include "app/shell/LaunchRequest.h"
#include "app/shell/QtPlatformChoice.h"
#include "app/shell/RelaunchActions.h"
#include "app/shell/SingleInstance.h"
#include "app/shell/StartAtLogin.h"
#include "app/shell/StatusTexts.h"
#include "app/shell/TrayShell.h"
#include "app/shell/TrayStatusItem.h"
#include "capture/CaptureBackend.h"
#include "capture/Compositing.h"
#include "capture/ScreenRecorder.h"
#include "kinetta/Version.h"
#include "model/IniPreferencesStore.h"
#include "model/QtScheduler.h"
#include "model/RecordingSession.h"
#include "ui/common/AtSpiAnnouncer.h"
#include "ui/common/ReduceMotion.h"
#include "ui/icons/WindowIconLookup.h"
#include "ui/overlays/InteractionScreen.h"
#include "ui/overlays/MouseScreen.h"
#include "ui/preview/DragOutFiles.h"

#include <QApplication>
#include <QMetaObject>
#include <QSystemTrayIcon>
#include <cstdio>

namespace kinetta
{
namespace
{

void printLine(const QString& line)
{
    std::fprintf(stderr, "kinetta: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString dragFolder()
{
    auto folder = DragOutFiles::defaultFolder();
    if (folder.ok())
        return folder.value();
    printLine(QStringLiteral("dragged files cannot be written: ") + folder.message());
    return {};
}

} // namespace

int runTrayProgram(int argc, char** argv)
{
    // Before the application: Qt reads the platform when it starts.
    const QtPlatformChoice platform = applyQtPlatformChoice();
    const bool wayland = isWaylandSession();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kinetta"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    QApplication::setQuitOnLastWindowClosed(false);

    const auto request = desktopRequestFrom(QApplication::arguments().mid(1));
    if (const QString* error = std::get_if<QString>(&request)) {
        printLine(*error);
        return 2;
    }
    const InstanceRequest asked = std::get<InstanceRequest>(request);
    // Before any window: a running instance takes the request and this one ends.
    SingleInstance instance;
    switch (instance.claim(asked)) {
    case SingleInstance::Claim::handedOver:
        return 0;
    case SingleInstance::Claim::failed:
        printLine(QStringLiteral("running on without the single-instance check: ") +
                  instance.errorString());
        break;
    case SingleInstance::Claim::primary:
        break;
    }

    if (wayland)
        printLine(QStringLiteral("Qt platform: ") + platform.reason);
    // Where the pointer cannot be read outside our windows, "where the user
    // is" means the screen of the last press or key in one of them.
    InteractionScreen interaction;
    std::function<QScreen*()> userScreen = [] { return mouseScreen(); };
    if (wayland)
        userScreen = [&interaction] { return interaction.screen(); };

    RecordingSession session(std::make_shared<IniPreferencesStore>());
    session.setWindowListSource(createWindowListSource());
    QtScheduler scheduler;
    const std::shared_ptr<CaptureSource> capture = createCaptureSource();
    AsyncScreenRecorder recorder(
        std::make_unique<ScreenRecorder>(capture, FrameStore::optionsFromEnvironment()));
    ThreadedGifEncoder encoder;
    DesktopDelivery delivery;
    AtSpiAnnouncer announcer;
    DragOutFiles dragFiles(dragFolder(), AtomicFileWriter::instance());
    WindowIconLookup icons(createWindowIconReader());

    // The login entry starts this very program, wherever it is installed.
    StartAtLogin startAtLogin(StartAtLogin::defaultFolder(),
                              QCoreApplication::applicationFilePath(),
                              AtomicFileWriter::instance());

    // The new process must become the running instance, not hand over to this one.
    PermissionsActions permissions =
        releasingInstanceOnRelaunch(desktopPermissionsActions(), instance);
    ShellServices services{session,
                           scheduler,
                           recorder,
                           encoder,
                           delivery,
                           announcer,
                           AtomicFileWriter::instance(),
                           dragFiles,
                           createKeyObserver,
                           std::move(permissions),
                           {},
                           userScreen,
                           [capture](std::uint32_t id) { return capture->windowSnapshot(id); },
                           &icons,
                           QSystemTrayIcon::isSystemTrayAvailable(),
                           [] { return compositingManagerRunning(); },
                           reduceMotion(),
                           QString::fromLatin1(kVersion),
                           buildVersionLine(),
                           &startAtLogin,
                           wayland,
                           {},
                           {},
                           {},
                           {}};
    if (wayland) {
        services.portalHotKey = [](std::function<void()> activated) {
            return std::make_unique<PortalHotKey>(QDBusConnection::sessionBus(),
                                                  std::move(activated));
        };
        // Asked once at launch, before the event loop runs.
        if (desktopChoosesWindows())
            services.chooseWindow = [capture](bool showsCursor) {
                return capture->chooseWindow(showsCursor);
            };
        else
            services.windowsUnavailable = TrayShell::kWindowsUnavailable;
        // The portal chooses the monitor; the area is drawn on its picture.
        services.displayStill = [capture](bool showsCursor) {
            return capture->displayStill(showsCursor);
        };
    }
    TrayShell shell(std::move(services));
    QObject::connect(&shell, &TrayShell::quitRequested, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    shell.launch();
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &shell, &TrayShell::terminate);
    QObject::connect(&instance, &SingleInstance::requested, &shell, &TrayShell::handleRequest);
    printLine(shell.statusItem().hasTray()
                  ? QStringLiteral("tray icon shown")
                  : QStringLiteral("no system tray; the control panel opens as a window"));
    if (asked == InstanceRequest::toggleRecording)
        QMetaObject::invokeMethod(
            &shell, [&shell] { shell.handleRequest(InstanceRequest::toggleRecording); },
            Qt::QueuedConnection);
    // At exit the shell goes before the services it uses, and with it the
    // global key observer.
    return QApplication::exec();
}

} // namespace kinetta
