#pragma once

#include "model/Scheduler.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QString>

namespace kinetta
{

// The picker's fonts: the application's family at a size in points (device
// independent pixels), so the platform theme's sizes never leak in.
[[nodiscard]] QFont pickerFont(qreal pixelSize, QFont::Weight weight = QFont::Normal);
[[nodiscard]] QFont pickerMonospaceFont(qreal pixelSize);
// white at the given opacity, 0 to 1.
[[nodiscard]] QColor whiteAt(qreal opacity);

// A borderless text button: its text alone, brighter while pressed.
class PlainTextButton final : public QAbstractButton
{
    Q_OBJECT

public:
    PlainTextButton(const QString& text, QFont font, QColor color, QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont m_font;
    QColor m_color;
};

// A drawn symbol as a button, optionally on a filled circle.
class SymbolButton final : public QAbstractButton
{
    Q_OBJECT

public:
    SymbolButton(QString symbol, qreal symbolSize, QColor tint, QColor circleFill,
                 QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    qreal m_symbolSize;
    QColor m_tint;
    QColor m_circleFill;
};

// The spinning ring of the loading state; it stands still with reduced motion.
class ActivityIndicator final : public QWidget
{
    Q_OBJECT

public:
    static constexpr Scheduler::Duration frameInterval{50};

    ActivityIndicator(Scheduler& scheduler, bool reduceMotion, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Scheduler& m_scheduler;
    bool m_reduceMotion;
    int m_step = 0;
    TimerHandle m_ticks;
};

} // namespace kinetta
