#pragma once

#include "model/Frame.h"
#include "ui/preview/Filmstrip.h"
#include "ui/preview/TrimGeometry.h"

#include <QWidget>
#include <optional>

namespace kinetta
{

// The preview's scrubber: a filmstrip of the recording with the excluded ends
// darkened, a start and an end handle and a playhead. Dragging edits the
// selection and the frame shown; so do the accessibility actions, and Up and
// Down step the frame while it has the focus. It never changes the frames:
// whoever owns the selection hears selectionEdited and sets it back.
class TrimBar final : public QWidget
{
    Q_OBJECT

public:
    explicit TrimBar(QWidget* parent = nullptr);

    void setFrames(const FrameList& frames);
    [[nodiscard]] int frameCount() const { return m_frameCount; }
    void setSelection(const TrimSelection& selection);
    [[nodiscard]] const TrimSelection& selection() const { return m_selection; }
    [[nodiscard]] TrimBarGeometry geometryNow() const;
    [[nodiscard]] const Filmstrip& filmstrip() const { return m_filmstrip; }
    // What the current drag moves, if one runs.
    [[nodiscard]] std::optional<DragTarget> activeTarget() const { return m_active; }

    // Edits as the user makes them, also for assistive technology.
    void edit(const TrimSelection& selection);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

Q_SIGNALS:
    void selectionEdited(const kinetta::TrimSelection& selection);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    [[nodiscard]] QRectF trackRect() const;
    void dragTo(qreal x);
    void paintHandle(QPainter& painter, qreal x, const QRectF& track) const;
    void paintPlayhead(QPainter& painter, qreal x) const;

    Filmstrip m_filmstrip;
    int m_frameCount = 0;
    TrimSelection m_selection;
    std::optional<DragTarget> m_active;
};

// Lets assistive technology read and adjust trim bars.
void installTrimBarAccessibility();

} // namespace kinetta
