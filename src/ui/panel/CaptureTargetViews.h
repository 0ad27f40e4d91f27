#pragma once

#include "model/WindowInfo.h"

#include <QAbstractButton>
#include <QImage>
#include <QWidget>
#include <functional>

namespace kinetta
{

namespace panel
{
class TextButton;
}

// A window's application icon for a square of side points at a ratio.
using WindowIconFunction = std::function<QImage(const WindowInfo&, int side, qreal ratio)>;

// The chosen window: its application's icon, name and title, and "Change".
class ChosenWindowCard final : public QWidget
{
    Q_OBJECT

public:
    explicit ChosenWindowCard(QWidget* parent = nullptr);

    void setWindow(const WindowInfo& window, const QImage& icon);
    [[nodiscard]] const QImage& icon() const { return m_icon; }
    [[nodiscard]] panel::TextButton* changeButton() const { return m_change; }
    [[nodiscard]] QSize sizeHint() const override;

    static constexpr int kIconSize = 26;

Q_SIGNALS:
    void changeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    WindowInfo m_window;
    QImage m_icon;
    panel::TextButton* m_change;
};

// The card-shaped button offered while no window is chosen.
class ChooseWindowButton final : public QAbstractButton
{
    Q_OBJECT

public:
    explicit ChooseWindowButton(QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A card with a symbol, a text and a chevron that only informs: read out as
// one piece of text.
class AreaHintCard final : public QWidget
{
    Q_OBJECT

public:
    explicit AreaHintCard(QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// "Last selection saved" with the "Re-use" button.
class SavedAreaRow final : public QWidget
{
    Q_OBJECT

public:
    explicit SavedAreaRow(QWidget* parent = nullptr);
    [[nodiscard]] panel::TextButton* reuseButton() const { return m_reuse; }

Q_SIGNALS:
    void reuseRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    panel::TextButton* m_reuse;
};

} // namespace kinetta
