#pragma once

#include "model/PreferencesStore.h"

#include <QHash>

namespace kinetta
{

// Keeps settings for one run only: for tests, and the fallback when no store is given.
class MemoryPreferencesStore final : public PreferencesStore
{
public:
    // location: where the values were copied from, if anywhere, for messages.
    explicit MemoryPreferencesStore(QString location = {}) : m_location(std::move(location)) {}

    [[nodiscard]] QString location() const override { return m_location; }
    [[nodiscard]] QVariant value(const QString& key) const override { return m_values.value(key); }
    [[nodiscard]] Status<QString> setValue(const QString& key, const QVariant& value) override
    {
        m_values.insert(key, value);
        return {};
    }
    [[nodiscard]] bool contains(const QString& key) const { return m_values.contains(key); }

private:
    QString m_location;
    QHash<QString, QVariant> m_values;
};

} // namespace kinetta
