#pragma once

#include <QAbstractButton>
#include <QString>
#include <QWidget>

namespace kinetta
{

class PreviewActions;
class PreviewModel;

// One button of the action bar: a symbol and a title on a rounded plate.
// Destructive ones are red, secondary ones white, the primary one sits on the
// brand gradient while enabled; busy shows a spinning mark for the symbol.
class ActionButton final : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Style { destructive, secondary, primary };

    ActionButton(Style style, const QString& title, const QString& symbol, const QString& hint,
                 QWidget* parent = nullptr);
    void setLook(const QString& title, const QString& symbol, bool busy = false);
    [[nodiscard]] const QString& symbol() const { return m_symbol; }
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Style m_style;
    QString m_symbol;
    bool m_busy = false;
};

// The bottom row: Discard, Record Again, Boomerang, Copy PNG, Copy and Save,
// each shown and enabled as the preview's state allows, sharing the width.
class ActionBar final : public QWidget
{
    Q_OBJECT

public:
    ActionBar(PreviewModel& model, PreviewActions& actions, QWidget* parent = nullptr);

    [[nodiscard]] ActionButton* discardButton() const { return m_discard; }
    [[nodiscard]] ActionButton* recordAgainButton() const { return m_recordAgain; }
    [[nodiscard]] ActionButton* boomerangButton() const { return m_boomerang; }
    [[nodiscard]] ActionButton* copyPngButton() const { return m_copyPng; }
    [[nodiscard]] ActionButton* copyButton() const { return m_copy; }
    [[nodiscard]] ActionButton* saveButton() const { return m_save; }

    void refresh();

Q_SIGNALS:
    // Save was pressed; the window opens the save dialog.
    void saveRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PreviewModel& m_model;
    PreviewActions& m_actions;
    ActionButton* m_discard;
    ActionButton* m_recordAgain;
    ActionButton* m_boomerang;
    ActionButton* m_copyPng;
    ActionButton* m_copy;
    ActionButton* m_save;
};

} // namespace kinetta
