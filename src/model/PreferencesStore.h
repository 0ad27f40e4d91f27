#pragma once

#include "gif/Result.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace kinetta
{

// Where the user's settings live between runs. Values go in with their own
// type; a file-backed store may hand them back as text, so read them through
// the typed accessors, which accept both and reject anything else.
class PreferencesStore
{
public:
    virtual ~PreferencesStore() = default;

    // The stored object under key; an invalid QVariant when there is none.
    [[nodiscard]] virtual QVariant value(const QString& key) const = 0;
    // Stores value under key at once. Fails with a message when it could not
    // be made durable; the value is still kept in memory for this run.
    [[nodiscard]] virtual Status<QString> setValue(const QString& key, const QVariant& value) = 0;
    // Why the stored values could not be read when the store was opened, if so.
    [[nodiscard]] virtual std::optional<QString> loadProblem() const { return std::nullopt; }
    // Where the values come from, for messages (a file path); empty when nowhere.
    [[nodiscard]] virtual QString location() const { return {}; }

    // Nothing when the key is missing or holds something of another type.
    [[nodiscard]] std::optional<double> doubleValue(const QString& key) const;
    [[nodiscard]] std::optional<bool> boolValue(const QString& key) const;
    [[nodiscard]] std::optional<qint64> integerValue(const QString& key) const;
    [[nodiscard]] std::optional<QString> stringValue(const QString& key) const;
};

// Conversions used by the typed accessors, exposed for other stores and tests.
// A double must be finite; an integer must be whole and fit in 64 bits; a bool
// is a bool, or the text "true"/"false"/"1"/"0"; a string is a single text.
[[nodiscard]] std::optional<double> preferenceToDouble(const QVariant& value);
[[nodiscard]] std::optional<bool> preferenceToBool(const QVariant& value);
[[nodiscard]] std::optional<qint64> preferenceToInteger(const QVariant& value);
[[nodiscard]] std::optional<QString> preferenceToString(const QVariant& value);

} // namespace kinetta
