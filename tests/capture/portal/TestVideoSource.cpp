#include "capture/portal/TestVideoSource.h"

#include "capture/portal/PipeWireConnection.h"

#include <cstring>
#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>

namespace kinetta::testing
{
namespace
{

// Bytes of padding after each row.
constexpr int kRowPadding = 64;
constexpr int kWaitSeconds = 10;

} // namespace

struct TestVideoSource::State {
    QSize size;
    int stride = 0;
    std::unique_ptr<portal::PipeWireConnection> connection;
    pw_thread_loop* loop = nullptr;
    pw_stream* stream = nullptr;
    spa_hook listener{};
    pw_stream_state state = PW_STREAM_STATE_UNCONNECTED;
    int current = 0;

    // Fills a free buffer with picture current and queues it; the graph then
    // needs a trigger to carry it to the reader.
    void fill()
    {
        pw_buffer* buffer = pw_stream_dequeue_buffer(stream);
        if (!buffer)
            return;
        spa_data& data = buffer->buffer->datas[0];
        if (data.data && data.maxsize >= static_cast<std::uint32_t>(stride * size.height())) {
            auto* bytes = static_cast<std::uint8_t*>(data.data);
            std::memset(bytes, 0xee, static_cast<std::size_t>(stride) * size.height());
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x) {
                    // BGRx: the little-endian word is 0xxxRRGGBB; the x byte is noise.
                    const std::uint32_t word = (pixel(current, x, y) & 0x00ffffffu) | 0x5a000000u;
                    std::memcpy(bytes + static_cast<std::size_t>(y) * stride +
                                    static_cast<std::size_t>(x) * 4,
                                &word, 4);
                }
            data.chunk->offset = 0;
            data.chunk->stride = stride;
            data.chunk->size = static_cast<std::uint32_t>(stride * size.height());
        }
        pw_stream_queue_buffer(stream, buffer);
    }

    void formatChanged(const spa_pod* param)
    {
        if (!param)
            return;
        std::uint8_t storage[1024];
        spa_pod_builder builder;
        spa_pod_builder_init(&builder, storage, sizeof(storage));
        const spa_pod* params[1];
        params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
            SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
            SPA_PARAM_BUFFERS_size, SPA_POD_Int(stride * size.height()), SPA_PARAM_BUFFERS_stride,
            SPA_POD_Int(stride), SPA_PARAM_BUFFERS_dataType,
            SPA_POD_CHOICE_FLAGS_Int(1 << SPA_DATA_MemFd)));
        pw_stream_update_params(stream, params, 1);
    }

    ~State()
    {
        if (!connection)
            return;
        {
            portal::PipeWireConnection::Lock lock(*connection);
            if (stream)
                pw_stream_destroy(stream);
        }
        connection.reset();
    }
};

std::uint32_t TestVideoSource::pixel(int n, int x, int y)
{
    const auto red = static_cast<std::uint32_t>(x * 3 + n * 17) & 0xffu;
    const auto green = static_cast<std::uint32_t>(y * 5 + n * 29) & 0xffu;
    const auto blue = static_cast<std::uint32_t>((x ^ y) + n * 7) & 0xffu;
    return 0xff000000u | red << 16 | green << 8 | blue;
}

std::vector<std::uint32_t> TestVideoSource::picture(int n, QSize size)
{
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(size.width()) * size.height());
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            pixels.push_back(pixel(n, x, y));
    return pixels;
}

TestVideoSource::TestVideoSource(int connection, QSize size) : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    s.size = size;
    s.stride = size.width() * 4 + kRowPadding;
    auto opened = portal::PipeWireConnection::open(FileDescriptor(connection), "test-source");
    if (!opened.ok())
        return;
    s.connection = std::move(opened).value();
    s.loop = s.connection->loop();
    portal::PipeWireConnection::Lock lock(*s.connection);
    static const pw_stream_events events = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.state_changed = [](void* data, pw_stream_state, pw_stream_state now, const char*) {
            auto* self = static_cast<State*>(data);
            self->state = now;
            pw_thread_loop_signal(self->loop, false);
        };
        e.param_changed = [](void* data, std::uint32_t id, const spa_pod* param) {
            if (id == SPA_PARAM_Format)
                static_cast<State*>(data)->formatChanged(param);
        };
        return e;
    }();
    s.stream =
        pw_stream_new(s.connection->core(), "kinetta test screen",
                      pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_MEDIA_TYPE,
                                        "Video", PW_KEY_MEDIA_CATEGORY, "Source", nullptr));
    pw_stream_add_listener(s.stream, &s.listener, &events, &s);
    std::uint8_t storage[1024];
    spa_pod_builder builder;
    spa_pod_builder_init(&builder, storage, sizeof(storage));
    const spa_rectangle rectangle{static_cast<std::uint32_t>(size.width()),
                                  static_cast<std::uint32_t>(size.height())};
    // Damage-driven, as compositors send: a variable rate.
    const spa_fraction rate{0, 1};
    const spa_pod* format = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_Id(SPA_VIDEO_FORMAT_BGRx), SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&rectangle),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate)));
    pw_stream_connect(
        s.stream, PW_DIRECTION_OUTPUT, PW_ID_ANY,
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS), &format,
        1);
    // The node id is known once the daemon has taken the stream.
    while (s.state != PW_STREAM_STATE_PAUSED && s.state != PW_STREAM_STATE_STREAMING &&
           s.state != PW_STREAM_STATE_ERROR)
        if (pw_thread_loop_timed_wait(s.loop, kWaitSeconds) != 0)
            break;
}

TestVideoSource::~TestVideoSource() = default;

std::uint32_t TestVideoSource::node() const
{
    if (!m_state->stream)
        return 0;
    portal::PipeWireConnection::Lock lock(*m_state->connection);
    const std::uint32_t id = pw_stream_get_node_id(m_state->stream);
    return id == SPA_ID_INVALID ? 0 : id;
}

bool TestVideoSource::waitUntilStreaming()
{
    if (!m_state->stream)
        return false;
    portal::PipeWireConnection::Lock lock(*m_state->connection);
    while (m_state->state != PW_STREAM_STATE_STREAMING && m_state->state != PW_STREAM_STATE_ERROR)
        if (pw_thread_loop_timed_wait(m_state->loop, kWaitSeconds) != 0)
            break;
    return m_state->state == PW_STREAM_STATE_STREAMING;
}

void TestVideoSource::show(int n)
{
    if (!m_state->stream)
        return;
    portal::PipeWireConnection::Lock lock(*m_state->connection);
    m_state->current = n;
    m_state->fill();
    pw_stream_trigger_process(m_state->stream);
}

void TestVideoSource::close()
{
    if (!m_state->stream)
        return;
    portal::PipeWireConnection::Lock lock(*m_state->connection);
    pw_stream_destroy(m_state->stream);
    m_state->stream = nullptr;
}

} // namespace kinetta::testing
