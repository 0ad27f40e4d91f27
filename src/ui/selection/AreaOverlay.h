#pragma once

#include "model/ScreenPlacement.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <functional>

class QScreen;

namespace kinetta
{

class Announcer;
class OverlayBackdrop;
class AreaSelectorView;
class RecordingSession;
class Scheduler;

// Opens the area selector in its window: frameless, above everything (panels
// and docks included), covering the screen under the pointer. Without a
// compositor it first grabs that screen and paints the still under the
// dimming, so the user sees what they select. A selection is stored in the
// session with its screen, then handed on to start the recording; a cancel
// only closes the window.
class AreaOverlay final : public QObject
{
    Q_OBJECT

public:
    struct Services {
        Scheduler& scheduler;
        Announcer& announcer;
        RecordingSession& session;
        // RecordingFlow::beginRecording with the area and its screen.
        std::function<void(QRectF area, ScreenPlacement screen)> beginRecording;
        // Whether a compositing manager runs (translucent windows show what
        // is beneath them); checked each time the overlay opens.
        std::function<bool()> compositing;
        bool reduceMotion = false;
    };

    explicit AreaOverlay(Services services, QObject* parent = nullptr);
    ~AreaOverlay() override;

    // Opens the overlay (replacing one still open); false when there is no
    // screen to cover.
    bool show();
    // Opens the overlay over screen with still under the dimming (a picture
    // of the display to record, where the live screen cannot be shown); the
    // area is recorded with placement.
    void showOnStill(QScreen& screen, QImage still, ScreenPlacement placement);
    void close();
    // The open overlay's view; null when closed.
    [[nodiscard]] AreaSelectorView* view() const;

Q_SIGNALS:
    // The user closed the overlay without choosing an area.
    void cancelled();

private:
    void open(QScreen& screen, const OverlayBackdrop& backdrop, ScreenPlacement placement);
    void selected(std::optional<QRectF> area, ScreenPlacement screen);
    void dismiss();

    Services m_services;
    QPointer<AreaSelectorView> m_view;
};

} // namespace kinetta
