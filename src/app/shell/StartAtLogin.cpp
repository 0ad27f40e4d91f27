#include "app/shell/StartAtLogin.h"

#include "app/FileWriter.h"
#include "app/shell/ApplicationId.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace kinetta
{
namespace
{

// Characters that make an Exec argument need quotes (the desktop entry
// format's rules for Exec).
bool isReserved(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

// The value of key in the entry's main group, or nothing.
std::optional<QString> mainGroupValue(const QString& text, QLatin1StringView key)
{
    bool inMainGroup = false;
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inMainGroup && equals > 0 && line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

} // namespace

StartAtLogin::StartAtLogin(QString folder, QString executable, FileWriter& writer)
    : m_folder(std::move(folder)), m_executable(std::move(executable)), m_writer(writer)
{
}

QString StartAtLogin::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString StartAtLogin::entryPath() const
{
    return m_folder + QLatin1Char('/') + QString::fromLatin1(kApplicationId) +
           QStringLiteral(".desktop");
}

bool StartAtLogin::isEnabled() const
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromUtf8(file.readAll());
    return mainGroupValue(text, QLatin1StringView("Hidden")) != QLatin1String("true") &&
           mainGroupValue(text, QLatin1StringView("X-GNOME-Autostart-enabled")) !=
               QLatin1String("false");
}

std::optional<QString> StartAtLogin::setEnabled(bool enabled)
{
    const QString path = entryPath();
    if (!enabled) {
        if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
            return QStringLiteral("cannot remove %1: %2")
                .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return std::nullopt;
    }
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(m_folder).toStdString(), error);
    if (error)
        return QStringLiteral("cannot create the folder %1: %2")
            .arg(m_folder, QString::fromStdString(error.message()));
    return m_writer.write(path, entryText());
}

QByteArray StartAtLogin::entryText() const
{
    const QStringList lines = {
        QStringLiteral("[Desktop Entry]"),
        QStringLiteral("Type=Application"),
        QStringLiteral("Name=Kinetta"),
        QStringLiteral("Comment=Starts Kinetta in the system tray when you log in"),
        QStringLiteral("Exec=") + execArgument(m_executable),
        QStringLiteral("Icon=") + QString::fromLatin1(kApplicationId),
        QStringLiteral("Terminal=false"),
        QStringLiteral("X-GNOME-Autostart-enabled=true"),
    };
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

QString StartAtLogin::execArgument(const QString& program)
{
    QString argument;
    if (std::any_of(program.begin(), program.end(), isReserved)) {
        // Inside quotes, these four take a backslash.
        argument = QLatin1Char('"');
        for (const QChar c : program) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                argument += QLatin1Char('\\');
            argument += c;
        }
        argument += QLatin1Char('"');
    } else {
        argument = program;
    }
    // A lone "%" would start a field code.
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // The value is a string as well: its own escapes apply on top of the quoting.
    QString value;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

QString StartAtLogin::failureTitle(bool enabled)
{
    return enabled ? QStringLiteral("Kinetta could not be set to start at login")
                   : QStringLiteral("Kinetta could not stop starting at login");
}

} // namespace kinetta
