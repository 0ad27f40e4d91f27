#include "model/PreferencesStore.h"

#include <QMetaType>
#include <cmath>
#include <limits>

namespace kinetta
{

std::optional<double> PreferencesStore::doubleValue(const QString& key) const
{
    return preferenceToDouble(value(key));
}

std::optional<bool> PreferencesStore::boolValue(const QString& key) const
{
    return preferenceToBool(value(key));
}

std::optional<qint64> PreferencesStore::integerValue(const QString& key) const
{
    return preferenceToInteger(value(key));
}

std::optional<QString> PreferencesStore::stringValue(const QString& key) const
{
    return preferenceToString(value(key));
}

namespace
{

bool isIntegralType(int typeId)
{
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool isUnsignedType(int typeId)
{
    return typeId == QMetaType::UInt || typeId == QMetaType::ULongLong ||
           typeId == QMetaType::ULong || typeId == QMetaType::UShort;
}

std::optional<qint64> integralValue(const QVariant& value)
{
    const int typeId = value.metaType().id();
    if (!isIntegralType(typeId))
        return std::nullopt;
    if (isUnsignedType(typeId)) {
        const qulonglong raw = value.toULongLong();
        if (raw > static_cast<qulonglong>(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return static_cast<qint64>(raw);
    }
    return value.toLongLong();
}

} // namespace

std::optional<double> preferenceToDouble(const QVariant& value)
{
    double result = 0;
    const int typeId = value.metaType().id();
    if (typeId == QMetaType::Double || typeId == QMetaType::Float) {
        result = value.toDouble();
    } else if (auto integral = integralValue(value)) {
        result = static_cast<double>(*integral);
    } else if (typeId == QMetaType::QString) {
        bool ok = false;
        result = value.toString().toDouble(&ok);
        if (!ok)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    // A rate or scale of NaN or infinity would poison every computation that uses it.
    if (!std::isfinite(result))
        return std::nullopt;
    return result;
}

std::optional<bool> preferenceToBool(const QVariant& value)
{
    const int typeId = value.metaType().id();
    if (typeId == QMetaType::Bool)
        return value.toBool();
    if (auto integral = integralValue(value)) {
        if (*integral == 0 || *integral == 1)
            return *integral == 1;
        return std::nullopt;
    }
    if (typeId == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
            text == QLatin1String("1"))
            return true;
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
            text == QLatin1String("0"))
            return false;
    }
    return std::nullopt;
}

std::optional<qint64> preferenceToInteger(const QVariant& value)
{
    if (auto integral = integralValue(value))
        return integral;
    const int typeId = value.metaType().id();
    if (typeId == QMetaType::Double || typeId == QMetaType::Float) {
        const double number = value.toDouble();
        // Only whole numbers that fit; 2^63 itself does not.
        if (!std::isfinite(number) || std::trunc(number) != number ||
            number < -9.2233720368547758e18 || number >= 9.2233720368547758e18)
            return std::nullopt;
        return static_cast<qint64>(number);
    }
    if (typeId == QMetaType::QString) {
        bool ok = false;
        const qint64 result = value.toString().trimmed().toLongLong(&ok, 10);
        if (ok)
            return result;
    }
    return std::nullopt;
}

std::optional<QString> preferenceToString(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QString)
        return value.toString();
    return std::nullopt;
}

} // namespace kinetta
