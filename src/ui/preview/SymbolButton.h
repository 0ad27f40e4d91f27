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
    [[nodiscard]] const QString& symbol() const { return m_symbol; }
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_side;
};

} // namespace kinetta
