#pragma once

#include "model/Scheduler.h"
#include "ui/panel/Transition.h"

#include <QAbstractButton>
#include <QImage>

namespace kinetta
{

// The start button at the foot of the panel, with the footer's padding around
// it (its shadow falls there). On the brand gradient while it may record, dim
// and disabled otherwise; under the pointer it casts a purple shadow and,
// unless motion is reduced, grows a little.
class RecordButton final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit RecordButton(QWidget* parent = nullptr);

    void setScheduler(Scheduler* scheduler, bool reduceMotion);
    void setCanRecord(bool canRecord);
    [[nodiscard]] bool canRecord() const { return m_canRecord; }
    [[nodiscard]] bool isHovered() const { return m_hovered; }

    // What the pointer over it shows now: the shadow's opacity and the scale.
    [[nodiscard]] double shadowOpacity() const;
    [[nodiscard]] double scale() const;
    // The button itself, inside the footer's padding.
    [[nodiscard]] QRectF buttonRect() const;

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;
    bool event(QEvent* event) override;

private:
    void setHovered(bool hovered);
    void retarget();
    [[nodiscard]] const QImage& shadowImage();

    bool m_canRecord = true;
    bool m_hovered = false;
    bool m_reduceMotion = false;
    Transition m_enabledLook; // 1: gradient, 0: dim fill
    Transition m_hoverLook;   // 1: shadow and scale
    QImage m_shadow;
    QSize m_shadowFor;
};

} // namespace kinetta
