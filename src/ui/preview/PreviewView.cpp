#include "ui/preview/PreviewView.h"

#include "ui/panel/Theme.h"
#include "ui/preview/PlaybackControls.h"
#include "ui/preview/PreviewFrameView.h"
#include "ui/preview/PreviewKeys.h"
#include "ui/preview/TrimBar.h"
#include "ui/preview/TrimInfoRow.h"

#include <QPainter>
#include <QVBoxLayout>

namespace kinetta
{

PreviewView::PreviewView(RecordingSession& session, Scheduler& scheduler, FlowEncoder& encoder,
                         Announcer& announcer, bool reduceMotion, QWidget* parent)
    : QWidget(parent), m_model(session, scheduler, encoder, announcer, reduceMotion),
      m_frameView(new PreviewFrameView(this)), m_trimBar(new TrimBar(this)),
      m_infoRow(new TrimInfoRow(this)), m_controls(new PlaybackControls(m_model, this))
{
    auto* column = new QVBoxLayout(this);
    m_column = column;
    column->setContentsMargins(16, 16, 16, 12);
    column->setSpacing(8);
    column->addWidget(m_frameView, 1);
    column->addWidget(m_trimBar);
    column->addWidget(m_infoRow);
    column->addWidget(m_controls);

    connect(&m_model, &PreviewModel::framesChanged, this, &PreviewView::framesReplaced);
    connect(&m_model, &PreviewModel::changed, this, &PreviewView::selectionChanged);
    connect(&m_model.player(), &GifPlayer::currentFrameChanged, this,
            &PreviewView::selectionChanged);
    // Starting to play decodes the first ticks' frames ahead.
    connect(&m_model.player(), &GifPlayer::isPlayingChanged, this, &PreviewView::showCurrentFrame);
    connect(m_trimBar, &TrimBar::selectionEdited, this, [this](const TrimSelection& edited) {
        // The start first, so a current frame dragged along lands inside.
        m_model.setTrimStart(edited.trimStart);
        m_model.setTrimEnd(edited.trimEnd);
        m_model.player().setCurrentFrame(edited.currentFrame);
    });
    connect(m_infoRow, &TrimInfoRow::undoRequested, &m_model, &PreviewModel::undoTrim);
    connect(m_infoRow, &TrimInfoRow::applyRequested, &m_model, &PreviewModel::applyTrim);
    framesReplaced();
}

PreviewView::~PreviewView() = default;

void PreviewView::addBelowFrame(QWidget* widget)
{
    ++m_belowFrameCount;
    m_column->insertWidget(m_belowFrameCount, widget);
}

void PreviewView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_appeared) {
        m_appeared = true;
        m_model.appear();
    } else if (m_model.frameCount() >= 2 && !m_model.reduceMotion()) {
        m_model.player().play();
    }
    m_keyMonitor = std::make_unique<PreviewKeyMonitor>(this, [this](PreviewKeyAction action) {
        switch (action) {
        case PreviewKeyAction::togglePlayback:
            m_model.togglePlayback();
            break;
        case PreviewKeyAction::stepBackward:
            m_model.stepBackward();
            break;
        case PreviewKeyAction::stepForward:
            m_model.stepForward();
            break;
        }
    });
}

void PreviewView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_model.disappear();
    m_keyMonitor.reset();
}

void PreviewView::framesReplaced()
{
    m_trimBar->setFrames(m_model.frames());
    m_frameView->setFrames(m_model.frames());
    selectionChanged();
}

void PreviewView::selectionChanged()
{
    const TrimSelection selection{m_model.trimStart(), m_model.trimEnd(),
                                  m_model.player().currentFrame()};
    m_trimBar->setSelection(selection);
    m_infoRow->setSummary(m_model.trimSummary());
    m_infoRow->setCanUndo(m_model.canUndoTrim());
    m_infoRow->setCanApply(m_model.isTrimmed() && !m_model.frames().empty());
    showCurrentFrame();
}

void PreviewView::showCurrentFrame()
{
    // A few ticks ahead: a worker held up for a moment by other programs
    // still has the frames ready in time.
    constexpr int lookAhead = 3;
    const GifPlayer& player = m_model.player();
    std::vector<int> upcoming = player.upcomingFrames(lookAhead);
    if (player.currentFrame() != m_frameView->shownIndex() || !upcoming.empty())
        m_frameView->showFrame(player.currentFrame(), std::move(upcoming));
}

void PreviewView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Theme::panelBG());
}

} // namespace kinetta
