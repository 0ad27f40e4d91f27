#include "ui/preview/PreviewActions.h"

#include "model/PreferencesStore.h"
#include "model/RecordingSession.h"
#include "ui/common/Announcer.h"
#include "ui/preview/DragOutFiles.h"
#include "ui/preview/PreviewModel.h"

#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

namespace kinetta
{

PreviewActions::PreviewActions(PreviewModel& model, Services services, QObject* parent)
    : QObject(parent), m_model(model), m_services(services)
{
}

PreviewActions::~PreviewActions() = default;

bool PreviewActions::canExport() const
{
    return m_model.gifData().has_value() && !m_model.isEncoding();
}

void PreviewActions::copyGif()
{
    if (!m_model.gifData())
        return;
    const QByteArray gif = *m_model.gifData();
    FlowDelivery& delivery = m_services.delivery;
    QPointer<PreviewActions> self(this);
    if (gif.size() <= delivery.clipboardByteLimit()) {
        delivery.copyToClipboard(gif, [self](bool copied) {
            if (!self)
                return;
            if (!copied) {
                self->m_model.reportError(QStringLiteral("Failed to copy GIF to clipboard."));
                return;
            }
            self->m_services.delivery.pruneClipboardCache();
            self->markCopied(self->m_copied, self->m_copiedReset,
                             QStringLiteral("GIF copied to clipboard"));
        });
        return;
    }
    const QString size = delivery.formattedSize(gif);
    delivery.saveToDownloads(gif, [self, size](std::optional<QString> location) {
        if (!self)
            return;
        if (location)
            self->showToast(QStringLiteral("Saved to Downloads (") + size + QLatin1Char(')'));
        else
            self->m_model.reportError(
                QStringLiteral("GIF too large for clipboard and failed to save to Downloads."));
    });
}

std::optional<QString> PreviewActions::lastSaveDir() const
{
    return m_model.session().preferences().stringValue(lastSaveDirKey);
}

QString PreviewActions::proposedSaveName(const QDateTime& now)
{
    return QStringLiteral("kinetta-") + now.toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss")) +
           QStringLiteral(".gif");
}

void PreviewActions::saveTo(const QString& path)
{
    if (!m_model.gifData() || path.isEmpty())
        return;
    // Remembered before writing: a failed write still opens the next dialog
    // where the user was looking.
    const QString folder = QFileInfo(path).absolutePath();
    (void)m_model.session().preferences().setValue(lastSaveDirKey, folder);
    if (const std::optional<QString> failed = m_services.writer.write(path, *m_model.gifData()))
        m_model.reportError(*failed);
    else
        showToast(QStringLiteral("Saved!"));
}

std::optional<QByteArray> PreviewActions::currentFramePng() const
{
    const FrameList& frames = m_model.frames();
    const int index = m_model.player().currentFrame();
    if (index < 0 || index >= static_cast<int>(frames.size()))
        return std::nullopt;
    const QImage image = frames[static_cast<std::size_t>(index)].toImage();
    if (image.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG") || png.isEmpty())
        return std::nullopt;
    return png;
}

void PreviewActions::copyPng()
{
    const std::optional<QByteArray> png = currentFramePng();
    if (!png)
        return;
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QStringLiteral("image/png"), *png);
    QGuiApplication::clipboard()->setMimeData(mime.release());
    markCopied(m_copiedPng, m_copiedPngReset, QStringLiteral("PNG frame copied to clipboard"));
}

std::unique_ptr<QMimeData> PreviewActions::dragMimeData()
{
    if (!m_model.gifData())
        return nullptr;
    const Result<QString, QString> file = m_services.dragFiles.write(*m_model.gifData());
    if (!file.ok()) {
        m_model.reportError(QStringLiteral("Could not prepare the dragged GIF: ") +
                            file.message());
        return nullptr;
    }
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls({QUrl::fromLocalFile(*file)});
    mime->setData(QStringLiteral("image/gif"), *m_model.gifData());
    return mime;
}

void PreviewActions::showToast(const QString& message)
{
    m_toast = message;
    m_services.announcer.announce(message, Announcer::outcomePriority);
    // Replacing the handle cancels the older toast's wait.
    m_toastReset = m_services.scheduler.singleShot(toastDuration, [this] {
        m_toast.reset();
        Q_EMIT changed();
    });
    Q_EMIT changed();
}

void PreviewActions::markCopied(bool& flag, TimerHandle& reset, const QString& announcement)
{
    flag = true;
    m_services.announcer.announce(announcement, Announcer::outcomePriority);
    reset = m_services.scheduler.singleShot(copiedDuration, [this, &flag] {
        flag = false;
        Q_EMIT changed();
    });
    Q_EMIT changed();
}

void PreviewActions::discard()
{
    if (m_onDiscard)
        m_onDiscard();
}

void PreviewActions::recordAgain()
{
    if (m_onRecordAgain)
        m_onRecordAgain();
}

} // namespace kinetta
