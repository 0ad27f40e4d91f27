#pragma once

#include "model/PreferencesStore.h"

#include <QSettings>
#include <memory>

namespace kinetta
{

// Settings in an INI file (by default ~/.config/kinetta/kinetta.conf), written
// through on every assignment.
//
// A file that cannot be parsed is left as it is and never overwritten, so the
// user's hand edits survive; the program then runs on defaults plus this run's
// assignments, kept in memory, and loadProblem() says why. A write that fails
// (read-only folder, full disk) keeps the value in memory and returns the reason.
class IniPreferencesStore final : public PreferencesStore
{
public:
    explicit IniPreferencesStore(const QString& filePath = defaultFilePath());
    ~IniPreferencesStore() override;

    [[nodiscard]] static QString defaultFilePath();

    [[nodiscard]] QVariant value(const QString& key) const override;
    [[nodiscard]] std::optional<QString> setValue(const QString& key,
                                                  const QVariant& value) override;
    [[nodiscard]] std::optional<QString> loadProblem() const override { return m_loadProblem; }
    [[nodiscard]] QString filePath() const { return m_filePath; }

private:
    QString m_filePath;
    std::unique_ptr<QSettings> m_settings;
    // Used instead of the file once it has proved unreadable.
    QHash<QString, QVariant> m_memory;
    bool m_fileUsable = true;
    std::optional<QString> m_loadProblem;
};

} // namespace kinetta
