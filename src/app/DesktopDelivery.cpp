#include "app/DesktopDelivery.h"

#include "app/GifDelivery.h"
#include "model/SizeText.h"

#include <QGuiApplication>
#include <QMetaObject>

namespace kinetta
{

DesktopDelivery::DesktopDelivery(FileWriter& writer, QObject* parent)
    : QObject(parent), m_writer(writer)
{
    // One job at a time: a prune never races the copy it follows.
    m_worker.setMaxThreadCount(1);
}

DesktopDelivery::~DesktopDelivery()
{
    m_worker.waitForDone();
}

qint64 DesktopDelivery::clipboardByteLimit() const
{
    return GifDelivery::clipboardByteLimit;
}

void DesktopDelivery::copyToClipboard(const QByteArray& gif, CopyDone done)
{
    // Without a GUI application there is no clipboard: write nothing at all.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QMetaObject::invokeMethod(
            this, [done = std::move(done)] { done(false); }, Qt::QueuedConnection);
        return;
    }
    m_worker.start([this, gif, done = std::move(done)]() mutable {
        std::optional<QString> file = GifDelivery::writeClipboardFile(gif, m_writer);
        QMetaObject::invokeMethod(
            this,
            [file = std::move(file), gif = std::move(gif), done = std::move(done)] {
                done(file && GifDelivery::publishToClipboard(*file, gif));
            },
            Qt::QueuedConnection);
    });
}

void DesktopDelivery::pruneClipboardCache()
{
    m_worker.start([] { GifDelivery::pruneClipboardCache(); });
}

void DesktopDelivery::saveToDownloads(const QByteArray& gif, SaveDone done)
{
    m_worker.start([this, gif, done = std::move(done)]() mutable {
        std::optional<QString> saved = GifDelivery::saveToDownloads(gif, m_writer);
        QMetaObject::invokeMethod(
            this, [saved = std::move(saved), done = std::move(done)] { done(saved); },
            Qt::QueuedConnection);
    });
}

QString DesktopDelivery::formattedSize(const QByteArray& gif) const
{
    return kinetta::formattedSize(gif.size());
}

} // namespace kinetta
