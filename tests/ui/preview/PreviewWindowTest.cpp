// The preview window: its opening size, figures, banners, buttons and keys,
// how it closes, and a save of a trimmed recording through the real encoder.
#include "ui/preview/PreviewWindow.h"

#include "PreviewTestDoubles.h"
#include "SaveWithKey.h"
#include "app/AtomicFileWriter.h"
#include "app/FlowTestDoubles.h"
#include "app/ThreadedGifEncoder.h"
#include "gif/GifTestDecoder.h"
#include "model/QtScheduler.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/preview/ActionBar.h"
#include "ui/preview/DragOutFiles.h"
#include "ui/preview/FrameOverlay.h"
#include "ui/preview/PreviewFrameView.h"
#include "ui/preview/PreviewActions.h"
#include "ui/preview/PreviewBanners.h"
#include "ui/preview/PreviewModel.h"
#include "ui/preview/PreviewTitleBar.h"
#include "ui/preview/PreviewView.h"
#include "ui/preview/PreviewWindowSize.h"
#include "ui/preview/TextButton.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace kinetta::test
{
namespace
{

using namespace std::chrono_literals;

TEST(PreviewWindowSizeTest, FollowsTheVisibleHeightOfTheScreen)
{
    const PreviewWindowSize small = previewWindowSize(700);
    EXPECT_EQ(small.initial, QSize(680, 640));
    EXPECT_EQ(small.minimum, QSize(520, 480));
    EXPECT_EQ(small.maximum, QSize(1200, 660));
    const PreviewWindowSize tall = previewWindowSize(1080);
    EXPECT_EQ(tall.initial, QSize(680, 660));
    EXPECT_EQ(tall.maximum, QSize(1200, 1040));
    const PreviewWindowSize none = previewWindowSize(std::nullopt);
    EXPECT_EQ(none.initial, QSize(680, 660));
    EXPECT_EQ(none.maximum, QSize(1200, 860));
}

// A window over `count` frames at 10 fps; the GIF is `gifSize` bytes.
class PreviewWindowTest : public testing::Test
{
protected:
    void open(int count, qsizetype gifSize = 60, bool reduceMotion = true)
    {
        ASSERT_TRUE(temp.isValid());
        session.setFps(10);
        session.setCapturedFrames(makeFrames(count));
        encoder.size = gifSize;
        window = std::make_unique<PreviewWindow>(
            session, PreviewWindow::Services{scheduler, encoder, announcer, delivery, writer,
                                             dragFiles, reduceMotion});
        window->setOnClosed([this] { ++closedCount; });
        window->show();
    }
    void finishEncode() { scheduler.advance(encoder.duration); }
    PreviewModel& model() { return window->view()->model(); }
    ActionBar& bar() { return *window->actionBar(); }

    QTemporaryDir temp;
    VirtualScheduler scheduler;
    VirtualEncoder encoder{scheduler};
    RecordingAnnouncer announcer;
    FakeDelivery delivery;
    AtomicFileWriter writer;
    DragOutFiles dragFiles{temp.filePath("drag"), writer};
    RecordingSession session;
    std::unique_ptr<PreviewWindow> window;
    int closedCount = 0;
};

TEST_F(PreviewWindowTest, TitleBarFiguresFollowEncodingAndTheSelection)
{
    open(6, 2048);
    window->resize(1200, 1040);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->view()->frameView()->height(), 360);
    EXPECT_EQ(window->windowTitle(), "Kinetta");
    EXPECT_EQ(titleStatisticsLabel(model()), "4 × 3; 6 frames, 0.6s; encoding");
    EXPECT_EQ(titleBadges(model()).size(), 3u) << "no size while encoding";
    finishEncode();
    EXPECT_EQ(window->titleBar()->accessibleName(), "4 × 3; 6 frames, 0.6s; 2 KB");
    const std::vector<StatBadge> badges = titleBadges(model());
    ASSERT_EQ(badges.size(), 4u);
    EXPECT_EQ(badges[3].symbol, "doc.zipper");
    model().setTrimEnd(2);
    EXPECT_EQ(window->titleBar()->accessibleName(), "4 × 3; 3 frames, 0.3s; 2 KB");
}

TEST_F(PreviewWindowTest, WithoutFramesThereIsNoDimensionAndTheFrameSaysSo)
{
    open(0);
    EXPECT_EQ(titleStatisticsLabel(model()), "0 frames, 0.0s");
    EXPECT_EQ(window->frameOverlay()->accessibleName(), "No frames");
    EXPECT_TRUE(bar().copyPngButton()->isHidden());
    EXPECT_TRUE(bar().boomerangButton()->isHidden());
}

TEST_F(PreviewWindowTest, SizeBannerAfterOptimizeUndoAndBoomerang)
{
    open(8, 4'000'000);
    PreviewSizeBanner& banner = *window->sizeBanner();
    EXPECT_EQ(banner.state(), SizeBannerState::hidden) << "nothing to speak of while encoding";
    finishEncode();
    EXPECT_EQ(banner.state(), SizeBannerState::large);
    EXPECT_FALSE(banner.isHidden());
    EXPECT_EQ(banner.text(), "GIF is 3.8 MB — click Optimize to reduce size.");
    EXPECT_EQ(banner.button()->text(), "Optimize");

    encoder.size = 1'000'000;
    QTest::mouseClick(banner.button(), Qt::LeftButton);
    finishEncode();
    EXPECT_EQ(banner.state(), SizeBannerState::optimized);
    EXPECT_EQ(banner.text(), "Optimized — saved 2.9 MB.");
    EXPECT_EQ(banner.button()->text(), "Undo");
    EXPECT_EQ(banner.button()->accessibleName(), "Undo optimization");

    QTest::mouseClick(banner.button(), Qt::LeftButton);
    EXPECT_EQ(banner.state(), SizeBannerState::large);
    EXPECT_EQ(banner.button()->text(), "Optimize");
    EXPECT_EQ(banner.text(), "GIF is 3.8 MB — click Optimize to reduce size.");

    // Bouncing encodes again: hidden until the new GIF is large again.
    encoder.size = 5'000'000;
    QTest::mouseClick(bar().boomerangButton(), Qt::LeftButton);
    EXPECT_EQ(banner.state(), SizeBannerState::hidden);
    EXPECT_TRUE(banner.isHidden());
    EXPECT_EQ(bar().boomerangButton()->text(), "Boomerang ✓");
    finishEncode();
    EXPECT_EQ(banner.state(), SizeBannerState::large);
}

TEST_F(PreviewWindowTest, WhileEncodingExportsWaitAndTheDragBadgeHides)
{
    open(5);
    EXPECT_EQ(bar().saveButton()->text(), "Encoding…");
    EXPECT_EQ(bar().saveButton()->accessibleName(), "Encoding GIF, please wait");
    EXPECT_FALSE(bar().saveButton()->isEnabled());
    EXPECT_FALSE(bar().copyButton()->isEnabled());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_C);
    QTest::keyClick(window.get(), Qt::Key_S);
    EXPECT_TRUE(delivery.copied.empty());
    EXPECT_EQ(window->saveDialog(), nullptr);

    FrameOverlay& overlay = *window->frameOverlay();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&overlay, &enter);
    EXPECT_FALSE(overlay.dragBadgeShown());
    finishEncode();
    EXPECT_TRUE(overlay.dragBadgeShown());
    EXPECT_EQ(overlay.dragBadgeText(), "Drag to export");
    EXPECT_EQ(bar().saveButton()->text(), "Save…");
    EXPECT_EQ(bar().saveButton()->accessibleName(), "Save GIF to file");
    EXPECT_TRUE(bar().copyButton()->isEnabled());
}

TEST_F(PreviewWindowTest, OneFrameOffersCopyPngAndNoBoomerang)
{
    open(1);
    finishEncode();
    EXPECT_TRUE(bar().boomerangButton()->isHidden());
    EXPECT_FALSE(bar().copyPngButton()->isHidden());
    EXPECT_EQ(window->frameOverlay()->accessibleName(), "PNG frame 1 of 1");
    EXPECT_EQ(window->frameOverlay()->accessibleDescription(), "Drag to export as a PNG image");

    QTest::mouseClick(bar().copyPngButton(), Qt::LeftButton);
    EXPECT_EQ(bar().copyPngButton()->text(), "Copied!");
    scheduler.advance(PreviewActions::copiedDuration);
    EXPECT_EQ(bar().copyPngButton()->text(), "Copy PNG");
}

TEST_F(PreviewWindowTest, SingleLetterKeysAct)
{
    open(4);
    finishEncode();
    int again = 0;
    EXPECT_TRUE(bar().recordAgainButton()->isHidden());
    window->setOnRecordAgain([&] { ++again; });
    EXPECT_FALSE(bar().recordAgainButton()->isHidden());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    QTest::keyClick(window.get(), Qt::Key_C);
    ASSERT_EQ(delivery.copied.size(), 1u);
    EXPECT_EQ(bar().copyButton()->text(), "Copied!");

    QTest::keyClick(window.get(), Qt::Key_B);
    EXPECT_TRUE(model().boomerang());
    finishEncode();

    QTest::keyClick(window.get(), Qt::Key_R);
    EXPECT_EQ(again, 1);
    EXPECT_TRUE(window->isHidden());
    EXPECT_TRUE(session.capturedFrames().empty());
    EXPECT_EQ(closedCount, 1);
}

TEST_F(PreviewWindowTest, EveryWayOutEmptiesTheFramesAndTellsTheOwnerOnce)
{
    open(4);
    int discarded = 0;
    window->setOnDiscard([&] { ++discarded; });
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(discarded, 1);
    EXPECT_TRUE(window->isHidden());
    EXPECT_TRUE(session.capturedFrames().empty());
    EXPECT_EQ(closedCount, 1);
    window->close();
    EXPECT_EQ(closedCount, 1);

    open(4);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(window->isHidden());
    EXPECT_TRUE(session.capturedFrames().empty());
    EXPECT_EQ(closedCount, 2);
}

TEST_F(PreviewWindowTest, SaveDialogOpensInTheLastFolderWithAProposedName)
{
    open(3);
    finishEncode();
    ASSERT_TRUE(session.preferences()
                    .setValue(PreviewActions::lastSaveDirKey, temp.path())
                    .ok());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_S);
    QFileDialog* dialog = window->saveDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Save GIF");
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(temp.path()).absolutePath());
    EXPECT_TRUE(dialog->selectedFiles().value(0).contains(
        QRegularExpression("/kinetta-\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d\\.gif$")));
    // Cancelling writes nothing and keeps the folder.
    dialog->reject();
    EXPECT_TRUE(QDir(temp.path()).entryList({"*.gif"}).isEmpty());
    EXPECT_EQ(window->actions().lastSaveDir(), temp.path());
}

// Boomerang's new label fades in over 0.15 s, slow at both ends; a toast
// rises in on its spring and fades out once its time is up. With reduced
// motion both show at once.
TEST_F(PreviewWindowTest, LabelAndToastChangesAnimateOnTheScheduler)
{
    open(6, 60, false);
    finishEncode();
    ActionButton& boomerang = *bar().boomerangButton();
    QTest::mouseClick(&boomerang, Qt::LeftButton);
    EXPECT_EQ(boomerang.text(), "Boomerang ✓");
    EXPECT_EQ(boomerang.lookProgress(), 0.0);
    scheduler.advance(32ms);
    EXPECT_GT(boomerang.lookProgress(), 0.0);
    EXPECT_LT(boomerang.lookProgress(), 32.0 / 150.0) << "an eased start is slower than linear";
    scheduler.advance(96ms);
    EXPECT_GT(boomerang.lookProgress(), 0.9);
    EXPECT_LT(boomerang.lookProgress(), 1.0);
    scheduler.advance(22ms);
    EXPECT_EQ(boomerang.lookProgress(), 1.0);

    const FrameOverlay& overlay = *window->frameOverlay();
    window->actions().showToast(QStringLiteral("Saved!"));
    EXPECT_EQ(overlay.toastPresence(), 0.0);
    scheduler.advance(96ms);
    EXPECT_GT(overlay.toastPresence(), 0.2);
    EXPECT_LT(overlay.toastPresence(), 0.6);
    scheduler.advance(PreviewMotion::toastArrival);
    EXPECT_EQ(overlay.toastPresence(), 1.0);
    scheduler.advance(PreviewActions::toastDuration - PreviewMotion::toastArrival - 96ms);
    EXPECT_FALSE(window->actions().toastMessage());
    EXPECT_EQ(overlay.toastShown(), "Saved!") << "the message stays while it fades out";
    scheduler.advance(PreviewMotion::plain / 2);
    EXPECT_GT(overlay.toastPresence(), 0.0);
    EXPECT_LT(overlay.toastPresence(), 1.0);
    scheduler.advance(PreviewMotion::plain);
    EXPECT_EQ(overlay.toastPresence(), 0.0);

    // The drag badge fades in while the pointer is over the frame.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(window->frameOverlay(), &enter);
    ASSERT_TRUE(overlay.dragBadgeShown());
    EXPECT_EQ(overlay.dragBadgePresence(), 0.0);
    scheduler.advance(PreviewMotion::plain / 2);
    EXPECT_GT(overlay.dragBadgePresence(), 0.0);
    EXPECT_LT(overlay.dragBadgePresence(), 1.0);
    scheduler.advance(PreviewMotion::plain);
    EXPECT_EQ(overlay.dragBadgePresence(), 1.0);

    window.reset();
    open(6, 60, true);
    finishEncode();
    QTest::mouseClick(bar().boomerangButton(), Qt::LeftButton);
    EXPECT_EQ(bar().boomerangButton()->lookProgress(), 1.0);
    window->actions().showToast(QStringLiteral("Saved!"));
    EXPECT_EQ(window->frameOverlay()->toastPresence(), 1.0);
}

// The size banner opens over 0.2 s, turns green as optimizing starts, and
// closes all the way before it hides.
TEST_F(PreviewWindowTest, SizeBannerOpensTurnsAndClosesOnTheScheduler)
{
    open(8, 4'000'000, false);
    PreviewSizeBanner& banner = *window->sizeBanner();
    finishEncode();
    EXPECT_EQ(banner.state(), SizeBannerState::large);
    EXPECT_FALSE(banner.isHidden());
    EXPECT_EQ(banner.openness(), 0.0);
    scheduler.advance(96ms);
    EXPECT_GT(banner.height(), 0);
    EXPECT_LT(banner.height(), 34) << "34 high once open";
    scheduler.advance(PreviewMotion::bannerChange);
    EXPECT_EQ(banner.openness(), 1.0);
    EXPECT_EQ(banner.height(), 34);

    encoder.size = 1'000'000;
    QTest::mouseClick(banner.button(), Qt::LeftButton);
    EXPECT_EQ(banner.state(), SizeBannerState::optimized);
    scheduler.advance(96ms);
    EXPECT_GT(banner.greenness(), 0.0);
    EXPECT_LT(banner.greenness(), 1.0);
    finishEncode();
    scheduler.advance(PreviewMotion::bannerChange);
    EXPECT_EQ(banner.greenness(), 1.0);

    QTest::mouseClick(bar().boomerangButton(), Qt::LeftButton);
    EXPECT_EQ(banner.state(), SizeBannerState::hidden);
    scheduler.advance(96ms);
    EXPECT_FALSE(banner.isHidden()) << "still closing";
    EXPECT_GT(banner.openness(), 0.0);
    scheduler.advance(PreviewMotion::bannerChange);
    EXPECT_TRUE(banner.isHidden());
}

TEST(PreviewWindowEncodeTest, ATrimAndSaveWriteTheTrimmedFrames)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    RecordingSession session;
    session.setFps(10);
    session.setCapturedFrames(makeFrames(12));
    QtScheduler scheduler;
    ThreadedGifEncoder encoder;
    RecordingAnnouncer announcer;
    FakeDelivery delivery;
    AtomicFileWriter writer;
    DragOutFiles dragFiles(temp.filePath("drag"), writer);
    PreviewWindow window(session, {scheduler, encoder, announcer, delivery, writer, dragFiles, true});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    PreviewModel& model = window.view()->model();
    const auto encoded = [&] {
        const QDeadlineTimer deadline(20000);
        while (model.isEncoding() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return model.gifData().has_value();
    };
    ASSERT_TRUE(encoded());

    model.setTrimStart(3);
    model.setTrimEnd(9);
    QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(encoded());
    const auto decoded = saveWithKey(window, temp.filePath("trimmed.gif"));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->images.size(), 7u);
    EXPECT_EQ(window.actions().toastMessage(), QStringLiteral("Saved!"));
}

} // namespace
} // namespace kinetta::test
