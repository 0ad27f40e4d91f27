#pragma once

#include <QSize>
#include <cstdint>
#include <memory>
#include <vector>

namespace kinetta::testing
{

// A PipeWire video source for portal tests, driven by the test: BGRx pictures
// of known content in rows wider than the picture (so that a reader that
// ignores the stride fails), published one at a time by show(); between two
// shows nothing is sent, as a compositor sends nothing while the screen is
// still.
class TestVideoSource final
{
public:
    // connection: a connection to the PipeWire daemon, owned from here.
    TestVideoSource(int connection, QSize size);
    ~TestVideoSource();
    TestVideoSource(const TestVideoSource&) = delete;
    TestVideoSource& operator=(const TestVideoSource&) = delete;

    // The node to give the portal; 0 when the source could not be made.
    [[nodiscard]] std::uint32_t node() const;
    // Waits until a reader is linked and the stream runs.
    [[nodiscard]] bool waitUntilStreaming();
    // Sends picture number n.
    void show(int n);
    // Takes the source away, as when the shared screen goes.
    void close();

    // Picture n as opaque 0xAARRGGBB, rows top to bottom.
    [[nodiscard]] static std::uint32_t pixel(int n, int x, int y);
    [[nodiscard]] static std::vector<std::uint32_t> picture(int n, QSize size);

    struct State;

private:
    std::unique_ptr<State> m_state;
};

} // namespace kinetta::testing
