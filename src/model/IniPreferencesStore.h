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
// user's hand edits survive; the program then runs on what could be read plus
// this run's assignments, kept in memory, and loadProblem() says why. A write
// that fails (read-only folder, full disk) keeps the value in memory, returns
// the reason, and is retried with the next assignment.
class IniPreferencesStore final : public PreferencesStore
{
public:
    explicit IniPreferencesStore(const QString& filePath = defaultFilePath());
    ~IniPreferencesStore() override;

    [[nodiscard]] static QString defaultFilePath();

    [[nodiscard]] QVariant value(const QString& key) const override;
    [[nodiscard]] Status<QString> setValue(const QString& key, const QVariant& value) override;
    [[nodiscard]] std::optional<QString> loadProblem() const override { return m_loadProblem; }
    [[nodiscard]] QString location() const override { return m_filePath; }
    [[nodiscard]] QString filePath() const { return m_filePath; }

private:
    QString m_filePath;
    std::unique_ptr<QSettings> m_settings;
    // Assigned values not yet known to be in the file; they win over it and
    // go with the next save that works.
    QHash<QString, QVariant> m_unsaved;
    bool m_fileUsable = true;
    std::optional<QString> m_loadProblem;
};

} // namespace kinetta
