#pragma once

#include "app/FileWriter.h"
#include "app/FlowServices.h"
#include "model/Scheduler.h"

#include <QFileDialog>
#include <QPointer>
#include <QWidget>
#include <functional>



namespace kinetta
{

class ActionBar;
class Announcer;
class DragOutFiles;
class PreviewErrorBanner;
class FrameOverlay;
class PreviewActions;
class PreviewTitleBar;
class PreviewView;
class RecordingSession;
class PreviewSizeBanner;

// The preview editor's window: the title bar with the recording's figures,
// the frame with its overlays, the size and error banners, the playback
// panel and the action bar, with their keys. A normal top-level window, so it
// has a taskbar entry while open. Every way of closing it (the title-bar
// button, Ctrl+W, Discard, Record Again) empties the session's frame list and
// tells the owner once.
class PreviewWindow final : public QWidget
{
    Q_OBJECT

public:
    struct Services {
        Scheduler& scheduler;
        FlowEncoder& encoder;
        Announcer& announcer;
        FlowDelivery& delivery;
        FileWriter& writer;
        DragOutFiles& dragFiles;
        bool reduceMotion = false;
    };

    PreviewWindow(RecordingSession& session, Services services, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // Sizes and centres the window on the primary screen's visible area.
    void placeOnScreen();

    // Called after the window closed, whichever way.
    void setOnClosed(std::function<void()> callback) { m_onClosed = std::move(callback); }
    // Discard closes the window, then calls this.
    void setOnDiscard(std::function<void()> callback);
    // Offered only once set: closes the window, then calls this.
    void setOnRecordAgain(std::function<void()> callback);

    // Opens the save dialog in the last folder saved into (not modal).
    void openSaveDialog();
    [[nodiscard]] QFileDialog* saveDialog() const { return m_saveDialog; }

    [[nodiscard]] PreviewView* view() const { return m_view; }
    [[nodiscard]] PreviewActions& actions() const { return *m_actions; }
    [[nodiscard]] PreviewTitleBar* titleBar() const { return m_titleBar; }
    [[nodiscard]] FrameOverlay* frameOverlay() const { return m_overlay; }
    [[nodiscard]] PreviewSizeBanner* sizeBanner() const { return m_sizeBanner; }
    [[nodiscard]] PreviewErrorBanner* errorBanner() const { return m_errorBanner; }
    [[nodiscard]] ActionBar* actionBar() const { return m_actionBar; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void addShortcuts();
    void leaveThen(const std::function<void()>& next);
    void finish();

    RecordingSession& m_session;
    PreviewView* m_view;
    PreviewActions* m_actions;
    PreviewTitleBar* m_titleBar;
    FrameOverlay* m_overlay;
    PreviewSizeBanner* m_sizeBanner;
    PreviewErrorBanner* m_errorBanner;
    ActionBar* m_actionBar;
    QPointer<QFileDialog> m_saveDialog;
    std::function<void()> m_onClosed;
    bool m_finished = false;
};

} // namespace kinetta
