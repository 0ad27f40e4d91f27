#pragma once

#include "app/FileWriter.h"
#include "app/FlowServices.h"
#include "model/Scheduler.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QMimeData;

namespace kinetta
{

class Announcer;
class DragOutFiles;
class PreviewModel;

// What the preview does with its GIF, apart from the buttons that ask for it:
// copy it (to Downloads when too large for the clipboard), save it, hand it
// to a drag, copy the shown frame as a PNG, and leave (discard or record
// again). None encodes: each uses the model's current GIF. Failures go to the
// model's error banner; outcomes to the in-window toast, the "Copied!" marks
// and the screen reader. Every reset timer touches only what it set: a newer
// toast or copy restarts the wait instead of being cut short by the older one.
class PreviewActions final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds copiedDuration{2000};
    static constexpr std::chrono::milliseconds toastDuration{2500};
    static inline const QString lastSaveDirKey = QStringLiteral("lastSaveDir");

    struct Services {
        FlowDelivery& delivery;
        FileWriter& writer;
        DragOutFiles& dragFiles;
        Scheduler& scheduler;
        Announcer& announcer;
    };

    PreviewActions(PreviewModel& model, Services services, QObject* parent = nullptr);
    ~PreviewActions() override;

    // Copy, Save and drag have something to give: a GIF, and no encode running.
    [[nodiscard]] bool canExport() const;

    // The GIF to the clipboard, or to Downloads when longer than the
    // clipboard takes.
    void copyGif();

    // Where the save dialog opens: the folder of the last save, if any.
    [[nodiscard]] std::optional<QString> lastSaveDir() const;
    // "kinetta-yyyy-MM-dd-HH-mm-ss.gif" at the given local time.
    [[nodiscard]] static QString proposedSaveName(const QDateTime& now);
    // Writes the GIF to path (chosen in the save dialog), first remembering
    // its folder. A failed write leaves the GIF in the preview to try again.
    void saveTo(const QString& path);

    // The shown frame as PNG data alone on the clipboard.
    void copyPng();
    // The PNG bytes of the shown frame; nothing when there is no such frame.
    [[nodiscard]] std::optional<QByteArray> currentFramePng() const;

    // What a drag of the frame carries: the GIF written to a new file (its
    // URL) and the bytes; nothing without a GIF, or with the file unwritable
    // (then the error banner says why).
    [[nodiscard]] std::unique_ptr<QMimeData> dragMimeData();

    void showToast(const QString& message);
    [[nodiscard]] const std::optional<QString>& toastMessage() const { return m_toast; }
    [[nodiscard]] bool copied() const { return m_copied; }
    [[nodiscard]] bool copiedPng() const { return m_copiedPng; }

    // Leaving the preview; the owner decides what follows. Record again is
    // offered only while its callback is set.
    void setOnDiscard(std::function<void()> callback) { m_onDiscard = std::move(callback); }
    void setOnRecordAgain(std::function<void()> callback) { m_onRecordAgain = std::move(callback); }
    [[nodiscard]] bool canRecordAgain() const { return static_cast<bool>(m_onRecordAgain); }
    void discard();
    void recordAgain();

Q_SIGNALS:
    // The toast or a "Copied!" mark changed.
    void changed();

private:
    void markCopied(bool& flag, TimerHandle& reset, const QString& announcement);

    PreviewModel& m_model;
    Services m_services;
    std::optional<QString> m_toast;
    TimerHandle m_toastReset;
    bool m_copied = false;
    TimerHandle m_copiedReset;
    bool m_copiedPng = false;
    TimerHandle m_copiedPngReset;
    std::function<void()> m_onDiscard;
    std::function<void()> m_onRecordAgain;
};

} // namespace kinetta
