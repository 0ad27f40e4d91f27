#pragma once

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
// what optimizing saved with Undo.
class PreviewSizeBanner final : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewSizeBanner(PreviewModel& model, QWidget* parent = nullptr);
    [[nodiscard]] SizeBannerState state() const { return m_state; }
    [[nodiscard]] QString text() const { return sizeBannerText(m_model); }
    [[nodiscard]] TextButton* button() const { return m_button; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    PreviewModel& m_model;
    TextButton* m_button = nullptr;
    SizeBannerState m_state = SizeBannerState::hidden;
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
