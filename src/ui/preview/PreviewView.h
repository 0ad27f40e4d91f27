#pragma once

#include "ui/preview/PreviewModel.h"

#include <QWidget>
#include <memory>

class QVBoxLayout;

namespace kinetta
{

class PlaybackControls;
class PreviewFrameView;
class PreviewKeyMonitor;
class TrimBar;
class TrimInfoRow;

// The preview's content: the frame on screen, the trim bar with its row, and
// the playback controls, over one model. Showing it plays the recording (or
// opens paused with reduced motion) and starts listening to Space and the
// arrows; hiding it stops both.
class PreviewView final : public QWidget
{
    Q_OBJECT

public:
    PreviewView(RecordingSession& session, Scheduler& scheduler, FlowEncoder& encoder,
                Announcer& announcer, bool reduceMotion, QWidget* parent = nullptr);
    ~PreviewView() override;

    [[nodiscard]] PreviewModel& model() { return m_model; }
    [[nodiscard]] PreviewFrameView* frameView() const { return m_frameView; }
    [[nodiscard]] TrimBar* trimBar() const { return m_trimBar; }
    [[nodiscard]] TrimInfoRow* trimInfoRow() const { return m_infoRow; }
    [[nodiscard]] PlaybackControls* controls() const { return m_controls; }
    // Places widget between the frame and the trim bar, under what was put
    // there before (the window's banners).
    void addBelowFrame(QWidget* widget);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void framesReplaced();
    void selectionChanged();
    void showCurrentFrame();

    PreviewModel m_model;
    QVBoxLayout* m_column = nullptr;
    int m_belowFrameCount = 0;
    PreviewFrameView* m_frameView;
    TrimBar* m_trimBar;
    TrimInfoRow* m_infoRow;
    PlaybackControls* m_controls;
    std::unique_ptr<PreviewKeyMonitor> m_keyMonitor;
    bool m_appeared = false;
};

} // namespace kinetta
