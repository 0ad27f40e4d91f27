#include "model/IniPreferencesStore.h"

#include "model/ModelLogging.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringConverter>

namespace kinetta
{
namespace
{

// QSettings skips lines it cannot read and drops them, or values it cannot
// decode, the next time it writes the file. Find those lines first so that a
// damaged file is never rewritten. Returns the first bad line's number.
std::optional<int> firstUnreadableLine(const QByteArray& content)
{
    const QList<QByteArray> lines = content.split('\n');
    bool continued = false;
    for (int i = 0; i < lines.size(); ++i) {
        auto decoder = QStringDecoder(QStringDecoder::Utf8);
        const QString line = QString(decoder.decode(lines[i])).trimmed();
        if (decoder.hasError())
            return i + 1;
        const bool wasContinued = continued;
        continued = line.endsWith(QLatin1Char('\\'));
        if (wasContinued || line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                return i + 1;
            continue;
        }
        if (!line.contains(QLatin1Char('=')) || line.startsWith(QLatin1Char('=')))
            return i + 1;
    }
    return std::nullopt;
}

} // namespace

IniPreferencesStore::IniPreferencesStore(const QString& filePath)
    : m_filePath(filePath), m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
    const QFileInfo info(filePath);
    if (info.exists()) {
        QFile file(filePath);
        if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
            m_loadProblem = QStringLiteral("The settings file %1 cannot be read.").arg(filePath);
        } else if (const auto line = firstUnreadableLine(file.readAll())) {
            m_loadProblem = QStringLiteral("The settings file %1 is damaged at line %2.")
                                .arg(filePath)
                                .arg(*line);
        } else if (m_settings->status() != QSettings::NoError) {
            m_loadProblem = QStringLiteral("The settings file %1 is damaged.").arg(filePath);
        } else {
            const QStringList keys = m_settings->allKeys();
            for (const QString& key : keys) {
                if (!m_settings->value(key).isValid()) {
                    m_loadProblem = QStringLiteral("The settings file %1 holds a value that cannot "
                                                   "be read under \"%2\".")
                                        .arg(filePath, key);
                    break;
                }
            }
        }
    }
    if (m_loadProblem) {
        m_fileUsable = false;
        qCWarning(lcSettings).noquote() << *m_loadProblem
                             << "It is left unchanged; settings changed now last until the program "
                                "quits.";
    }
}

IniPreferencesStore::~IniPreferencesStore() = default;

QString IniPreferencesStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/kinetta/kinetta.conf");
}

QVariant IniPreferencesStore::value(const QString& key) const
{
    const auto unsaved = m_unsaved.constFind(key);
    if (unsaved != m_unsaved.constEnd())
        return *unsaved;
    return m_settings->value(key);
}

Status<QString> IniPreferencesStore::setValue(const QString& key, const QVariant& value)
{
    m_unsaved.insert(key, value);
    if (!m_fileUsable)
        return Failure{
            QStringLiteral("Settings are not saved: %1").arg(m_loadProblem.value_or(QString()))};

    // A QSettings object keeps its first error for good, so each save uses a
    // fresh one: a save that works again after a failure is seen to work.
    QSettings writer(m_filePath, QSettings::IniFormat);
    if (writer.status() != QSettings::NoError)
        return Failure{QStringLiteral("Settings could not be saved: %1 has become unreadable.")
                           .arg(m_filePath)};
    for (auto it = m_unsaved.constBegin(); it != m_unsaved.constEnd(); ++it)
        writer.setValue(it.key(), it.value());
    writer.sync();
    if (writer.status() != QSettings::NoError)
        return Failure{QStringLiteral("Settings could not be saved to %1.").arg(m_filePath)};
    m_unsaved.clear();
    m_settings->sync(); // pick up what was just written
    return {};
}

} // namespace kinetta
