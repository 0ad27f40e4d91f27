#include "cli/OptionValues.h"

#include <QRegularExpression>
#include <limits>

namespace kinetta::cli
{
namespace
{

template <typename T>
std::variant<T, QString> ranged(const QString& option, const QString& text, std::optional<T> value,
                                const OptionRange<T>& range)
{
    if (!value || *value < range.low || *value > range.high)
        return QStringLiteral("%1 must be %2, not '%3'")
            .arg(option, QLatin1String(range.text), text);
    return *value;
}

// Decimal digits with an optional sign. A number past 64 bits reads as the
// nearest 64-bit value, so a range check calls it out of range, not unreadable.
std::optional<std::int64_t> readWholeNumber(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("\\A[+-]?[0-9]+\\z"));
    if (!whole.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (ok)
        return value;
    return text.startsWith(QLatin1Char('-')) ? std::numeric_limits<std::int64_t>::min()
                                             : std::numeric_limits<std::int64_t>::max();
}

} // namespace

std::optional<double> readDecimal(const QString& text)
{
    static const QRegularExpression decimal(
        QStringLiteral("\\A[+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)\\z"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::variant<double, QString> readOption(const QString& option, const QString& text,
                                         const OptionRange<double>& range)
{
    return ranged(option, text, readDecimal(text), range);
}

std::variant<std::int64_t, QString> readOption(const QString& option, const QString& text,
                                               const OptionRange<std::int64_t>& range)
{
    return ranged(option, text, readWholeNumber(text), range);
}

QString takesNoValueMessage(const QString& option)
{
    return QStringLiteral("%1 takes no value").arg(option);
}

} // namespace kinetta::cli
