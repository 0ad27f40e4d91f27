// Portal capture end to end: the fake portal on a private bus, a private
// PipeWire daemon with WirePlumber, and a test source of known pictures.
#include "capture/CaptureBackend.h"
#include "capture/ScreenRecorder.h"
#include "capture/portal/CollectingOutput.h"
#include "capture/portal/PortalCaptureSource.h"
#include "capture/portal/PortalRig.h"
#include "capture/portal/TestVideoSource.h"
#include "model/MemoryPreferencesStore.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <semaphore>

namespace kinetta::portal
{
namespace
{

using testing::CollectingOutput;
using testing::PortalRig;
using testing::TestVideoSource;

const QSize kScreen(160, 90);

// Passes a real source's output on, counting what went through, so that a
// test can wait for a recorder's frames to have arrived.
class CountingSource final : public CaptureSource, private CaptureStreamOutput
{
public:
    explicit CountingSource(std::shared_ptr<CaptureSource> inner) : m_inner(std::move(inner)) {}
    bool preflightAccess() override { return m_inner->preflightAccess(); }
    void requestAccess() override { m_inner->requestAccess(); }
    CaptureResult<ShareableContent> shareableContent() override
    {
        return m_inner->shareableContent();
    }
    CaptureResult<std::unique_ptr<CaptureStream>>
    startStream(const StreamConfiguration& configuration, CaptureStreamOutput& output) override
    {
        m_output = &output;
        return m_inner->startStream(configuration, *this);
    }
    CollectingOutput seen;

private:
    void streamDidOutput(CapturedImage image) override
    {
        seen.streamDidOutput(image);
        m_output->streamDidOutput(std::move(image));
    }
    void streamDidStop(const CaptureError& error) override
    {
        seen.streamDidStop(error);
        m_output->streamDidStop(error);
    }
    std::shared_ptr<CaptureSource> m_inner;
    CaptureStreamOutput* m_output = nullptr;
};

class PortalCaptureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testing::ensureCoreApplication();
        if (const QString missing = PortalRig::missingTools(true); !missing.isEmpty())
            GTEST_SKIP() << "needs " << missing.toStdString();
        rig = std::make_unique<PortalRig>(rigOptions);
        ASSERT_TRUE(rig->problem().isEmpty()) << rig->problem().toStdString();
        screen = std::make_unique<TestVideoSource>(rig->connectPipeWire(), kScreen);
        ASSERT_NE(screen->node(), 0u);
        rig->setStream(screen->node(), kScreen.width(), kScreen.height());
        capture = makeCapture();
    }

    [[nodiscard]] std::shared_ptr<PortalCaptureSource> makeCapture()
    {
        return std::make_shared<PortalCaptureSource>(rig->bus(), settings,
                                                     std::chrono::seconds(10));
    }

public:
    static StreamConfiguration configuration(QSize output, bool cursor = true,
                                             std::optional<QRectF> crop = std::nullopt)
    {
        StreamConfiguration result;
        result.frameRate = 30;
        result.outputSize = output;
        result.showsCursor = cursor;
        result.sourceRect = crop;
        return result;
    }

protected:
    // Shows picture n until the last delivery's pixels satisfy matches. A
    // picture sent before the reader's side of the link runs is lost, as it
    // would be from a compositor; showing it again stands for the next damage.
    template <typename Matches> bool showUntil(CollectingOutput& output, int n, Matches matches)
    {
        return showUntil(*screen, output, n, matches);
    }
    template <typename Matches>
    bool showUntil(TestVideoSource& source, CollectingOutput& output, int n, Matches matches)
    {
        for (int attempt = 0; attempt < 50; ++attempt) {
            source.show(n);
            if (output.waitFor(
                    [&](const std::vector<CapturedImage>& images, auto&) {
                        return !images.empty() && matches(CollectingOutput::pixels(images.back()));
                    },
                    std::chrono::milliseconds(200)))
                return true;
        }
        return false;
    }
    bool showAndWait(CollectingOutput& output, int n, const std::vector<std::uint32_t>& expected)
    {
        return showUntil(output, n, [&](const auto& pixels) { return pixels == expected; });
    }

    PortalRig::Options rigOptions;
    std::unique_ptr<PortalRig> rig;
    std::unique_ptr<TestVideoSource> screen;
    std::shared_ptr<MemoryPreferencesStore> settings = std::make_shared<MemoryPreferencesStore>();
    std::shared_ptr<PortalCaptureSource> capture;
};

TEST_F(PortalCaptureTest, PicturesArrivePixelExactAndAStillScreenKeepsBeingDelivered)
{
    CollectingOutput output;
    auto stream = capture->startStream(configuration(kScreen), output);
    ASSERT_TRUE(stream.ok()) << stream.error().message.toStdString();
    ASSERT_TRUE(screen->waitUntilStreaming());
    const auto full = [](int n) { return TestVideoSource::picture(n, kScreen); };
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(showAndWait(output, n, full(n))) << "picture " << n;

    // Nothing more is sent: the last picture keeps going out on the cadence.
    const std::size_t seen = output.count();
    ASSERT_TRUE(output.waitFor([&](auto& images, auto&) { return images.size() >= seen + 6; }));
    stream.value()->stop();
    const std::size_t total = output.count();
    for (std::size_t i = 0; i < total; ++i) {
        const auto pixels = CollectingOutput::pixels(output.image(i));
        if (i >= seen - 1)
            EXPECT_EQ(pixels, full(3)) << "delivery " << i;
        else
            EXPECT_TRUE(pixels == full(1) || pixels == full(2) || pixels == full(3))
                << "delivery " << i << " is none of the pictures shown";
    }
    EXPECT_EQ(output.stops(), 0);
}

TEST_F(PortalCaptureTest, HalfScaleStaysWithinTheAreaMeanAndAnAreaIsCroppedExactly)
{
    // Half size, of the whole screen and of an area: each output pixel is the
    // mean of a 2x2 block, to within one.
    for (const QRect area : {QRect(QPoint(0, 0), kScreen), QRect(30, 20, 64, 40)}) {
        CollectingOutput output;
        const bool whole = area.size() == kScreen;
        auto stream = capture->startStream(
            configuration(area.size() / 2, true,
                          whole ? std::nullopt : std::optional<QRectF>(QRectF(area))),
            output);
        ASSERT_TRUE(stream.ok()) << stream.error().message.toStdString();
        ASSERT_TRUE(screen->waitUntilStreaming());
        std::optional<std::string> mismatch;
        const auto withinBound = [&](const std::vector<std::uint32_t>& pixels) {
            const int width = area.width() / 2;
            const int height = area.height() / 2;
            mismatch.reset();
            if (pixels.size() != static_cast<std::size_t>(width * height))
                return false;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    for (int shift : {0, 8, 16}) {
                        int sum = 0;
                        for (int dy = 0; dy < 2; ++dy)
                            for (int dx = 0; dx < 2; ++dx)
                                sum += static_cast<int>(
                                    (TestVideoSource::pixel(4, area.x() + 2 * x + dx,
                                                            area.y() + 2 * y + dy) >>
                                     shift) &
                                    0xff);
                        const auto got = static_cast<int>(
                            (pixels[static_cast<std::size_t>(y * width + x)] >> shift) & 0xff);
                        if (std::abs(got - sum / 4.0) > 1.0) {
                            mismatch = std::to_string(x) + "," + std::to_string(y);
                            return false;
                        }
                    }
            return true;
        };
        EXPECT_TRUE(showUntil(output, 4, withinBound))
            << (whole ? "screen" : "area") << ": first mismatch at " << mismatch.value_or("-");
        stream.value()->stop();
    }
    // An area of the screen at full size: exactly those pixels.
    CollectingOutput output;
    const QRect area(30, 20, 64, 40);
    auto stream = capture->startStream(configuration(area.size(), true, QRectF(area)), output);
    ASSERT_TRUE(stream.ok()) << stream.error().message.toStdString();
    ASSERT_TRUE(screen->waitUntilStreaming());
    const auto cropped = [&](int n) {
        std::vector<std::uint32_t> pixels;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                pixels.push_back(TestVideoSource::pixel(n, x, y));
        return pixels;
    };
    EXPECT_TRUE(showAndWait(output, 5, cropped(5)));
}

TEST_F(PortalCaptureTest, TheCursorModeFollowsTheRecordingAndTheRestoreTokenIsKeptAndSentAgain)
{
    // The content is asked for before the recording's cursor choice is known.
    const auto content = capture->shareableContent();
    ASSERT_TRUE(content.ok()) << content.error().message.toStdString();
    ASSERT_EQ(content.value().displays.size(), 1u);
    EXPECT_EQ(content.value().displays.front().frame, QRect(QPoint(0, 0), kScreen));
    QVariantMap selected = rig->lastOptions(QStringLiteral("SelectSources"));
    EXPECT_EQ(selected.value("cursor_mode").toUInt(), 2u);
    EXPECT_EQ(selected.value("persist_mode").toUInt(), 2u);
    EXPECT_EQ(selected.value("types").toUInt(), 1u);
    EXPECT_FALSE(selected.contains("restore_token"));
    EXPECT_EQ(settings->stringValue(kRestoreTokenKey), QStringLiteral("restore-1"));

    // A recording without the cursor needs another session: the token spares the dialog.
    CollectingOutput output;
    auto stream = capture->startStream(configuration(kScreen, false), output);
    ASSERT_TRUE(stream.ok()) << stream.error().message.toStdString();
    selected = rig->lastOptions(QStringLiteral("SelectSources"));
    EXPECT_EQ(selected.value("cursor_mode").toUInt(), 1u);
    EXPECT_EQ(selected.value("restore_token").toString(), QStringLiteral("restore-1"));
    EXPECT_EQ(settings->stringValue(kRestoreTokenKey), QStringLiteral("restore-2"));
    stream.value()->stop();

    // The next run of the program sends the token it left.
    auto nextRun = makeCapture();
    EXPECT_TRUE(nextRun->preflightAccess());
    EXPECT_EQ(rig->lastOptions(QStringLiteral("SelectSources")).value("restore_token").toString(),
              QStringLiteral("restore-2"));
    EXPECT_EQ(rig->callCount(QStringLiteral("Start")), 3u);

    // Reset: the choice is forgotten and the next session asks afresh.
    PortalCaptureSource::forgetConsent(*settings);
    EXPECT_TRUE(makeCapture()->preflightAccess());
    EXPECT_FALSE(rig->lastOptions(QStringLiteral("SelectSources")).contains("restore_token"));
}

TEST_F(PortalCaptureTest, DecliningTheDialogIsThePermissionErrorAndAMissingPortalIsNot)
{
    rig->setAnswer(QStringLiteral("SelectSources"), 1);
    ScreenRecorder recorder(capture, FrameStore::optionsFromEnvironment());
    const auto refused =
        recorder.start(CaptureMode::fullScreen, 10, 1, std::nullopt, std::nullopt, true);
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->recordingError(), RecordingError::permissionDenied);
    EXPECT_EQ(refused->description(), errorDescription(RecordingError::permissionDenied));
    EXPECT_FALSE(recorder.isCapturing());
    EXPECT_FALSE(settings->stringValue(kRestoreTokenKey).has_value());
    // The command line asks for the content first and shows the same text.
    auto cli = makeCapture();
    const auto content = cli->shareableContent();
    ASSERT_FALSE(content.ok());
    EXPECT_EQ(content.error().message, errorDescription(RecordingError::permissionDenied));

    // Without a portal there is nobody to refuse: a capture error that says why.
    rig->stopPortal();
    auto orphan = makeCapture();
    EXPECT_TRUE(orphan->preflightAccess());
    const auto missing = orphan->shareableContent();
    ASSERT_FALSE(missing.ok());
    EXPECT_TRUE(missing.error().message.contains(QStringLiteral("desktop portal")))
        << missing.error().message.toStdString();
}

TEST_F(PortalCaptureTest, TheSourceClosingMidRecordingStopsWithAStreamErrorAndKeepsTheFrames)
{
    auto counting = std::make_shared<CountingSource>(capture);
    ScreenRecorder recorder(counting, FrameStore::optionsFromEnvironment());
    std::binary_semaphore stopped(0);
    std::optional<CaptureError> streamError;
    recorder.setOnStreamError([&](const CaptureError& error) {
        streamError = error;
        stopped.release();
    });
    ASSERT_FALSE(recorder.start(CaptureMode::fullScreen, 20, 1, std::nullopt, std::nullopt, true));
    ASSERT_TRUE(screen->waitUntilStreaming());
    ASSERT_TRUE(showAndWait(counting->seen, 6, TestVideoSource::picture(6, kScreen)));
    const std::size_t first = counting->seen.count();
    ASSERT_TRUE(
        counting->seen.waitFor([&](auto& images, auto&) { return images.size() >= first + 3; }));

    screen->close();
    ASSERT_TRUE(stopped.try_acquire_for(std::chrono::seconds(10)));
    ASSERT_TRUE(streamError.has_value());
    EXPECT_EQ(streamError->message, QStringLiteral("The shared screen or window went away."));
    const RecordedFrames frames = recorder.stop();
    // The slots up to the end: at least those of the deliveries seen after picture 6.
    ASSERT_GE(frames.frames.size(), 3u);
    EXPECT_EQ(frames.frames.back().pixels(), TestVideoSource::picture(6, kScreen));
}

TEST_F(PortalCaptureTest, ThePortalEndingTheSessionStopsTheStreamWithTheFramesDelivered)
{
    CollectingOutput output;
    auto stream = capture->startStream(configuration(kScreen), output);
    ASSERT_TRUE(stream.ok()) << stream.error().message.toStdString();
    ASSERT_TRUE(screen->waitUntilStreaming());
    ASSERT_TRUE(showAndWait(output, 7, TestVideoSource::picture(7, kScreen)));
    const std::size_t delivered = output.count();

    // The user stops sharing from the desktop; the source itself stays.
    rig->closeSessions();
    ASSERT_TRUE(output.waitFor([](auto&, auto& error) { return error.has_value(); }));
    EXPECT_EQ(output.error()->message,
              QStringLiteral("Screen sharing was stopped from the desktop."));
    stream.value()->stop();
    EXPECT_EQ(output.stops(), 1);
    EXPECT_GE(output.count(), delivered);
    EXPECT_EQ(CollectingOutput::pixels(output.image(0)), TestVideoSource::picture(7, kScreen));
}

// The choice of platform, from the environment a session gives.
// Single windows through the portal's own chooser, where it offers them.
class PortalWindowChooserTest : public PortalCaptureTest
{
protected:
    PortalWindowChooserTest() { rigOptions.windowSources = true; }

    void SetUp() override
    {
        PortalCaptureTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        window = std::make_unique<TestVideoSource>(rig->connectPipeWire(), kWindow);
        ASSERT_NE(window->node(), 0u);
        rig->setWindowStream(window->node(), kWindow.width(), kWindow.height());
    }

    static constexpr QSize kWindow{96, 64};
    std::unique_ptr<TestVideoSource> window;
};

TEST_F(PortalWindowChooserTest, TheChosenWindowsSessionIsRecordedAtItsSize)
{
    const auto chosen = capture->chooseWindow(false);
    ASSERT_TRUE(chosen.has_value());
    ASSERT_TRUE(chosen->ok()) << chosen->error().message.toStdString();
    EXPECT_EQ(chosen->value().windowID, window->node());
    EXPECT_EQ(chosen->value().frame, QRectF(QPointF(0, 0), QSizeF(kWindow)));
    // Windows only, asked every time: nothing remembered, no token kept.
    const QVariantMap asked = rig->lastOptions(QStringLiteral("SelectSources"));
    EXPECT_EQ(asked.value("types").toUInt(), 2u);
    EXPECT_EQ(asked.value("cursor_mode").toUInt(), 1u);
    EXPECT_FALSE(asked.contains("persist_mode"));
    EXPECT_FALSE(asked.contains("restore_token"));
    EXPECT_FALSE(settings->stringValue(kRestoreTokenKey).has_value());

    // The recorder, its cursor hidden as chosen, takes that very session over.
    auto counting = std::make_shared<CountingSource>(capture);
    ScreenRecorder recorder(counting, FrameStore::optionsFromEnvironment());
    ASSERT_FALSE(
        recorder.start(CaptureMode::window, 20, 1, chosen->value().windowID, std::nullopt, false));
    EXPECT_EQ(rig->callCount(QStringLiteral("Start")), 1u);
    ASSERT_TRUE(window->waitUntilStreaming());
    const auto expected = TestVideoSource::picture(3, kWindow);
    ASSERT_TRUE(showUntil(*window, counting->seen, 3,
                          [&](const auto& pixels) { return pixels == expected; }));
    const RecordedFrames frames = recorder.stop();
    ASSERT_FALSE(frames.frames.empty());
    EXPECT_EQ(frames.frames.back().width(), kWindow.width());
    EXPECT_EQ(frames.frames.back().pixels(), expected);

    // The window's session is used up: a window recording needs a new choice.
    CollectingOutput output;
    StreamConfiguration again = configuration(kWindow, false);
    again.content = StreamConfiguration::Content::window;
    again.targetID = window->node();
    EXPECT_FALSE(capture->startStream(again, output).ok());
}

TEST_F(PortalWindowChooserTest, DecliningTheChooserIsThePermissionErrorAndSparesTheScreen)
{
    rig->setAnswer(QStringLiteral("Start"), 1);
    const auto declined = capture->chooseWindow(true);
    ASSERT_TRUE(declined.has_value());
    ASSERT_FALSE(declined->ok());
    EXPECT_EQ(declined->error().message, errorDescription(RecordingError::permissionDenied));
    // Screen recordings still ask the portal for themselves.
    rig->setAnswer(QStringLiteral("Start"), 0);
    EXPECT_TRUE(capture->preflightAccess());
    EXPECT_EQ(rig->lastOptions(QStringLiteral("SelectSources")).value("types").toUInt(), 1u);
    ASSERT_TRUE(capture->shareableContent().ok());
    EXPECT_TRUE(capture->shareableContent().value().windows.empty());

    // A portal without single windows: no chooser, and the mode says why.
    PortalRig monitorsOnly(PortalRig::Options{{"screencast"}, false, false});
    ASSERT_TRUE(monitorsOnly.problem().isEmpty()) << monitorsOnly.problem().toStdString();
    EXPECT_FALSE(offersSingleWindows(PortalRequests(monitorsOnly.bus())));
    PortalCaptureSource plain(monitorsOnly.bus(), settings, std::chrono::seconds(10));
    EXPECT_FALSE(plain.chooseWindow(true).has_value());
    EXPECT_EQ(monitorsOnly.callCount(QStringLiteral("CreateSession")), 0u);
}

TEST(CaptureBackendChoiceTest, WaylandSessionsRecordThroughThePortalUnlessX11IsForced)
{
    testing::ensureCoreApplication();
    const char* names[] = {"KINETTA_CAPTURE", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "DISPLAY",
                           "DBUS_SESSION_BUS_ADDRESS"};
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved;
    for (const char* name : names)
        saved.emplace_back(name, qEnvironmentVariableIsSet(name)
                                     ? std::optional<QByteArray>(qgetenv(name))
                                     : std::nullopt);
    // Nothing here may reach a real bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    const auto portalChosen = [](const char* capture, const char* wayland, const char* session) {
        for (auto [name, value] :
             {std::pair{"KINETTA_CAPTURE", capture}, std::pair{"WAYLAND_DISPLAY", wayland},
              std::pair{"XDG_SESSION_TYPE", session}}) {
            if (value)
                qputenv(name, value);
            else
                qunsetenv(name);
        }
        const bool portal = dynamic_cast<PortalCaptureSource*>(createCaptureSource().get());
        EXPECT_EQ(windowCaptureUnavailable().has_value(), portal);
        EXPECT_EQ(static_cast<bool>(screenConsentForgetter()), portal);
        return portal;
    };
    qputenv("DISPLAY", ":99");
    EXPECT_FALSE(portalChosen(nullptr, nullptr, nullptr)) << "an X11 session";
    EXPECT_FALSE(portalChosen(nullptr, nullptr, "x11"));
    EXPECT_TRUE(portalChosen(nullptr, "wayland-0", nullptr)) << "XWayland's display aside";
    EXPECT_TRUE(portalChosen(nullptr, nullptr, "wayland"));
    EXPECT_FALSE(portalChosen("x11", "wayland-0", "wayland"));
    EXPECT_FALSE(portalChosen("null", "wayland-0", "wayland"));
    EXPECT_TRUE(portalChosen("portal", nullptr, "x11"));

    for (const auto& [name, value] : saved) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
}

TEST(PortalWithoutPipeWireTest, StartingIsACaptureErrorThatNamesPipeWire)
{
    testing::ensureCoreApplication();
    if (const QString missing = PortalRig::missingTools(false); !missing.isEmpty())
        GTEST_SKIP() << "needs " << missing.toStdString();
    PortalRig rig(PortalRig::Options{{"screencast"}, false});
    ASSERT_TRUE(rig.problem().isEmpty()) << rig.problem().toStdString();
    rig.setStream(42, kScreen.width(), kScreen.height());
    PortalCaptureSource capture(rig.bus(), std::make_shared<MemoryPreferencesStore>(),
                                std::chrono::seconds(10));
    CollectingOutput output;
    const auto stream = capture.startStream(PortalCaptureTest::configuration(kScreen), output);
    ASSERT_FALSE(stream.ok());
    EXPECT_TRUE(stream.error().message.contains(QStringLiteral("PipeWire")))
        << stream.error().message.toStdString();
    EXPECT_EQ(output.count(), 0u);
}

} // namespace
} // namespace kinetta::portal
