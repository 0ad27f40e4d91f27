#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>

namespace kinetta::test
{

// Folders of a user's own for one run of the program, so that it reads and
// writes nothing of the real user's: home, config (with the settings file),
// cache, runtime and Downloads.
class PrivateHome final
{
public:
    PrivateHome();

    [[nodiscard]] bool usable() const { return m_root.isValid(); }
    [[nodiscard]] QString home() const { return m_root.path(); }
    [[nodiscard]] QString config() const { return m_root.filePath(QStringLiteral("config")); }
    [[nodiscard]] QString cache() const { return m_root.filePath(QStringLiteral("cache")); }
    [[nodiscard]] QString runtime() const { return m_root.filePath(QStringLiteral("runtime")); }
    [[nodiscard]] QString downloads() const { return m_root.filePath(QStringLiteral("Downloads")); }
    [[nodiscard]] QString settingsFile() const;

    // Writes the program's settings (key to value) before it starts.
    [[nodiscard]] bool writeSettings(const QVariantMap& settings) const;
    // base with the XDG variables pointing here.
    [[nodiscard]] QProcessEnvironment applyTo(QProcessEnvironment base) const;

private:
    QTemporaryDir m_root;
};

} // namespace kinetta::test
