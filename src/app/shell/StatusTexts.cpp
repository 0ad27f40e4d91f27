#include "app/shell/StatusTexts.h"

#include "kinetta/Version.h"

#include <algorithm>

namespace kinetta
{
namespace
{

QString counted(qint64 count, const char* singular, const char* plural)
{
    return QString::number(count) + QLatin1Char(' ') +
           QLatin1String(count == 1 ? singular : plural);
}

QString orQuestionMark(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("?") : text;
}

} // namespace

// A clock running backwards has no meaning here; a negative count reads as zero.

QString elapsedTimeText(qint64 seconds)
{
    const qint64 total = std::max<qint64>(0, seconds);
    return QString::number(total / 60) + QLatin1Char(':') +
           QStringLiteral("%1").arg(total % 60, 2, 10, QLatin1Char('0'));
}

QString recordingStatusLabel(qint64 seconds)
{
    const qint64 total = std::max<qint64>(0, seconds);
    const QString secondsPart = counted(total % 60, "second", "seconds");
    if (total < 60)
        return QStringLiteral("Recording: ") + secondsPart;
    return QStringLiteral("Recording: ") + counted(total / 60, "minute", "minutes") +
           QLatin1Char(' ') + secondsPart;
}

QString countdownStatusLabel(qint64 value)
{
    return QStringLiteral("Recording countdown: ") + QString::number(value);
}

QString versionLine(const QString& version, const QString& revision)
{
    return QStringLiteral("Kinetta ") + orQuestionMark(version) + QStringLiteral(" (") +
           orQuestionMark(revision) + QLatin1Char(')');
}

QString buildVersionLine()
{
    return versionLine(QString::fromLatin1(kVersion), QString::fromLatin1(kRevision));
}

} // namespace kinetta
