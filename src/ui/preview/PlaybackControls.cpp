#include "ui/preview/PlaybackControls.h"

#include "model/SizeText.h"
#include "ui/panel/Theme.h"
#include "ui/preview/PreviewModel.h"
#include "ui/preview/SymbolButton.h"
#include "ui/preview/TextButton.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSpacerItem>
#include <QtMath>

namespace kinetta
{
namespace
{

constexpr int symbolSide = 12;
constexpr int playSymbolSide = 13;
constexpr int playDiameter = 36;
constexpr int chipPixelSize = 10;
const QColor dimSymbol(255, 255, 255, 128);

// The keys the preview answers to, shown as small caps of their own.
const QStringList& keyboardHints()
{
    static const QStringList hints = {QStringLiteral("Space"), QStringLiteral("← →"),
                                      QStringLiteral("S"), QStringLiteral("C"),
                                      QStringLiteral("R")};
    return hints;
}
constexpr qreal hintPadX = 5;
constexpr qreal hintPadY = 3;
constexpr qreal hintSpacing = 4;

QFont hintFont()
{
    QFont font;
    font.setPixelSize(9);
    font.setWeight(QFont::Medium);
    return font;
}

QSizeF hintsSize()
{
    const QFontMetricsF metrics(hintFont());
    qreal width = 0;
    for (const QString& hint : keyboardHints())
        width += metrics.horizontalAdvance(hint) + 2 * hintPadX + hintSpacing;
    return {width - hintSpacing, metrics.height() + 2 * hintPadY};
}

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
      m_play(new SymbolButton(QStringLiteral("play.fill"), QStringLiteral("Play GIF"),
                              playSymbolSide, this)),
      m_time(makeLabel(this, QColor(255, 255, 255, 128))),
      m_status(makeLabel(this, QColor(255, 255, 255, 115))),
      m_hints(new QSpacerItem(qCeil(hintsSize().width()), qCeil(hintsSize().height()),
                              QSizePolicy::Fixed, QSizePolicy::Fixed))
{
    auto* toStart = new SymbolButton(QStringLiteral("backward.end.fill"),
                                     QStringLiteral("Go to beginning"), symbolSide, this);
    auto* toEnd = new SymbolButton(QStringLiteral("forward.end.fill"), QStringLiteral("Go to end"),
                                   symbolSide, this);
    toStart->setTint(dimSymbol);
    toEnd->setTint(dimSymbol);
    m_play->setDisc(playDiameter);
    m_play->setAccessibleDescription(QStringLiteral("Space bar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    row->addWidget(toStart);
    row->addWidget(m_play);
    row->addWidget(toEnd);
    auto* speeds = new QWidget(this);
    speeds->setAccessibleName(QStringLiteral("Playback speed"));
    auto* speedRow = new QHBoxLayout(speeds);
    speedRow->setContentsMargins(0, 0, 0, 0);
    speedRow->setSpacing(3);
    for (const SpeedOption& option : PreviewModel::speedOptions()) {
        auto* chip = new TextButton(option.label, chipPixelSize, QFont::DemiBold,
                                    QColor(255, 255, 255, 200), speeds);
        chip->setCheckable(true);
        chip->setAccessibleName(option.label + QStringLiteral(" playback speed"));
        const double speed = option.speed;
        connect(chip, &QAbstractButton::clicked, this, [this, speed] { m_model.setSpeed(speed); });
        speedRow->addWidget(chip);
        m_chips.push_back(chip);
    }
    row->addWidget(speeds);
    row->addStretch(1);
    row->addWidget(m_status);
    row->addSpacerItem(m_hints);
    m_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_time->setTextFormat(Qt::RichText);
    row->addWidget(m_time);

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
    return m_model.currentTimeStr() + QStringLiteral(" / ") + m_model.durationStr();
}

QString PlaybackControls::frameText() const
{
    return QStringLiteral("Frame ") + QString::number(m_model.shownFrameNumber()) +
           QStringLiteral(" / ") + QString::number(m_model.trimmedCount());
}

QString PlaybackControls::spokenTime() const
{
    return QStringLiteral("Frame ") + QString::number(m_model.shownFrameNumber()) +
           QStringLiteral(" of ") + QString::number(m_model.trimmedCount()) +
           QStringLiteral(", ") + m_model.currentTimeStr() + QStringLiteral(" of ") +
           m_model.durationStr();
}

void PlaybackControls::paintEvent(QPaintEvent*)
{
    const QRectF area = m_hints->geometry();
    if (area.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(hintFont());
    const QFontMetricsF metrics(hintFont());
    const qreal height = metrics.height() + 2 * hintPadY;
    qreal x = area.left();
    for (const QString& hint : keyboardHints()) {
        const QRectF chip(x, area.center().y() - height / 2,
                          metrics.horizontalAdvance(hint) + 2 * hintPadX, height);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 13));
        painter.drawRoundedRect(chip, 3, 3);
        painter.setPen(QColor(255, 255, 255, 64));
        painter.drawText(chip, Qt::AlignCenter, hint);
        x = chip.right() + hintSpacing;
    }
}

QString PlaybackControls::statusText() const
{
    return m_status->text();
}

void PlaybackControls::refresh()
{
    const bool playing = m_model.player().isPlaying();
    m_play->setSymbol(playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"));
    m_play->setAccessibleName(playing ? QStringLiteral("Pause") : QStringLiteral("Play GIF"));
    const auto& options = PreviewModel::speedOptions();
    for (std::size_t i = 0; i < m_chips.size(); ++i)
        m_chips[i]->setChecked(options[i].speed == m_model.playbackSpeed());
    m_time->setText(QStringLiteral("<div style=\"font-size:11px; font-weight:500;\">%1</div>"
                                   "<div style=\"font-size:10px; color:rgba(255,255,255,64);\">"
                                   "%2</div>")
                        .arg(timeText().toHtmlEscaped(), frameText().toHtmlEscaped()));
    m_time->setAccessibleName(spokenTime());
    m_status->setText(encodeStatusText(m_model));
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::WindowText,
                     m_model.encodeError() ? Theme::ktPink() : QColor(255, 255, 255, 115));
    m_status->setPalette(palette);
}

} // namespace kinetta
