#include "app/shell/desktop/PrivateHome.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace kinetta::test
{

PrivateHome::PrivateHome()
{
    if (!m_root.isValid())
        return;
    for (const QString& folder : {config(), cache(), runtime(), downloads()})
        QDir().mkpath(folder);
    // The runtime folder must be the user's alone, as a login session makes it.
    QFile::setPermissions(runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Where Qt looks for the Downloads folder: the XDG user-dirs file.
    QFile userDirs(config() + QStringLiteral("/user-dirs.dirs"));
    if (userDirs.open(QIODevice::WriteOnly))
        userDirs.write(QStringLiteral("XDG_DOWNLOAD_DIR=\"%1\"\n").arg(downloads()).toUtf8());
}

QString PrivateHome::settingsFile() const
{
    return config() + QStringLiteral("/kinetta/kinetta.conf");
}

bool PrivateHome::writeSettings(const QVariantMap& settings) const
{
    QSettings file(settingsFile(), QSettings::IniFormat);
    for (auto it = settings.constBegin(); it != settings.constEnd(); ++it)
        file.setValue(it.key(), it.value());
    file.sync();
    return file.status() == QSettings::NoError;
}

QProcessEnvironment PrivateHome::applyTo(QProcessEnvironment base) const
{
    base.insert(QStringLiteral("HOME"), home());
    base.insert(QStringLiteral("XDG_CONFIG_HOME"), config());
    base.insert(QStringLiteral("XDG_CACHE_HOME"), cache());
    base.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
    base.insert(QStringLiteral("XDG_DOWNLOAD_DIR"), downloads());
    return base;
}

} // namespace kinetta::test
