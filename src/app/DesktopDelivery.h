#pragma once

#include "app/AtomicFileWriter.h"
#include "app/FlowServices.h"

#include <QObject>
#include <QThreadPool>

namespace kinetta
{

// Auto-copy delivery of the desktop program: the system clipboard and the
// user's Downloads folder. Files are written and the cache pruned on a worker
// thread, one job after another; only handing the data to the clipboard runs
// on the main thread. Answers come on the main thread while this object lives;
// destroying it waits for the job that runs.
class DesktopDelivery final : public QObject, public FlowDelivery
{
public:
    explicit DesktopDelivery(FileWriter& writer = AtomicFileWriter::instance(),
                             QObject* parent = nullptr);
    ~DesktopDelivery() override;

    [[nodiscard]] qint64 clipboardByteLimit() const override;
    void copyToClipboard(const QByteArray& gif, CopyDone done) override;
    void pruneClipboardCache() override;
    void saveToDownloads(const QByteArray& gif, SaveDone done) override;
    [[nodiscard]] QString formattedSize(const QByteArray& gif) const override;

private:
    FileWriter& m_writer;
    QThreadPool m_worker;
};

} // namespace kinetta
