#pragma once

#include "app/AtomicFileWriter.h"
#include "app/FlowTestDoubles.h"
#include "app/PortalHotKey.h"
#include "app/shell/StartAtLogin.h"
#include "app/shell/TrayShell.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/preview/DragOutFiles.h"
#include "ui/preview/PreviewTestDoubles.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace kinetta::test
{

// A key observer that starts or not, as the fixture says.
class ScriptedKeyObserver final : public KeyObserver
{
public:
    explicit ScriptedKeyObserver(bool available) : m_available(available) {}
    [[nodiscard]] Status<QString> start(Handlers) override
    {
        if (!m_available)
            return Failure{QStringLiteral("no XInput here")};
        return {};
    }
    [[nodiscard]] bool isRunning() const override { return m_available; }

private:
    bool m_available;
};

// The shell over fakes and virtual time, launched, with a tray (or without
// one, for the fallback window) and a screen the test may take away.
class ShellTest : public ::testing::Test
{
protected:
    explicit ShellTest(bool tray = true) : m_tray(tray)
    {
        session.setUseCountdown(false);
        session.setAutoCopy(true);
        session.setUseAutoStop(false);
    }

    void SetUp() override
    {
        PermissionsActions actions;
        actions.confirm = [this](const Confirmation&, std::function<void(bool)> answered) {
            events << "confirm";
            answered(acceptConfirmations);
        };
        actions.startDetached = [this](const QString&, const QStringList&) {
            QMetaObject::invokeMethod(qApp, [this] { events << "startDetached"; });
            return true;
        };
        actions.openUrl = [this](const QUrl& url) { events << "open " + url.host(); };
        actions.quit = [this] { events << "quit"; };
        actions.beforeRelaunch = [this] { events << "release"; };
        shell = std::make_unique<TrayShell>(ShellServices{
            session, scheduler, recorder, encoder, delivery, announcer,
            AtomicFileWriter::instance(), dragFiles,
            [this] { return std::make_unique<ScriptedKeyObserver>(observerAvailable); },
            std::move(actions),
            [](QObject*, std::function<void(QString)> done) { done(QStringLiteral("1-2")); },
            [this] { return screen; }, [](std::uint32_t) { return std::optional<QImage>(); },
            nullptr, m_tray, [] { return false; }, true, QStringLiteral("1.0"),
            QStringLiteral("Kinetta 1.0 (abc)"), &startAtLogin, pointerHidden, portalHotKey, displayStill, windowsUnavailable, chooseWindow});
        shell->launch();
    }

    void TearDown() override
    {
        shell.reset();
        QCoreApplication::processEvents();
    }

    void startRecording()
    {
        session.setCaptureMode(CaptureMode::fullScreen);
        shell->flow().beginRecording();
        ASSERT_FALSE(recorder.pendingStarts.empty());
        recorder.completeStart();
        ASSERT_TRUE(session.isRecording());
    }

    RecordingSession session;
    VirtualScheduler scheduler;
    FakeRecorder recorder;
    FakeEncoder encoder;
    FakeDelivery delivery;
    RecordingAnnouncer announcer;
    QTemporaryDir temp;
    DragOutFiles dragFiles{temp.path(), AtomicFileWriter::instance()};
    StartAtLogin startAtLogin{temp.path() + QStringLiteral("/autostart"),
                              QStringLiteral("/usr/bin/kinetta"), AtomicFileWriter::instance()};
    QScreen* screen = QGuiApplication::primaryScreen();
    bool observerAvailable = true;
    bool acceptConfirmations = true;
    // A Wayland desktop: the pointer cannot be read outside our windows.
    bool pointerHidden = false;
    // A Wayland desktop's hotkey, through a portal of the test's.
    std::function<std::unique_ptr<PortalHotKey>(std::function<void()>)> portalHotKey;
    // A display chosen by capture, with its picture, for areas (Wayland).
    std::function<std::optional<CaptureResult<DisplayStill>>(bool)> displayStill;
    // Why windows cannot be recorded (Wayland); empty: the picker.
    QString windowsUnavailable;
    std::function<std::optional<CaptureResult<ShareableWindow>>(bool)> chooseWindow;
    QStringList events;
    std::unique_ptr<TrayShell> shell;

private:
    bool m_tray;
};

} // namespace kinetta::test
