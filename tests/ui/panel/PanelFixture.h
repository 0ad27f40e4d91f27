#pragma once

#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/common/Announcer.h"
#include "ui/panel/ControlPanelView.h"

#include <QList>
#include <memory>
#include <utility>

namespace kinetta::test
{

// Keeps what would have been spoken.
class RecordingAnnouncer final : public Announcer
{
public:
    struct Spoken {
        QObject* source;
        QString text;
        int priority;
    };
    QList<Spoken> spoken;

    void announceFrom(QObject* source, const QString& text, int priority) override
    {
        spoken.append({source, text, priority});
    }
};

// A panel over a session of its own, with every callback counted.
struct PanelFixture {
    RecordingSession session;
    RecordingAnnouncer announcer;
    VirtualScheduler scheduler;
    bool trusted = true;
    int trustQueries = 0;
    std::optional<ScreenMetrics> screen = ScreenMetrics{QSizeF(1440, 900), 2.0};
    int starts = 0, lastAreas = 0, chooses = 0, repairs = 0, quits = 0, settings = 0,
        relaunches = 0;
    QList<int> heights;
    // Icons asked for: the window's id and the side in points.
    QList<std::pair<std::uint32_t, int>> iconRequests;
    QImage iconToGive;
    std::unique_ptr<ControlPanelView> panel;

    // Makes the panel; reduceMotion and a scheduler for the animations.
    ControlPanelView& make(bool withScheduler = false, bool reduceMotion = false)
    {
        ControlPanelCallbacks callbacks{
            [this] { ++starts; }, [this] { ++lastAreas; }, [this] { ++chooses; },
            [this](int height) { heights.append(height); }, [this] { ++repairs; }};
        ControlPanelEnvironment environment;
        environment.isHotKeyTrusted = [this] {
            ++trustQueries;
            return trusted;
        };
        environment.quit = [this] { ++quits; };
        environment.openPrivacySettings = [this] { ++settings; };
        environment.relaunch = [this] { ++relaunches; };
        environment.announcer = &announcer;
        environment.scheduler = withScheduler ? &scheduler : nullptr;
        environment.reduceMotion = reduceMotion;
        environment.screen = [this] { return screen; };
        environment.windowIcon = [this](const WindowInfo& window, int side, qreal) {
            iconRequests.append({window.windowID, side});
            return iconToGive;
        };
        panel = std::make_unique<ControlPanelView>(session, std::move(callbacks),
                                                   std::move(environment));
        return *panel;
    }

    [[nodiscard]] const ControlPanelView::Parts& parts() const { return panel->parts(); }
};

inline WindowInfo sampleWindow()
{
    WindowInfo window;
    window.windowID = 0x400001;
    window.appName = QStringLiteral("Text Editor");
    window.title = QStringLiteral("notes.txt");
    window.frame = QRectF(40, 60, 1280, 800);
    window.pid = 4242;
    return window;
}

} // namespace kinetta::test
