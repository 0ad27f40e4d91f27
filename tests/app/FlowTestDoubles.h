#pragma once

#include "app/FlowPort.h"
#include "app/FlowServices.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kinetta::test
{

// Logs every port call as a short line and keeps the announcements.
class RecordingPort final : public FlowPort
{
public:
    void showCountdownOverlay() override { calls << "showCountdownOverlay"; }
    void hideCountdownOverlay() override { calls << "hideCountdownOverlay"; }
    void installEscapeMonitor() override { escapeMonitorInstalled = true; }
    void removeEscapeMonitor() override { escapeMonitorInstalled = false; }
    [[nodiscard]] bool showAreaOverlay() override
    {
        calls << "showAreaOverlay";
        return hasScreen;
    }
    void showWindowPicker() override { calls << "showWindowPicker"; }
    void showPreviewWindow() override { calls << "showPreviewWindow"; }
    void closePreviewWindow() override { calls << "closePreviewWindow"; }
    void showControlPanel() override { calls << "showControlPanel"; }
    void closeControlPanel() override { calls << "closeControlPanel"; }
    void closeRecordingPopover() override { calls << "closeRecordingPopover"; }
    [[nodiscard]] bool isRecordingPopoverShown() const override { return recordingPopoverShown; }
    void showToast(const Toast& toast) override
    {
        currentToast = toast;
        calls << "showToast " + toast.message;
    }
    void hideToast() override
    {
        currentToast.reset();
        calls << "hideToast";
    }
    void updateStatusIcon(bool recording) override
    {
        calls << (recording ? "updateStatusIcon recording" : "updateStatusIcon idle");
    }
    void updateStatusTitle(std::int64_t seconds) override { titles.push_back(seconds); }
    void updateStatusCountdown(std::optional<std::int64_t> value) override
    {
        countdowns.push_back(value);
    }
    void announce(const Announcement& announcement) override
    {
        announcements.push_back(announcement);
        calls << "announce " + announcement.text;
    }

    [[nodiscard]] QString stopInstruction() const override
    {
        return QStringLiteral("Press Control Shift G to stop.");
    }

    [[nodiscard]] QStringList announcementTexts() const
    {
        QStringList texts;
        for (const Announcement& announcement : announcements)
            texts << announcement.text;
        return texts;
    }
    [[nodiscard]] int count(const QString& call) const { return int(calls.count(call)); }

    QStringList calls;
    std::vector<Announcement> announcements;
    std::optional<Toast> currentToast;
    std::vector<std::int64_t> titles;
    std::vector<std::optional<std::int64_t>> countdowns;
    bool recordingPopoverShown = false;
    // Whether a screen exists for the overlays to cover.
    bool hasScreen = true;
    bool escapeMonitorInstalled = false;
};

// Starts and stops when the test says so, so that races can be set up.
class FakeRecorder final : public FlowRecorder
{
public:
    void start(const RecorderRequest& request, StartDone done) override
    {
        requests.push_back(request);
        pendingStarts.push_back(std::move(done));
    }
    void stop(StopDone done) override
    {
        ++stopCalls;
        pendingStops.push_back(std::move(done));
    }
    void setStreamErrorHandler(StreamErrorHandler handler) override
    {
        streamError = std::move(handler);
    }

    void completeStart(std::optional<QString> error = std::nullopt)
    {
        auto done = std::move(pendingStarts.front());
        pendingStarts.pop_front();
        done(std::move(error));
    }
    void completeStop(FrameList frames, std::size_t repeated = 0)
    {
        auto done = std::move(pendingStops.front());
        pendingStops.pop_front();
        done(RecordedFrames{std::move(frames), repeated});
    }

    std::vector<RecorderRequest> requests;
    std::deque<StartDone> pendingStarts;
    std::deque<StopDone> pendingStops;
    int stopCalls = 0;
    StreamErrorHandler streamError;
};

class FakeEncoder final : public FlowEncoder
{
public:
    struct Pending {
        EncodeRequest request;
        Done done;
        std::shared_ptr<EncodeJob> job;
    };

    [[nodiscard]] std::shared_ptr<EncodeJob> encode(EncodeRequest request, Done done) override
    {
        auto job = std::make_shared<EncodeJob>();
        pending.push_back(Pending{std::move(request), std::move(done), job});
        ++encodeCalls;
        return job;
    }
    // Finishes the oldest encode (or the one at index) with gif, unless it was
    // cancelled; no gif fails it without a reason.
    void finish(std::optional<QByteArray> gif, std::size_t index = 0)
    {
        Pending entry = std::move(pending.at(index));
        pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(index));
        if (entry.job->isCancelled())
            entry.done({});
        else
            entry.done({std::move(gif), {}});
    }
    void fail(const QString& reason)
    {
        Pending entry = std::move(pending.front());
        pending.pop_front();
        entry.done({std::nullopt, reason});
    }

    std::deque<Pending> pending;
    int encodeCalls = 0;
};

// Answers at once, or, with answerLater, when the test calls answer().
class FakeDelivery final : public FlowDelivery
{
public:
    [[nodiscard]] qint64 clipboardByteLimit() const override { return 100; }
    void copyToClipboard(const QByteArray& gif, CopyDone done) override
    {
        copied.push_back(gif);
        settle([this, done = std::move(done)] { done(copySucceeds); });
    }
    void pruneClipboardCache() override { ++pruneCalls; }
    void saveToDownloads(const QByteArray& gif, SaveDone done) override
    {
        saved.push_back(gif);
        settle([this, done = std::move(done)] {
            done(saveSucceeds ? std::optional<QString>("/home/user/Downloads/kinetta.gif")
                              : std::nullopt);
        });
    }
    [[nodiscard]] QString formattedSize(const QByteArray& gif) const override
    {
        return QString::number(gif.size()) + " B";
    }

    // Gives the oldest waiting answer.
    void answer()
    {
        auto next = std::move(pendingAnswers.front());
        pendingAnswers.pop_front();
        next();
    }

    bool copySucceeds = true;
    bool saveSucceeds = true;
    bool answerLater = false;
    std::vector<QByteArray> copied;
    std::vector<QByteArray> saved;
    std::deque<std::function<void()>> pendingAnswers;
    int pruneCalls = 0;

private:
    void settle(std::function<void()> reply)
    {
        if (answerLater)
            pendingAnswers.push_back(std::move(reply));
        else
            reply();
    }
};

} // namespace kinetta::test
