#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace kinetta::panel
{

// A borderless button of the panel: an optional symbol and a text in one
// colour, on an optional rounded fill. Screen readers see a push button.
class TextButton final : public QAbstractButton
{
    Q_OBJECT

public:
    struct Look {
        QString symbol; // empty: none
        qreal symbolSize = 11;
        QString text; // empty: the symbol alone
        QFont font;
        QColor colour;
        QColor fill = Qt::transparent;
        qreal horizontalPadding = 0;
        qreal verticalPadding = 0;
        qreal radius = 0;
    };

    explicit TextButton(Look look, QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] const Look& look() const { return m_look; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Look m_look;
};

// Painted text in one line, or wrapped to the width it is given with its
// height following. Screen readers see static text.
class PanelLabel final : public QWidget
{
    Q_OBJECT

public:
    enum class Wrap { none, words };

    PanelLabel(QString text, QFont font, QColor colour, QWidget* parent = nullptr,
               Wrap wrap = Wrap::none);
    // The upper-case section label ("CAPTURE"), read out as written.
    static PanelLabel* section(const QString& title, QWidget* parent = nullptr);

    void setText(const QString& text);
    [[nodiscard]] const QString& text() const { return m_text; }
    [[nodiscard]] bool hasHeightForWidth() const override { return m_wrap == Wrap::words; }
    [[nodiscard]] int heightForWidth(int width) const override;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QFont m_font;
    QColor m_colour;
    Wrap m_wrap;
};

// A one-point line across the panel. Screen readers see a separator.
class PanelDivider final : public QWidget
{
    Q_OBJECT

public:
    explicit PanelDivider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// An on/off switch with its title (and an optional second line under it, not
// read out), tinted purple when on. Screen readers see a check box named by
// the title.
class Switch final : public QAbstractButton
{
    Q_OBJECT

public:
    Switch(const QString& title, const QString& secondLine, QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    static constexpr QSizeF kTrackSize{30, 17};

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_secondLine;
};

} // namespace kinetta::panel
