// The preview's trim bar and its row over a made-up recording: the whole
// range, a trimmed selection, and the playhead half-way; then the whole view
// as a test window shows it.
#include "Screenshots.h"
#include "model/QtScheduler.h"
#include "model/RecordingSession.h"
#include "ui/common/Announcer.h"
#include "ui/panel/Theme.h"
#include "ui/preview/PreviewFrameView.h"
#include "ui/preview/PreviewView.h"
#include "ui/preview/TrimBar.h"
#include "ui/preview/TrimInfoRow.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPainter>
#include <QVBoxLayout>

namespace
{

using namespace kinetta;

// 60 frames of a ball crossing a sky that darkens, so thumbnails differ.
FrameList recording()
{
    FrameList frames;
    for (int i = 0; i < 60; ++i) {
        QImage image(480, 270, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient sky(0, 0, 0, 270);
        sky.setColorAt(0, QColor::fromHsv(200 + i, 140, 240 - i * 2));
        sky.setColorAt(1, QColor::fromHsv(30, 90, 120));
        painter.fillRect(image.rect(), sky);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(255, 210, 60));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(40 + i * 7, 140 - 60 * std::sin(i / 19.0)), 40, 40);
        painter.end();
        frames.push_back(Frame::fromImage(image));
    }
    return frames;
}

class Backdrop final : public QWidget
{
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Theme::panelBG());
    }
};

QImage trimBarShot(const FrameList& frames, TrimSelection selection, bool canUndo)
{
    Backdrop backdrop;
    auto* bar = new TrimBar(&backdrop);
    auto* row = new TrimInfoRow(&backdrop);
    auto* column = new QVBoxLayout(&backdrop);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(8);
    column->addWidget(bar);
    column->addWidget(row);
    backdrop.resize(632, 110);
    bar->setFrames(frames);
    bar->setSelection(selection);
    const int count = static_cast<int>(frames.size());
    const bool trimmed = selection.trimStart > 0 || selection.trimEnd < count - 1;
    const int selected = selection.trimEnd - selection.trimStart + 1;
    row->setSummary(trimmed ? QStringLiteral("%1 frames selected  (%2s)")
                                  .arg(selected)
                                  .arg(QString::asprintf("%.1f", selected / 10.0))
                            : QStringLiteral("Drag handles to trim"));
    row->setCanUndo(canUndo);
    row->setCanApply(trimmed);
    backdrop.show();
    // Thumbnails come from worker threads.
    const QDeadlineTimer deadline(10000);
    while (!bar->filmstrip().isComplete() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return backdrop.grab().toImage();
}

// Hands back a GIF of a given size at once, in place of encoding.
class InstantEncoder final : public FlowEncoder
{
public:
    [[nodiscard]] std::shared_ptr<EncodeJob> encode(EncodeRequest, Done done) override
    {
        done({QByteArray(1'300'000, 'g'), {}});
        return std::make_shared<EncodeJob>();
    }
};

class QuietAnnouncer final : public Announcer
{
public:
    void announceFrom(QObject*, const QString&, int) override {}
};

// The whole view, paused half-way through a trimmed selection.
QImage previewViewShot(const FrameList& frames)
{
    RecordingSession session;
    session.setFps(10);
    session.setCapturedFrames(frames);
    QtScheduler scheduler;
    InstantEncoder encoder;
    QuietAnnouncer announcer;
    PreviewView view(session, scheduler, encoder, announcer, true);
    view.resize(632, 480);
    view.show();
    view.model().setTrimStart(12);
    view.model().setTrimEnd(44);
    view.model().player().setCurrentFrame(30);
    const QDeadlineTimer deadline(10000);
    while ((view.frameView()->shownIndex() != 30 || !view.trimBar()->filmstrip().isComplete()) &&
           !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return view.grab().toImage();
}

const bool registered = kinetta::screenshots::add("preview", [] {
    const FrameList frames = recording();
    return std::vector<kinetta::screenshots::Shot>{
        {QStringLiteral("preview-trim-whole"), trimBarShot(frames, {0, 59, 0}, false)},
        {QStringLiteral("preview-trim-trimmed"), trimBarShot(frames, {12, 44, 20}, true)},
        {QStringLiteral("preview-trim-playhead-midway"), trimBarShot(frames, {0, 59, 30}, false)},
        {QStringLiteral("preview-view"), previewViewShot(frames)},
    };
});

} // namespace
