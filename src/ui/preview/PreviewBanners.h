#pragma once

#include "ui/overlays/ScheduledTween.h"
#include "ui/preview/PreviewMotion.h"

#include <QString>
#include <QWidget>

namespace kinetta
{

class PreviewModel;
class SymbolButton;
class TextButton;

// What the size banner shows: hidden, offering Optimize (amber) for a large
// GIF, or offering Undo (green) once optimized.
enum class SizeBannerState { hidden, large, optimized };
[[nodiscard]] SizeBannerState sizeBannerState(const PreviewModel& model);
// Its text; empty while no GIF is there to speak of.
[[nodiscard]] QString sizeBannerText(const PreviewModel& model);

// The strip under the frame about a large GIF: its size with Optimize, or
// what optimizing saved with Undo. It opens and closes, and turns from amber
// to green and back, over 0.2 s.
class PreviewSizeBanner final : public QWidget
{
    Q_OBJECT

public:
    PreviewSizeBanner(PreviewModel& model, const PreviewMotion& motion, QWidget* parent = nullptr);
    [[nodiscard]] SizeBannerState state() const { return m_state; }
    // How far open (0 closed, 1 open) and how green (0 amber, 1 green) it is.
    [[nodiscard]] qreal openness() const { return m_open.value(); }
    [[nodiscard]] qreal greenness() const { return m_green.value(); }
    [[nodiscard]] QString text() const { return sizeBannerText(m_model); }
    [[nodiscard]] TextButton* button() const { return m_button; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    void followOpenness();

    PreviewModel& m_model;
    PreviewMotion m_motion;
    TextButton* m_button = nullptr;
    SizeBannerState m_state = SizeBannerState::hidden;
    // What it said last while shown, kept while it closes.
    SizeBannerState m_shownState = SizeBannerState::large;
    QString m_shownText;
    ScheduledTween m_open;
    ScheduledTween m_green;
};

// The strip that shows the last failure until dismissed.
class PreviewErrorBanner final : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewErrorBanner(PreviewModel& model, QWidget* parent = nullptr);
    [[nodiscard]] SymbolButton* dismissButton() const { return m_dismiss; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    PreviewModel& m_model;
    SymbolButton* m_dismiss;
};

} // namespace kinetta
