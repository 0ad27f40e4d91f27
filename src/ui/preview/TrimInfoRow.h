#pragma once

#include <QWidget>

class QShortcut;

namespace kinetta
{

class TextButton;

// The row below the trim bar: a scissors symbol, what is selected (or how to
// select), then Undo (Ctrl+Z) while a trim can be undone and Apply Trim
// (Ctrl+Return) while a part is selected.
class TrimInfoRow final : public QWidget
{
    Q_OBJECT

public:
    explicit TrimInfoRow(QWidget* parent = nullptr);

    void setSummary(const QString& summary);
    [[nodiscard]] const QString& summary() const { return m_summary; }
    void setCanUndo(bool canUndo);
    void setCanApply(bool canApply);
    [[nodiscard]] TextButton* undoButton() const { return m_undo; }
    [[nodiscard]] TextButton* applyButton() const { return m_apply; }

    [[nodiscard]] QSize sizeHint() const override;

Q_SIGNALS:
    void undoRequested();
    void applyRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButtons();

    QString m_summary;
    TextButton* m_undo;
    TextButton* m_apply;
    QShortcut* m_undoShortcut;
    QShortcut* m_applyShortcut;
    QShortcut* m_applyEnterShortcut;
};

} // namespace kinetta
