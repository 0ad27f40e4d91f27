#pragma once

#include <QString>
#include <QWidget>

namespace kinetta
{

namespace panel
{
class PanelLabel;
class TextButton;
} // namespace panel

// Shown while the global hotkey cannot be observed: what is wrong and the
// button that sets the key observer up afresh.
class HotKeyBanner final : public QWidget
{
    Q_OBJECT

public:
    explicit HotKeyBanner(QWidget* parent = nullptr);

    [[nodiscard]] panel::TextButton* repairButton() const { return m_repair; }
    [[nodiscard]] QString caption() const;
    // Another text than the key watcher's (the desktop's shortcut service);
    // an empty one brings the key watcher's back.
    void setCaption(const QString& text);

Q_SIGNALS:
    void repairRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    panel::PanelLabel* m_caption;
    panel::TextButton* m_repair;
};

// The last capture error, with a dismiss button; for a refused screen
// capture also the buttons that open the settings and relaunch.
class ErrorBanner final : public QWidget
{
    Q_OBJECT

public:
    explicit ErrorBanner(QWidget* parent = nullptr);

    void setMessage(const QString& message);
    [[nodiscard]] QString text() const;
    [[nodiscard]] panel::TextButton* dismissButton() const { return m_dismiss; }
    [[nodiscard]] panel::TextButton* settingsButton() const { return m_settings; }
    [[nodiscard]] panel::TextButton* relaunchButton() const { return m_relaunch; }

    // The system yellow of a dark appearance.
    [[nodiscard]] static QColor yellow();

Q_SIGNALS:
    void dismissRequested();
    void openSettingsRequested();
    void relaunchRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    panel::PanelLabel* m_text;
    panel::TextButton* m_dismiss;
    QWidget* m_fixRow;
    panel::TextButton* m_settings;
    panel::TextButton* m_relaunch;
};

} // namespace kinetta
