#pragma once

#include <QString>
#include <QWidget>
#include <vector>

namespace kinetta
{

class PreviewModel;

// One figure of the title bar: a symbol and its text.
struct StatBadge {
    QString symbol;
    QString text;
};

// The recording's figures: its dimensions (with frames), the selected frame
// count, the duration at the session's rate, and the GIF's size once there is
// one (none while encoding: a busy mark stands there instead).
[[nodiscard]] std::vector<StatBadge> titleBadges(const PreviewModel& model);
// What the screen reader says for the figures: their texts joined by "; ",
// frames and duration as one part, "encoding" while an encode runs.
[[nodiscard]] QString titleStatisticsLabel(const PreviewModel& model);

// The top bar: the logo, "Kinetta", "Preview", and the recording's figures.
class PreviewTitleBar final : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewTitleBar(PreviewModel& model, QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    PreviewModel& m_model;
};

} // namespace kinetta
