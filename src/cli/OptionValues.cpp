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

std::optional<std::int64_t> readByteSize(const QString& text)
{
    static const QRegularExpression size(QStringLiteral("\\A([0-9]+)(?:(\\.[0-9]+)?([kKmM]))?\\z"));
    const QRegularExpressionMatch match = size.match(text);
    if (!match.hasMatch() || match.captured(1).size() > 12)
        return std::nullopt;
    const QString suffix = match.captured(3).toUpper();
    const double unit = suffix == QLatin1String("M")   ? 1048576.0
                        : suffix == QLatin1String("K") ? 1024.0
                                                       : 1.0;
    const double value = (match.captured(1) + match.captured(2)).toDouble() * unit;
    if (value < 1 || value > static_cast<double>(kMaxSizeLimit))
        return std::nullopt;
    return static_cast<std::int64_t>(value);
}

std::variant<std::int64_t, QString> readSizeOption(const QString& option, const QString& text)
{
    if (const std::optional<std::int64_t> bytes = readByteSize(text))
        return *bytes;
    return QStringLiteral("%1 must be a size from 1 byte to 4096M, in bytes or with K or M "
                          "(1K = 1024 bytes) such as 2M, not '%2'")
        .arg(option, text);
}

QString takesNoValueMessage(const QString& option)
{
    return QStringLiteral("%1 takes no value").arg(option);
}

} // namespace kinetta::cli
