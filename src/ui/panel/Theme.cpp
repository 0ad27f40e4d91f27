#include "ui/panel/Theme.h"

#include <limits>

namespace kinetta
{

std::optional<quint64> Theme::parseHex(QStringView hex)
{
    if (hex.startsWith(QLatin1Char('+')))
        hex = hex.mid(1);
    if (hex.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const QChar ch : hex) {
        const char16_t c = ch.unicode();
        unsigned digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        if (value > (std::numeric_limits<quint64>::max() >> 4))
            return std::nullopt;
        value = (value << 4) | digit;
    }
    return value;
}

QColor Theme::color(QStringView hex)
{
    const quint64 value = parseHex(hex).value_or(0);
    return QColor::fromRgb(static_cast<int>((value >> 16) & 0xFF),
                           static_cast<int>((value >> 8) & 0xFF), static_cast<int>(value & 0xFF));
}

// Function-local statics: built once on first use, safely from any thread.
const QColor& Theme::panelBG()
{
    static const QColor colour = color(u"100820");
    return colour;
}

const QColor& Theme::panelSurface()
{
    static const QColor colour = color(u"1C1030");
    return colour;
}

const QColor& Theme::panelBorder()
{
    static const QColor colour = color(u"2E1D50");
    return colour;
}

const QColor& Theme::ktPurple()
{
    static const QColor colour = color(u"7C3AED");
    return colour;
}

const QColor& Theme::ktPink()
{
    static const QColor colour = color(u"EC4899");
    return colour;
}

QLinearGradient Theme::kinettaGradient()
{
    QLinearGradient gradient(0.0, 0.0, 1.0, 1.0);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setColorAt(0.0, color(u"7C3AED"));
    gradient.setColorAt(1.0, color(u"EC4899"));
    return gradient;
}

QLinearGradient Theme::kinettaGradient(const QRectF& rect)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0.0, color(u"7C3AED"));
    gradient.setColorAt(1.0, color(u"EC4899"));
    return gradient;
}

} // namespace kinetta
