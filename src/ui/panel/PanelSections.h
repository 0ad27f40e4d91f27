#pragma once

#include <QString>
#include <QWidget>

namespace kinetta
{

namespace panel
{
class TextButton;
}

// The panel's header bar: the logo, the name, the hotkey badge and the quit
// button; where no tray icon holds the menu, a menu button before it.
class PanelHeader final : public QWidget
{
    Q_OBJECT

public:
    explicit PanelHeader(QWidget* parent = nullptr);

    [[nodiscard]] panel::TextButton* quitButton() const { return m_quit; }
    // Hidden unless the owner shows it (the desktop has no tray).
    [[nodiscard]] panel::TextButton* menuButton() const { return m_menu; }
    [[nodiscard]] QSize sizeHint() const override;

    // The hotkey as the badge names it.
    static inline const QString kHotKeyText = QStringLiteral("Ctrl+Shift+G");

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    panel::TextButton* m_menu;
    panel::TextButton* m_quit;
};

// The size of the GIF a recording would make, read out as
// "Output dimensions: 1440 × 900 px".
class OutputSizeLine final : public QWidget
{
    Q_OBJECT

public:
    explicit OutputSizeLine(QWidget* parent = nullptr);

    void setSizeText(const QString& text);
    [[nodiscard]] const QString& sizeText() const { return m_text; }
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

// A plain container that screen readers see as a named group.
class AccessibleGroup final : public QWidget
{
    Q_OBJECT

public:
    explicit AccessibleGroup(const QString& name, QWidget* parent = nullptr);
};

} // namespace kinetta
