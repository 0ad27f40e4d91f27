#include "app/IssueReport.h"

#include <QFile>
#include <QStringList>
#include <sys/utsname.h>

namespace kinetta
{
namespace
{

// key=value with everything but the unreserved characters percent-encoded.
// Built by hand: QUrlQuery leaves "+" alone, which form readers take for a
// space, and drops the "=" of an empty value.
QByteArray queryItem(const char* key, const QString& value)
{
    return QByteArray(key) + '=' + QUrl::toPercentEncoding(value);
}

// The value of KEY= in os-release text: quotes removed, backslash escapes
// undone, as os-release(5) writes them.
QString osReleaseValue(const QString& text, QLatin1StringView key)
{
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (!line.startsWith(key) || line.mid(key.size(), 1) != QLatin1String("="))
            continue;
        QString value = line.mid(key.size() + 1);
        if (value.size() >= 2 &&
            (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        QString unescaped;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] == QLatin1Char('\\') && i + 1 < value.size())
                ++i;
            unescaped += value[i];
        }
        return unescaped.trimmed();
    }
    return {};
}

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

QUrl issueReportUrl(const QString& version, const QString& os)
{
    QUrl url(QString::fromLatin1(kIssueReportPage));
    const QByteArray query = queryItem("app", kReportAppName) + '&' +
                             queryItem("version", version) + '&' + queryItem("os", os);
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

QString osDescription(const QString& osReleaseText, const QString& kernelRelease)
{
    QString name = osReleaseValue(osReleaseText, QLatin1StringView("PRETTY_NAME"));
    if (name.isEmpty())
        name = osReleaseValue(osReleaseText, QLatin1StringView("NAME"));
    if (name.isEmpty())
        name = QStringLiteral("Linux");
    if (kernelRelease.isEmpty())
        return name;
    return name + QStringLiteral(", kernel ") + kernelRelease;
}

QString readOsDescription()
{
    QString osRelease = readText(QStringLiteral("/etc/os-release"));
    if (osRelease.isEmpty())
        osRelease = readText(QStringLiteral("/usr/lib/os-release"));
    struct utsname system {
    };
    const QString kernel =
        ::uname(&system) == 0 ? QString::fromLocal8Bit(system.release) : QString();
    return osDescription(osRelease, kernel);
}

} // namespace kinetta
