#pragma once

#include "ui/overlays/ScheduledTween.h"
#include "ui/preview/PreviewMotion.h"

#include <QAbstractButton>
#include <QString>
#include <QWidget>
#include <memory>

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
    // From now on a new title or symbol fades in over the old one.
    void animateLookChanges(const PreviewMotion& motion);
    // How far the newest look has faded in (1 when nothing is changing).
    [[nodiscard]] qreal lookProgress() const { return m_fade ? m_fade->value() : 1.0; }
    [[nodiscard]] const QString& symbol() const { return m_symbol; }
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintLook(QPainter& painter, const QRectF& plate, const QString& title,
                   const QString& symbol, bool busy, const QFont& font, const QColor& ink);

    Style m_style;
    QString m_symbol;
    bool m_busy = false;
    // The look being faded out while the new one fades in.
    QString m_oldTitle;
    QString m_oldSymbol;
    bool m_oldBusy = false;
    std::unique_ptr<ScheduledTween> m_fade;
};

// The bottom row: Discard, Record Again, Boomerang, Copy PNG, Copy and Save,
// each shown and enabled as the preview's state allows, sharing the width.
class ActionBar final : public QWidget
{
    Q_OBJECT

public:
    ActionBar(PreviewModel& model, PreviewActions& actions, const PreviewMotion& motion,
              QWidget* parent = nullptr);

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
