#pragma once

#include <QWidget>
#include <vector>

class QLabel;

namespace kinetta
{

class PreviewModel;
class SymbolButton;
class TextButton;

// The row under the trim bar: to the start, play or pause, to the end, the
// speed chips, the time from the selection's start, and what the GIF is
// doing (encoding with its percentage, its size, or its error).
class PlaybackControls final : public QWidget
{
    Q_OBJECT

public:
    explicit PlaybackControls(PreviewModel& model, QWidget* parent = nullptr);

    [[nodiscard]] QString timeText() const;
    [[nodiscard]] QString statusText() const;
    [[nodiscard]] SymbolButton* playButton() const { return m_play; }
    [[nodiscard]] const std::vector<TextButton*>& speedChips() const { return m_chips; }

private:
    void refresh();

    PreviewModel& m_model;
    SymbolButton* m_play;
    std::vector<TextButton*> m_chips;
    QLabel* m_time;
    QLabel* m_status;
};

// What the GIF is doing, in words: "Encoding… 42%", "1.2 MB", the error.
[[nodiscard]] QString encodeStatusText(const PreviewModel& model);

} // namespace kinetta
