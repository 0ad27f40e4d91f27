#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QRectF>
#include <QStringView>
#include <optional>

namespace kinetta
{

// The colours every view shares. All are opaque sRGB colours; views apply
// their own opacity on top.
class Theme final
{
public:
    Theme() = delete;

    // A six-digit hex text such as "7C3AED" (no '#', no "0x"; an optional '+').
    // Digits above the lowest six are ignored, and a text that is empty, holds
    // anything else or does not fit in 64 bits gives black. A short text is a
    // small number, not shorthand: "ABC" is 0x000ABC.
    [[nodiscard]] static QColor color(QStringView hex);
    // The whole text as an unsigned 64-bit hex number, or nothing.
    [[nodiscard]] static std::optional<quint64> parseHex(QStringView hex);

    [[nodiscard]] static const QColor& panelBG();      // 100820
    [[nodiscard]] static const QColor& panelSurface(); // 1C1030
    [[nodiscard]] static const QColor& panelBorder();  // 2E1D50
    [[nodiscard]] static const QColor& ktPurple();     // 7C3AED
    [[nodiscard]] static const QColor& ktPink();       // EC4899

    // Brand gradient, purple to pink, from the top-left to the bottom-right
    // corner of whatever shape it fills.
    [[nodiscard]] static QLinearGradient kinettaGradient();
    // The same gradient laid over rect in its own coordinates.
    [[nodiscard]] static QLinearGradient kinettaGradient(const QRectF& rect);
};

} // namespace kinetta
