#pragma once

#include "model/CaptureMode.h"
#include "model/Scheduler.h"
#include "ui/panel/Transition.h"

#include <QAbstractButton>

namespace kinetta
{

// One button of the capture-mode row: the mode's symbol above its name, on
// the brand tint when selected. Screen readers see a selectable button named
// by the mode, hinted with what a click does.
class ModeChip final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ModeChip(CaptureMode mode, QWidget* parent = nullptr);

    // Animations run on scheduler unless motion is reduced.
    void setScheduler(Scheduler* scheduler, bool reduceMotion);
    void setSelected(bool selected);
    [[nodiscard]] bool isSelected() const { return m_selected; }
    [[nodiscard]] CaptureMode mode() const { return m_mode; }

    [[nodiscard]] QSize sizeHint() const override;

    // "Record full screen", "Record a window", "Record a custom area".
    [[nodiscard]] static QString accessibleLabel(CaptureMode mode);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CaptureMode m_mode;
    bool m_selected = false;
    Transition m_selection; // 0 plain, 1 selected
};

} // namespace kinetta
