#include "FlowFixture.h"

namespace kinetta::test
{
namespace
{

using Result = RecordingFlow::AutoCopyResult;

class AutoCopyTest : public FlowTest
{
protected:
    AutoCopyTest()
    {
        session.setAutoCopy(true);
        QObject::connect(&flow, &RecordingFlow::autoCopyFinished, &flow,
                         [this](Result result, const QString& location) {
                             results.push_back(result);
                             locations.push_back(location);
                         });
    }

    [[nodiscard]] QString toastText() const
    {
        return port.currentToast ? port.currentToast->message : QString();
    }

    std::vector<Result> results;
    std::vector<QString> locations;
};

TEST_F(AutoCopyTest, ZeroFramesEncodesNothingAndOpensNothingWithOrWithoutAutoCopy)
{
    recordAndStop(0);
    EXPECT_EQ(encoder.encodeCalls, 0);
    EXPECT_TRUE(port.calls.filter("showToast").isEmpty());
    EXPECT_FALSE(flow.isEncoding());
    session.setAutoCopy(false);
    recordAndStop(0);
    EXPECT_EQ(port.announcementTexts().last(), "Recording stopped. 0 frames captured.");
    EXPECT_EQ(port.count("showPreviewWindow"), 0);
}

TEST_F(AutoCopyTest, EncodesWithTheSessionsSettingsAndCopiesAGifAtTheLimit)
{
    session.setFps(15);
    session.setLoopCount(3);
    recordAndStop(3);
    ASSERT_EQ(encoder.pending.size(), 1u);
    EXPECT_EQ(encoder.pending[0].request.fps, 15);
    EXPECT_EQ(encoder.pending[0].request.loopCount, 3);
    EXPECT_EQ(encoder.pending[0].request.frames, session.capturedFrames());
    EXPECT_TRUE(flow.isEncoding());
    ASSERT_TRUE(port.currentToast);
    EXPECT_EQ(*port.currentToast,
              (Toast{"Encoding GIF…", "gearshape.fill", "7C3AED", false, ToastKind::encoding}));
    EXPECT_EQ(port.count("showPreviewWindow"), 0);

    encoder.finish(QByteArray(100, 'g'));
    ASSERT_EQ(delivery.copied.size(), 1u);
    EXPECT_TRUE(delivery.saved.empty());
    EXPECT_EQ(delivery.pruneCalls, 1);
    ASSERT_TRUE(port.currentToast);
    EXPECT_EQ(port.currentToast->message, "GIF copied to clipboard · 100 B");
    EXPECT_EQ(port.currentToast->icon, "checkmark.circle.fill");
    EXPECT_TRUE(port.currentToast->autoDismiss);
    // The toast is read out, then the result; every announcement at the same priority.
    EXPECT_EQ(port.announcementTexts().mid(port.announcementTexts().size() - 3),
              (QStringList{"Encoding GIF…", "GIF copied to clipboard · 100 B",
                           "GIF copied to clipboard. 100 B."}));
    for (const Announcement& announcement : port.announcements)
        EXPECT_EQ(announcement.priority, 2000);
    EXPECT_EQ(results, std::vector<Result>{Result::copied});
    EXPECT_FALSE(flow.isEncoding());
}

// Above the limit the clipboard is not tried; a failed copy below it ends the same way.
TEST_F(AutoCopyTest, TooBigOrFailedCopiesAreSavedToDownloads)
{
    recordAndStop(2);
    encoder.finish(QByteArray(101, 'g'));
    EXPECT_TRUE(delivery.copied.empty());
    ASSERT_EQ(delivery.saved.size(), 1u);
    EXPECT_EQ(toastText(), "Too big to copy (101 B) — saved to Downloads");
    EXPECT_EQ(port.currentToast->icon, "checkmark.circle.fill");
    EXPECT_EQ(port.announcementTexts().last(),
              "GIF too large for clipboard. Saved to Downloads. 101 B.");
    EXPECT_EQ(results, std::vector<Result>{Result::savedToDownloads});
    EXPECT_EQ(locations.back(), "/home/user/Downloads/kinetta.gif");

    delivery.copySucceeds = false;
    recordAndStop(2);
    encoder.finish(QByteArray(10, 'g'));
    EXPECT_EQ(delivery.copied.size(), 1u);
    EXPECT_EQ(delivery.saved.size(), 2u);
    EXPECT_EQ(toastText(), "Too big to copy (10 B) — saved to Downloads");
    EXPECT_EQ(results.back(), Result::savedToDownloads);
    EXPECT_EQ(session.errorMessage(), std::nullopt);
    EXPECT_EQ(delivery.pruneCalls, 0);
}

// Neither delivery nor encoding worked: the preview opens so the frames are not lost.
TEST_F(AutoCopyTest, NeitherCopiedNorSavedOpensThePreviewWithTheFrames)
{
    delivery.copySucceeds = false;
    delivery.saveSucceeds = false;
    recordAndStop(3);
    const FrameList frames = session.capturedFrames();
    encoder.finish(QByteArray(10, 'g'));
    EXPECT_EQ(session.errorMessage(), "Couldn't copy or save the GIF.");
    EXPECT_FALSE(port.currentToast);
    EXPECT_EQ(port.count("showPreviewWindow"), 1);
    EXPECT_EQ(session.capturedFrames(), frames);
    EXPECT_EQ(results, std::vector<Result>{Result::failed});
}

TEST_F(AutoCopyTest, EncodingFailureOpensThePreviewWithTheFramesIntact)
{
    recordAndStop(3);
    const FrameList frames = session.capturedFrames();
    encoder.fail(QStringLiteral("there is not enough memory to read frame 2"));
    EXPECT_EQ(session.errorMessage(),
              "GIF encoding failed: there is not enough memory to read frame 2.");
    EXPECT_FALSE(port.currentToast);
    EXPECT_EQ(port.count("hideToast"), 1);
    EXPECT_EQ(port.count("showPreviewWindow"), 1);
    EXPECT_EQ(session.capturedFrames(), frames);
    EXPECT_TRUE(delivery.copied.empty());
    EXPECT_TRUE(delivery.saved.empty());
}

// A stale encode must not take over the clipboard, toast or preview of a newer recording.
TEST_F(AutoCopyTest, EncodeOutlivedByANewRecordingIsSavedOutOfItsWay)
{
    recordAndStop(3);
    startRecording();
    EXPECT_FALSE(port.currentToast);
    encoder.finish(QByteArray(10, 'g'));
    EXPECT_TRUE(delivery.copied.empty());
    ASSERT_EQ(delivery.saved.size(), 1u);
    EXPECT_FALSE(port.currentToast);
    EXPECT_EQ(port.count("showPreviewWindow"), 0);
    EXPECT_EQ(session.errorMessage(), std::nullopt);
    EXPECT_TRUE(session.isRecording());
    EXPECT_EQ(port.announcementTexts().last(),
              "GIF of the earlier recording saved to Downloads. 10 B.");
    EXPECT_EQ(results, std::vector<Result>{Result::superseded});

    flow.stopRecording();
    recorder.completeStop(makeFrames(1));
    encoder.finish(QByteArray(5, 'h'));
    EXPECT_EQ(delivery.copied, std::vector<QByteArray>{QByteArray(5, 'h')});
}

// The files are written elsewhere: nothing is said until the delivery answers,
// and an answer that comes after a newer recording began is the earlier one's.
TEST_F(AutoCopyTest, TheDeliveryAnswersLaterAndALateAnswerBelongsToTheEarlierRecording)
{
    delivery.answerLater = true;
    recordAndStop(3);
    encoder.finish(QByteArray(10, 'g'));
    EXPECT_EQ(delivery.copied.size(), 1u);
    EXPECT_EQ(toastText(), "Encoding GIF…");
    EXPECT_TRUE(results.empty());
    delivery.answer();
    EXPECT_EQ(delivery.pruneCalls, 1);
    EXPECT_EQ(toastText(), "GIF copied to clipboard · 10 B");
    EXPECT_EQ(results, std::vector<Result>{Result::copied});

    // A failed copy goes on to the Downloads folder only once it has answered.
    delivery.copySucceeds = false;
    recordAndStop(2);
    encoder.finish(QByteArray(20, 'h'));
    EXPECT_TRUE(delivery.saved.empty());
    delivery.answer();
    ASSERT_EQ(delivery.saved.size(), 1u);
    startRecording();
    delivery.answer();
    EXPECT_EQ(port.announcementTexts().last(),
              "GIF of the earlier recording saved to Downloads. 20 B.");
    EXPECT_FALSE(port.currentToast);
    EXPECT_EQ(results.back(), Result::superseded);

    delivery.copySucceeds = true;
    flow.stopRecording();
    recorder.completeStop(makeFrames(1));
    encoder.finish(QByteArray(5, 'i'));
    startRecording();
    delivery.answer();
    EXPECT_EQ(port.announcementTexts().last(),
              "GIF of the earlier recording copied to clipboard. 5 B.");
    EXPECT_FALSE(port.currentToast);
    EXPECT_EQ(port.count("showPreviewWindow"), 0);
    EXPECT_EQ(results.back(), Result::superseded);
    EXPECT_TRUE(session.isRecording());
}

TEST_F(AutoCopyTest, SlowOldEncodeFailingDoesNotDisturbTheNewerResult)
{
    recordAndStop(3);
    recordAndStop(2);
    const FrameList second = session.capturedFrames();
    ASSERT_EQ(encoder.pending.size(), 2u);
    encoder.finish(QByteArray(5, 'n'), 1);
    encoder.finish(std::nullopt, 0);
    EXPECT_EQ(delivery.copied.size(), 1u);
    EXPECT_EQ(session.errorMessage(), std::nullopt);
    EXPECT_EQ(port.count("showPreviewWindow"), 0);
    EXPECT_EQ(session.capturedFrames(), second);
    EXPECT_EQ(toastText(), "GIF copied to clipboard · 5 B");
    EXPECT_EQ(port.announcementTexts().last(), "Couldn't save the GIF of the earlier recording.");
}

TEST_F(AutoCopyTest, AbortCancelsTheEncodeAndKeepsTheFrames)
{
    recordAndStop(3);
    const FrameList frames = session.capturedFrames();
    flow.abortEncoding();
    ASSERT_EQ(encoder.pending.size(), 1u);
    EXPECT_TRUE(encoder.pending[0].job->isCancelled());
    encoder.finish(QByteArray(5, 'x'));
    EXPECT_TRUE(delivery.copied.empty() && delivery.saved.empty());
    EXPECT_EQ(port.count("showPreviewWindow"), 0);
    EXPECT_FALSE(port.currentToast);
    EXPECT_EQ(session.capturedFrames(), frames);
    EXPECT_EQ(results, std::vector<Result>{Result::cancelled});
}

} // namespace
} // namespace kinetta::test
