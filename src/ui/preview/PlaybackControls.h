#pragma once

#include <QWidget>
#include <vector>

class QLabel;
class QSpacerItem;

namespace kinetta
{

class PreviewModel;
class SymbolButton;
class TextButton;

// The row under the trim bar: to the start, play or pause, to the end, the
// speed chips, what the GIF is doing (encoding with its percentage, its size,
// or its error), the keyboard hints and the time and frame shown.
class PlaybackControls final : public QWidget
{
    Q_OBJECT

public:
    explicit PlaybackControls(PreviewModel& model, QWidget* parent = nullptr);

    // "1.2s / 4.0s", then "Frame 13 / 40"; read as one element.
    [[nodiscard]] QString timeText() const;
    [[nodiscard]] QString frameText() const;
    [[nodiscard]] QString spokenTime() const;
    [[nodiscard]] QString statusText() const;
    [[nodiscard]] SymbolButton* playButton() const { return m_play; }
    [[nodiscard]] const std::vector<TextButton*>& speedChips() const { return m_chips; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    PreviewModel& m_model;
    SymbolButton* m_play;
    std::vector<TextButton*> m_chips;
    QLabel* m_time;
    QLabel* m_status;
    // Where the keyboard hints are painted: drawn, not widgets, so that
    // screen readers pass over them.
    QSpacerItem* m_hints;
};

// What the GIF is doing, in words: "Encoding… 42%", "1.2 MB", the error.
[[nodiscard]] QString encodeStatusText(const PreviewModel& model);

} // namespace kinetta
