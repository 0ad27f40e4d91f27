#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <Qt>
#include <optional>

// The area selector's geometry, apart from the widget. Every rectangle is in
// the overlay's points, origin at its top-left corner, y growing downward.
// Bounds are sizes: the overlay starts at (0, 0).
namespace kinetta::area
{

// A keyboard rectangle never gets smaller than this on either side.
inline constexpr double kMinimumSide = 40;
// Both sides must exceed this for a selection to be recorded.
inline constexpr double kAcceptanceSide = 20;
// Both sides must exceed this for a selection to be drawn.
inline constexpr double kDrawingSide = 4;
inline constexpr double kArrowStep = 16;
inline constexpr double kShiftArrowStep = 64;

// Held inside the bounds, at least 40 x 40 and at most the bounds' size.
[[nodiscard]] QRectF clamped(const QRectF& rect, QSizeF bounds);
[[nodiscard]] QRectF moved(const QRectF& rect, double dx, double dy, QSizeF bounds);
// The top-left corner stays; the rectangle grows or shrinks to the right and down.
[[nodiscard]] QRectF resized(const QRectF& rect, double dw, double dh, QSizeF bounds);
// 70 % of the bounds, at most 1280 x 800, centred: what the first arrow key makes.
[[nodiscard]] QRectF defaultSelection(QSizeF bounds);

// The rectangle spanned by a drag, whichever way it went.
[[nodiscard]] QRectF dragRect(QPointF start, QPointF end);
[[nodiscard]] bool isDrawn(const QRectF& rect);
[[nodiscard]] bool isAcceptable(const QRectF& rect);

// What an arrow key does to a keyboard rectangle: a move, or with Alt a
// resize from the top-left corner; 16 points a step, 64 with Shift.
struct ArrowStep {
    bool resize = false;
    double dx = 0;
    double dy = 0;
};
[[nodiscard]] std::optional<ArrowStep> arrowStep(int key, Qt::KeyboardModifiers modifiers);
[[nodiscard]] QRectF applied(const ArrowStep& step, const QRectF& rect, QSizeF bounds);

// The size badge: textSize is its text's size. Above the selection, or below
// it when that would come within 4 points of the top; kept 4 points inside
// the bounds sideways.
[[nodiscard]] QRectF sizeBadgeRect(const QRectF& selection, QSizeF textSize, QSizeF bounds);
inline constexpr double kBadgeTextInsetX = 10;
inline constexpr double kBadgeTextInsetY = 5;

// The instructions panel: its background and where the title and subtitle
// start (top-left corners), from the texts' sizes, centred in the bounds.
struct InstructionsLayout {
    QRectF background;
    QPointF titleOrigin;
    QPointF subtitleOrigin;
};
[[nodiscard]] InstructionsLayout instructionsLayout(QSizeF titleSize, QSizeF subtitleSize,
                                                    QSizeF bounds);

// Width and height truncated to whole points: "896" and "560".
[[nodiscard]] QString widthText(const QRectF& rect);
[[nodiscard]] QString heightText(const QRectF& rect);

} // namespace kinetta::area
