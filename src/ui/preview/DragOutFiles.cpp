#include "ui/preview/DragOutFiles.h"

#include "model/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUuid>

namespace kinetta
{

namespace
{

const QRegularExpression& dragFileName()
{
    static const QRegularExpression pattern(QStringLiteral("^kinetta-[0-9A-F]{8}\\.gif$"));
    return pattern;
}

QString newDragFileName()
{
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return QStringLiteral("kinetta-") + uuid.left(8) + QStringLiteral(".gif");
}

} // namespace

DragOutFiles::DragOutFiles(QString folder, FileWriter& writer)
    : m_folder(std::move(folder)), m_writer(writer)
{
    removeLeftovers();
}

DragOutFiles::~DragOutFiles()
{
    if (m_newest)
        QFile::remove(*m_newest);
}

Result<QString, QString> DragOutFiles::defaultFolder()
{
    return PrivateFolder::subfolder(QStringLiteral("Kinetta-Drag"));
}

Result<QString, QString> DragOutFiles::write(const QByteArray& gif)
{
    const QString path = m_folder + QLatin1Char('/') + newDragFileName();
    if (const std::optional<QString> failed = m_writer.write(path, gif))
        return Failure{*failed};
    if (m_newest)
        QFile::remove(*m_newest);
    m_newest = path;
    return path;
}

void DragOutFiles::removeLeftovers()
{
    const QDir dir(m_folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (dragFileName().match(name).hasMatch())
            QFile::remove(dir.filePath(name));
    }
}

} // namespace kinetta
