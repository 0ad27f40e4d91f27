// Copy and Copy PNG on a private X server, read back from outside the
// program with xclip: the formats offered and their bytes.
#include "PreviewTestDoubles.h"
#include "app/AtomicFileWriter.h"
#include "app/DesktopDelivery.h"
#include "app/ProcessUntil.h"
#include "capture/XvfbServer.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"
#include "ui/common/XcbApplication.h"
#include "ui/preview/DragOutFiles.h"
#include "ui/preview/PreviewActions.h"
#include "ui/preview/PreviewModel.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace kinetta::test
{
namespace
{

class PreviewClipboardX11Test : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_display = std::make_unique<kinetta::testing::XvfbServer>();
        if (!s_display->running())
            return;
        // The clipboard cache goes to a folder of this test, not the user's.
        s_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_RUNTIME_DIR", s_home->filePath("runtime").toUtf8());
        qputenv("XDG_CACHE_HOME", s_home->filePath("cache").toUtf8());
        QFile::setPermissions(s_home->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner);
        s_app = openXcbApplication(s_display->display(), "preview_clipboard_x11_tests");
    }

    static void TearDownTestSuite()
    {
        s_app.reset();
        s_display.reset();
        s_home.reset();
    }

    void SetUp() override
    {
        if (!s_app)
            GTEST_SKIP() << "Xvfb did not start";
        m_xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
        if (m_xclip.isEmpty())
            GTEST_SKIP() << "xclip is not installed";
        session.setCapturedFrames(makeFrames(3));
        encoder.size = 700;
        model = std::make_unique<PreviewModel>(session, scheduler, encoder, announcer, true);
        model->appear();
        scheduler.advance(encoder.duration);
        ASSERT_TRUE(model->gifData());
        actions = std::make_unique<PreviewActions>(
            *model, PreviewActions::Services{delivery, writer, dragFiles, scheduler, announcer});
    }

    // What xclip reads for target; the program answers while it waits.
    QByteArray clipboard(const QString& target) const
    {
        QProcess xclip;
        xclip.start(m_xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                              QStringLiteral("-t"), target, QStringLiteral("-o")});
        EXPECT_TRUE(processUntil([&] { return xclip.state() == QProcess::NotRunning; }));
        return xclip.readAllStandardOutput();
    }
    QStringList targets() const
    {
        return QString::fromUtf8(clipboard(QStringLiteral("TARGETS")))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static inline std::unique_ptr<kinetta::testing::XvfbServer> s_display;
    static inline std::unique_ptr<QTemporaryDir> s_home;
    static inline std::unique_ptr<QApplication> s_app;
    QString m_xclip;
    QTemporaryDir temp;
    VirtualScheduler scheduler;
    VirtualEncoder encoder{scheduler};
    RecordingAnnouncer announcer;
    AtomicFileWriter writer;
    DesktopDelivery delivery{writer};
    DragOutFiles dragFiles{temp.filePath("drag"), writer};
    RecordingSession session;
    std::unique_ptr<PreviewModel> model;
    std::unique_ptr<PreviewActions> actions;
};

TEST_F(PreviewClipboardX11Test, CopyOffersTheFileAndTheGifBytesAndNoStill)
{
    actions->copyGif();
    ASSERT_TRUE(processUntil([&] { return actions->copied() || model->encodeError(); }));
    ASSERT_FALSE(model->encodeError()) << model->encodeError()->toStdString();

    const QStringList offered = targets();
    EXPECT_TRUE(offered.contains("text/uri-list")) << offered.join(' ').toStdString();
    EXPECT_TRUE(offered.contains("x-special/gnome-copied-files"));
    EXPECT_TRUE(offered.contains("image/gif"));
    EXPECT_FALSE(offered.contains("image/png"));
    EXPECT_EQ(clipboard("image/gif"), *model->gifData());

    const QList<QByteArray> uris = clipboard("text/uri-list").split('\n');
    const QString file = QUrl(QString::fromUtf8(uris.value(0).trimmed())).toLocalFile();
    QFile cached(file);
    ASSERT_TRUE(cached.open(QIODevice::ReadOnly)) << file.toStdString();
    EXPECT_EQ(cached.readAll(), *model->gifData());
    EXPECT_TRUE(file.startsWith(s_home->path()));
}

TEST_F(PreviewClipboardX11Test, CopyPngOffersThePngAlone)
{
    model->player().setCurrentFrame(1);
    actions->copyPng();
    const QStringList offered = targets();
    EXPECT_TRUE(offered.contains("image/png")) << offered.join(' ').toStdString();
    EXPECT_FALSE(offered.contains("image/gif"));
    EXPECT_FALSE(offered.contains("text/uri-list"));
    const QImage pasted = QImage::fromData(clipboard("image/png"), "PNG");
    EXPECT_EQ(pasted.convertToFormat(QImage::Format_RGB32), session.capturedFrames()[1].toImage());
}

} // namespace
} // namespace kinetta::test
