#include "ui/preview/PlaybackControls.h"

#include "model/SizeText.h"
#include "ui/panel/Theme.h"
#include "ui/preview/PreviewModel.h"
#include "ui/preview/SymbolButton.h"
#include "ui/preview/TextButton.h"

#include <QHBoxLayout>
#include <QLabel>

namespace kinetta
{
namespace
{

constexpr int symbolSide = 14;
constexpr int chipPixelSize = 11;

QLabel* makeLabel(QWidget* parent, QColor colour)
{
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

} // namespace

QString encodeStatusText(const PreviewModel& model)
{
    if (model.isEncoding()) {
        const QString encoding = QStringLiteral("Encoding…");
        return model.encodeProgress()
                   ? encoding + QLatin1Char(' ') + QString::number(*model.encodeProgress()) +
                         QLatin1Char('%')
                   : encoding;
    }
    if (model.encodeError())
        return *model.encodeError();
    if (model.gifData())
        return formattedSize(model.gifData()->size());
    return {};
}

PlaybackControls::PlaybackControls(PreviewModel& model, QWidget* parent)
    : QWidget(parent), m_model(model),
      m_play(
          new SymbolButton(QStringLiteral("play.fill"), QStringLiteral("Play"), symbolSide, this)),
      m_time(makeLabel(this, QColor(255, 255, 255, 153))),
      m_status(makeLabel(this, QColor(255, 255, 255, 115)))
{
    auto* toStart = new SymbolButton(QStringLiteral("backward.end.fill"),
                                     QStringLiteral("Go to start"), symbolSide, this);
    auto* toEnd = new SymbolButton(QStringLiteral("forward.end.fill"), QStringLiteral("Go to end"),
                                   symbolSide, this);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(toStart);
    row->addWidget(m_play);
    row->addWidget(toEnd);
    row->addSpacing(8);
    for (const SpeedOption& option : PreviewModel::speedOptions()) {
        auto* chip = new TextButton(option.label, chipPixelSize, QFont::DemiBold,
                                    QColor(255, 255, 255, 200), this);
        chip->setCheckable(true);
        chip->setAccessibleName(QStringLiteral("Playback speed ") + option.label);
        const double speed = option.speed;
        connect(chip, &QAbstractButton::clicked, this, [this, speed] { m_model.setSpeed(speed); });
        row->addWidget(chip);
        m_chips.push_back(chip);
    }
    row->addSpacing(8);
    row->addWidget(m_time);
    row->addStretch(1);
    row->addWidget(m_status);

    connect(toStart, &QAbstractButton::clicked, this, [this] { m_model.goToStart(); });
    connect(toEnd, &QAbstractButton::clicked, this, [this] { m_model.goToEnd(); });
    connect(m_play, &QAbstractButton::clicked, this, [this] { m_model.togglePlayback(); });
    connect(&model, &PreviewModel::changed, this, &PlaybackControls::refresh);
    connect(&model.player(), &GifPlayer::currentFrameChanged, this, &PlaybackControls::refresh);
    connect(&model.player(), &GifPlayer::isPlayingChanged, this, &PlaybackControls::refresh);
    refresh();
}

QString PlaybackControls::timeText() const
{
    return m_time->text();
}

QString PlaybackControls::statusText() const
{
    return m_status->text();
}

void PlaybackControls::refresh()
{
    const bool playing = m_model.player().isPlaying();
    m_play->setSymbol(playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"));
    m_play->setAccessibleName(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
    const auto& options = PreviewModel::speedOptions();
    for (std::size_t i = 0; i < m_chips.size(); ++i)
        m_chips[i]->setChecked(options[i].speed == m_model.playbackSpeed());
    m_time->setText(m_model.currentTimeStr());
    m_status->setText(encodeStatusText(m_model));
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::WindowText,
                     m_model.encodeError() ? Theme::ktPink() : QColor(255, 255, 255, 115));
    m_status->setPalette(palette);
}

} // namespace kinetta
