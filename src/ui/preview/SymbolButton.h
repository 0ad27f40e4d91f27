#pragma once

#include <QAbstractButton>
#include <QColor>

namespace kinetta
{

// A borderless button that is one drawn symbol, its accessible name saying
// what it does.
class SymbolButton final : public QAbstractButton
{
    Q_OBJECT

public:
    SymbolButton(const QString& symbol, const QString& accessibleName, int side,
                 QWidget* parent = nullptr);

    void setSymbol(const QString& symbol);
    // The symbol's colour at rest (white at 86% unless set).
    void setTint(const QColor& tint);
    // Draws the symbol in white on a brand-gradient disc this many points
    // across (0: no disc).
    void setDisc(int diameter);
    [[nodiscard]] const QString& symbol() const { return m_symbol; }
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_side;
    QColor m_tint{255, 255, 255, 220};
    int m_disc = 0;
};

} // namespace kinetta
