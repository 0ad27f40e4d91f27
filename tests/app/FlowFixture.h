#pragma once

#include "FlowTestDoubles.h"
#include "app/RecordingFlow.h"
#include "model/RecordingSession.h"
#include "support/VirtualScheduler.h"

#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace kinetta::test
{

using namespace std::chrono_literals;

inline FrameList makeFrames(std::size_t count)
{
    FrameList frames;
    for (std::size_t i = 0; i < count; ++i)
        frames.push_back(Frame::fromPixels(2, 2, std::vector<std::uint32_t>(4, 0xff000000u + i)));
    return frames;
}

// A flow over fakes; no countdown and no auto-copy unless a test turns them on.
class FlowTest : public ::testing::Test
{
protected:
    FlowTest()
    {
        session.setUseCountdown(false);
        session.setAutoCopy(false);
    }
    // A flow over the settings held in store, as they are.
    explicit FlowTest(std::shared_ptr<PreferencesStore> store) : session(std::move(store)) {}

    void startRecording()
    {
        flow.beginRecording();
        ASSERT_FALSE(recorder.pendingStarts.empty());
        recorder.completeStart();
        ASSERT_EQ(flow.phase(), RecordingFlow::Phase::recording);
    }

    void recordAndStop(std::size_t frameCount)
    {
        startRecording();
        flow.stopRecording();
        ASSERT_FALSE(recorder.pendingStops.empty());
        recorder.completeStop(makeFrames(frameCount));
    }

    RecordingSession session;
    VirtualScheduler scheduler;
    RecordingPort port;
    FakeRecorder recorder;
    FakeEncoder encoder;
    FakeDelivery delivery;
    RecordingFlow flow{{session, scheduler, port, recorder, encoder, delivery}};
};

} // namespace kinetta::test
