// The preview's actions on virtual time: copy, save, Copy PNG, drag-out and
// the marks and toasts they leave, with the real file system and clipboard.
#include "ui/preview/PreviewActions.h"

#include "PreviewTestDoubles.h"
#include "app/AtomicFileWriter.h"
#include "app/FlowTestDoubles.h"
#include "model/IniPreferencesStore.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/preview/DragOutFiles.h"
#include "ui/preview/PreviewModel.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kinetta::test
{
namespace
{

using namespace std::chrono_literals;

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class PreviewActionsTest : public testing::Test
{
protected:
    // A preview of `count` frames whose GIF of `gifSize` bytes is ready.
    void open(int count, qsizetype gifSize = 60)
    {
        ASSERT_TRUE(temp.isValid());
        session.setCapturedFrames(makeFrames(count));
        encoder.size = gifSize;
        model = std::make_unique<PreviewModel>(session, scheduler, encoder, announcer, true);
        model->appear();
        scheduler.advance(encoder.duration);
        ASSERT_EQ(model->gifData().has_value(), count > 0);
        dragFiles = std::make_unique<DragOutFiles>(temp.filePath("drag"), writer);
        actions = std::make_unique<PreviewActions>(
            *model, PreviewActions::Services{delivery, writer, *dragFiles, scheduler, announcer});
    }

    QTemporaryDir temp;
    VirtualScheduler scheduler;
    VirtualEncoder encoder{scheduler};
    RecordingAnnouncer announcer;
    FakeDelivery delivery;
    AtomicFileWriter writer;
    std::shared_ptr<IniPreferencesStore> store =
        std::make_shared<IniPreferencesStore>(temp.filePath("settings.ini"));
    RecordingSession session{store};
    std::unique_ptr<PreviewModel> model;
    std::unique_ptr<DragOutFiles> dragFiles;
    std::unique_ptr<PreviewActions> actions;
};

TEST_F(PreviewActionsTest, CopyUpToTheLimitGoesToTheClipboardAndOneByteMoreToDownloads)
{
    open(3, 100);
    actions->copyGif();
    ASSERT_EQ(delivery.copied.size(), 1u);
    EXPECT_EQ(delivery.copied[0], *model->gifData());
    EXPECT_TRUE(delivery.saved.empty());
    EXPECT_EQ(delivery.pruneCalls, 1);
    EXPECT_TRUE(actions->copied());
    EXPECT_TRUE(announcer.texts().contains("GIF copied to clipboard"));

    encoder.size = 101;
    model->toggleBoomerang();
    scheduler.advance(encoder.duration);
    actions->copyGif();
    EXPECT_EQ(delivery.copied.size(), 1u);
    ASSERT_EQ(delivery.saved.size(), 1u);
    EXPECT_EQ(actions->toastMessage(), QStringLiteral("Saved to Downloads (101 B)"));
    EXPECT_FALSE(model->encodeError());
}

TEST_F(PreviewActionsTest, RefusedCopiesShowTheirErrorAndKeepTheGif)
{
    open(3, 100);
    delivery.copySucceeds = false;
    actions->copyGif();
    EXPECT_EQ(model->encodeError(), QStringLiteral("Failed to copy GIF to clipboard."));
    EXPECT_FALSE(actions->copied());
    EXPECT_EQ(delivery.pruneCalls, 0);

    model->dismissEncodeError();
    encoder.size = 101;
    model->toggleBoomerang();
    scheduler.advance(encoder.duration);
    delivery.saveSucceeds = false;
    actions->copyGif();
    EXPECT_EQ(model->encodeError(),
              QStringLiteral("GIF too large for clipboard and failed to save to Downloads."));
    EXPECT_FALSE(actions->toastMessage());
    EXPECT_TRUE(model->gifData());
}

TEST_F(PreviewActionsTest, AnswersArrivingAfterThePreviewClosedTouchNothing)
{
    open(3, 100);
    delivery.answerLater = true;
    actions->copyGif();
    actions.reset();
    delivery.answer();
    EXPECT_EQ(delivery.pruneCalls, 0);
}

// A newer copy or toast is not cut short by the wait the older one started.
TEST_F(PreviewActionsTest, EachResetTimerClearsOnlyWhatItSet)
{
    open(1);
    actions->copyGif();
    scheduler.advance(1000ms);
    actions->copyGif();
    scheduler.advance(1500ms);
    EXPECT_TRUE(actions->copied()) << "the first copy's timer reset the second's mark";
    scheduler.advance(500ms);
    EXPECT_FALSE(actions->copied());

    actions->copyPng();
    scheduler.advance(1000ms);
    actions->copyPng();
    scheduler.advance(1500ms);
    EXPECT_TRUE(actions->copiedPng());
    scheduler.advance(500ms);
    EXPECT_FALSE(actions->copiedPng());

    actions->showToast("first");
    scheduler.advance(1000ms);
    actions->showToast("second");
    scheduler.advance(2000ms);
    EXPECT_EQ(actions->toastMessage(), QStringLiteral("second"));
    scheduler.advance(500ms);
    EXPECT_FALSE(actions->toastMessage());
    EXPECT_EQ(announcer.spoken.back(), std::make_pair(QStringLiteral("second"), 2000));
}

TEST_F(PreviewActionsTest, SaveWritesTheGifAndTheNextRunOpensInTheSameFolder)
{
    open(3);
    EXPECT_FALSE(actions->lastSaveDir());
    EXPECT_EQ(PreviewActions::proposedSaveName(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))),
              "kinetta-2024-03-05-14-07-09.gif");
    ASSERT_TRUE(QDir(temp.path()).mkdir("out"));
    const QString target = temp.filePath("out/mine.gif");
    actions->saveTo(target);
    EXPECT_EQ(readAll(target), *model->gifData());
    EXPECT_EQ(actions->toastMessage(), QStringLiteral("Saved!"));
    EXPECT_EQ(actions->lastSaveDir(), temp.filePath("out"));

    // The program starts again on the same settings file.
    RecordingSession restarted(std::make_shared<IniPreferencesStore>(temp.filePath("settings.ini")));
    restarted.setCapturedFrames(makeFrames(2));
    PreviewModel reopened(restarted, scheduler, encoder, announcer, true);
    PreviewActions again(reopened, {delivery, writer, *dragFiles, scheduler, announcer});
    EXPECT_EQ(again.lastSaveDir(), temp.filePath("out"));
}

TEST_F(PreviewActionsTest, SaveIntoAVanishedOrReadOnlyFolderShowsTheErrorAndLosesNothing)
{
    open(3);
    const QByteArray gif = *model->gifData();
    actions->saveTo(temp.filePath("gone/mine.gif"));
    ASSERT_TRUE(model->encodeError());
    EXPECT_FALSE(model->encodeError()->isEmpty());
    EXPECT_FALSE(actions->toastMessage());
    EXPECT_EQ(model->gifData(), gif);
    // The same GIF can then be saved elsewhere.
    model->dismissEncodeError();
    actions->saveTo(temp.filePath("mine.gif"));
    EXPECT_FALSE(model->encodeError());
    EXPECT_EQ(readAll(temp.filePath("mine.gif")), gif);

    // A file standing where the folder should be refuses every user.
    QFile blocker(temp.filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    model->dismissEncodeError();
    actions->saveTo(temp.filePath("blocked/mine.gif"));
    EXPECT_TRUE(model->encodeError());

    // A read-only folder refuses all but the superuser.
    if (geteuid() != 0) {
        ASSERT_TRUE(QDir(temp.path()).mkdir("locked"));
        QFile::setPermissions(temp.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        model->dismissEncodeError();
        actions->saveTo(temp.filePath("locked/mine.gif"));
        EXPECT_TRUE(model->encodeError());
        EXPECT_TRUE(QDir(temp.filePath("locked")).isEmpty());
        QFile::setPermissions(temp.filePath("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    EXPECT_EQ(model->gifData(), gif);
}

TEST_F(PreviewActionsTest, CopyPngPutsTheShownFrameAloneOnTheClipboard)
{
    open(3);
    model->player().setCurrentFrame(2);
    actions->copyPng();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(mime->formats(), QStringList{"image/png"});
    const QImage pasted = QImage::fromData(mime->data("image/png"), "PNG");
    EXPECT_EQ(pasted.convertToFormat(QImage::Format_RGB32),
              session.capturedFrames()[2].toImage());
    EXPECT_TRUE(actions->copiedPng());
    EXPECT_TRUE(announcer.texts().contains("PNG frame copied to clipboard"));
}

TEST_F(PreviewActionsTest, CopyPngWithoutAFrameDoesNothing)
{
    open(0);
    QGuiApplication::clipboard()->setText("kept");
    actions->copyPng();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
    EXPECT_FALSE(actions->copiedPng());
}

TEST_F(PreviewActionsTest, EachDragWritesANewFileAndKeepsOnlyTheNewestUntilExit)
{
    ASSERT_TRUE(temp.isValid());
    // Left by an earlier run; a file of someone else's naming stays.
    ASSERT_TRUE(QDir(temp.path()).mkdir("drag"));
    QFile stale(temp.filePath("drag/kinetta-0123ABCD.gif"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    QFile other(temp.filePath("drag/notes.txt"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    open(3);
    EXPECT_FALSE(QFile::exists(stale.fileName()));
    EXPECT_TRUE(QFile::exists(other.fileName()));

    const std::unique_ptr<QMimeData> first = actions->dragMimeData();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->urls().size(), 1);
    const QString firstFile = first->urls()[0].toLocalFile();
    EXPECT_EQ(readAll(firstFile), *model->gifData());
    EXPECT_EQ(first->data("image/gif"), *model->gifData());
    EXPECT_TRUE(QFileInfo(firstFile).fileName().contains(
        QRegularExpression("^kinetta-[0-9A-F]{8}\\.gif$")));

    const std::unique_ptr<QMimeData> second = actions->dragMimeData();
    ASSERT_NE(second, nullptr);
    const QString secondFile = second->urls()[0].toLocalFile();
    EXPECT_NE(secondFile, firstFile);
    EXPECT_FALSE(QFile::exists(firstFile));

    // Closing the preview leaves the newest for a drop target still reading it.
    actions.reset();
    EXPECT_TRUE(QFile::exists(secondFile));
    dragFiles.reset();
    EXPECT_FALSE(QFile::exists(secondFile));
}

TEST_F(PreviewActionsTest, DragWithoutAGifOrAWritableFolderCarriesNothing)
{
    open(3);
    dragFiles = std::make_unique<DragOutFiles>(temp.filePath("no/such/folder"), writer);
    actions = std::make_unique<PreviewActions>(
        *model, PreviewActions::Services{delivery, writer, *dragFiles, scheduler, announcer});
    EXPECT_EQ(actions->dragMimeData(), nullptr);
    ASSERT_TRUE(model->encodeError());
    EXPECT_TRUE(model->encodeError()->startsWith("Could not prepare the dragged GIF: "));

    encoder.fail = true;
    model->toggleBoomerang();
    scheduler.advance(encoder.duration);
    ASSERT_FALSE(model->gifData());
    EXPECT_EQ(actions->dragMimeData(), nullptr);
    EXPECT_FALSE(actions->canExport());
}

TEST_F(PreviewActionsTest, DiscardAndRecordAgainCallTheOwner)
{
    open(2);
    EXPECT_FALSE(actions->canRecordAgain());
    QStringList calls;
    actions->setOnDiscard([&] { calls << "discard"; });
    actions->setOnRecordAgain([&] { calls << "again"; });
    EXPECT_TRUE(actions->canRecordAgain());
    actions->discard();
    actions->recordAgain();
    EXPECT_EQ(calls, (QStringList{"discard", "again"}));
}

} // namespace
} // namespace kinetta::test
