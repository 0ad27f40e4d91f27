#include "capture/portal/PipeWireFrameStream.h"

#include "capture/CaptureLogging.h"
#include "capture/portal/PipeWireConnection.h"
#include "capture/portal/PipeWirePictureReader.h"

#include <cstdint>
#include <cstring>
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>

namespace kinetta::portal
{
namespace
{

constexpr std::uint32_t kMaxSide = 16384;

// PipeWire's interface macros cast the C way; kept to these two places.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
void listenToCore(pw_core* core, spa_hook* hook, const pw_core_events* events, void* data)
{
    pw_core_add_listener(core, hook, events, data);
}

pw_registry* watchRegistry(pw_core* core, spa_hook* hook, const pw_registry_events* events,
                           void* data)
{
    pw_registry* registry = pw_core_get_registry(core, PW_VERSION_REGISTRY, 0);
    if (registry)
        pw_registry_add_listener(registry, hook, events, data);
    return registry;
}
#pragma GCC diagnostic pop

} // namespace

struct PipeWireFrameStream::State {
    PipeWireFrameHandlers handlers;
    std::unique_ptr<PipeWireConnection> connection;
    pw_registry* registry = nullptr;
    pw_stream* stream = nullptr;
    spa_hook coreListener{};
    spa_hook registryListener{};
    spa_hook streamListener{};
    PipeWirePictureReader reader;
    // The newest buffer with a picture, kept from the source until a newer
    // one comes or the stream goes; its number counts the pictures so far.
    pw_buffer* held = nullptr;
    std::uint64_t heldNumber = 0;
    std::uint64_t convertedNumber = 0;
    std::shared_ptr<const PortalFrame> converted;
    // Set before we take the stream down ourselves: that is no ending to report.
    bool stopping = false;
    bool ended = false;

    State(const Target& target, PipeWireFrameHandlers told)
        : handlers(std::move(told)), reader({target.frameSize, target.crop, target.outputSize}),
          node(target.node)
    {
    }
    ~State();
    void end(const QString& reason);
    void negotiated(const spa_pod* param);
    void process();
    std::uint32_t node;
};

PipeWireFrameStream::State::~State()
{
    if (!connection)
        return;
    {
        PipeWireConnection::Lock lock(*connection);
        stopping = true;
        if (stream) {
            if (held)
                pw_stream_queue_buffer(stream, held);
            pw_stream_destroy(stream);
        }
        if (registry) {
            spa_hook_remove(&registryListener);
            pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry));
        }
        spa_hook_remove(&coreListener);
    }
    connection.reset();
}

void PipeWireFrameStream::State::end(const QString& reason)
{
    if (stopping || ended)
        return;
    ended = true;
    handlers.ended(reason);
}

void PipeWireFrameStream::State::negotiated(const spa_pod* param)
{
    std::uint32_t mediaType = 0;
    std::uint32_t mediaSubtype = 0;
    if (!param || spa_format_parse(param, &mediaType, &mediaSubtype) < 0 ||
        mediaType != SPA_MEDIA_TYPE_video || mediaSubtype != SPA_MEDIA_SUBTYPE_raw)
        return;
    spa_video_info_raw parsed{};
    if (spa_format_video_raw_parse(param, &parsed) < 0)
        return;
    if (!reader.setFormat(parsed))
        qCWarning(lcCapture) << "the screen cast sends a pixel layout Kinetta cannot read:"
                             << parsed.format;
    qCDebug(lcCapture) << "screen cast format" << parsed.format << parsed.size.width << "x"
                       << parsed.size.height;

    std::uint8_t storage[1024];
    spa_pod_builder builder;
    spa_pod_builder_init(&builder, storage, sizeof(storage));
    // Shared memory is mapped by PipeWire; a DMA-BUF (which a source only
    // sends when it can send nothing else, since no modifier is offered) is
    // mapped here.
    const int dataTypes = (1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_DmaBuf);
    const spa_pod* params[3];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(8, 2, 16), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int(dataTypes)));
    params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_Header), SPA_PARAM_META_size,
        SPA_POD_Int(static_cast<int>(sizeof(spa_meta_header)))));
    params[2] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_VideoCrop), SPA_PARAM_META_size,
        SPA_POD_Int(static_cast<int>(sizeof(spa_meta_region)))));
    pw_stream_update_params(stream, params, 3);
}

void PipeWireFrameStream::State::process()
{
    // Only the newest picture matters: it is held, the one held before goes back.
    bool arrived = false;
    while (pw_buffer* next = pw_stream_dequeue_buffer(stream)) {
        if (!reader.holdsPicture(next->buffer)) {
            pw_stream_queue_buffer(stream, next);
            continue;
        }
        if (held)
            pw_stream_queue_buffer(stream, held);
        held = next;
        ++heldNumber;
        arrived = true;
    }
    if (arrived)
        handlers.arrived();
}

PipeWireFrameStream::PipeWireFrameStream(std::unique_ptr<State> state) : m_state(std::move(state))
{
}

PipeWireFrameStream::~PipeWireFrameStream() = default;

std::shared_ptr<const PortalFrame> PipeWireFrameStream::newestPicture()
{
    State& state = *m_state;
    PipeWireConnection::Lock lock(*state.connection);
    if (state.held && state.heldNumber != state.convertedNumber) {
        state.converted = state.reader.read(state.held->buffer);
        state.convertedNumber = state.heldNumber;
    }
    return state.converted;
}

Result<std::unique_ptr<PipeWireFrameStream>, QString>
PipeWireFrameStream::start(FileDescriptor connection, const Target& target,
                           PipeWireFrameHandlers handlers)
{
    auto opened = PipeWireConnection::open(std::move(connection), "kinetta-pipewire");
    if (!opened.ok())
        return Failure{opened.message()};
    auto state = std::make_unique<State>(target, std::move(handlers));
    state->connection = std::move(opened).value();
    State* raw = state.get();
    PipeWireConnection::Lock lock(*raw->connection);
    pw_core* core = raw->connection->core();

    static const pw_core_events coreEvents = [] {
        pw_core_events events{};
        events.version = PW_VERSION_CORE_EVENTS;
        events.error = [](void* data, std::uint32_t id, int /*seq*/, int res, const char* message) {
            if (id == PW_ID_CORE)
                static_cast<State*>(data)->end(
                    QStringLiteral("The connection to PipeWire was lost (%1).")
                        .arg(QString::fromUtf8(message ? message : std::strerror(-res))));
        };
        return events;
    }();
    listenToCore(core, &raw->coreListener, &coreEvents, raw);

    static const pw_registry_events registryEvents = [] {
        pw_registry_events events{};
        events.version = PW_VERSION_REGISTRY_EVENTS;
        events.global_remove = [](void* data, std::uint32_t id) {
            auto* self = static_cast<State*>(data);
            if (id == self->node)
                self->end(QStringLiteral("The shared screen or window went away."));
        };
        return events;
    }();
    raw->registry = watchRegistry(core, &raw->registryListener, &registryEvents, raw);

    static const pw_stream_events streamEvents = [] {
        pw_stream_events events{};
        events.version = PW_VERSION_STREAM_EVENTS;
        events.state_changed = [](void* data, pw_stream_state /*old*/, pw_stream_state now,
                                  const char* error) {
            auto* self = static_cast<State*>(data);
            if (now == PW_STREAM_STATE_ERROR)
                self->end(QStringLiteral("The screen cast failed: %1")
                              .arg(QString::fromUtf8(error ? error : "unknown error")));
            else if (now == PW_STREAM_STATE_UNCONNECTED)
                self->end(QStringLiteral("The screen cast was disconnected."));
        };
        events.param_changed = [](void* data, std::uint32_t id, const spa_pod* param) {
            if (id == SPA_PARAM_Format)
                static_cast<State*>(data)->negotiated(param);
        };
        events.process = [](void* data) { static_cast<State*>(data)->process(); };
        // A buffer taken away (the format changed) cannot stay held.
        events.remove_buffer = [](void* data, pw_buffer* buffer) {
            auto* self = static_cast<State*>(data);
            if (self->held == buffer)
                self->held = nullptr;
        };
        return events;
    }();
    raw->stream = pw_stream_new(core, "Kinetta screen capture",
                                pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                                  "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    if (!raw->stream)
        return Failure{QStringLiteral("PipeWire could not make a stream.")};
    pw_stream_add_listener(raw->stream, &raw->streamListener, &streamEvents, raw);

    // Every 32-bit layout a compositor may send, any size, and any rate down
    // to 0/1: a source that sends only on damage offers variable rates, and
    // a stream that cannot agree on a format is never linked.
    std::uint8_t storage[1024];
    spa_pod_builder builder;
    spa_pod_builder_init(&builder, storage, sizeof(storage));
    const spa_rectangle defaultSize{
        static_cast<std::uint32_t>(std::max(1, target.frameSize.width())),
        static_cast<std::uint32_t>(std::max(1, target.frameSize.height()))};
    const spa_rectangle minSize{1, 1};
    const spa_rectangle maxSize{kMaxSide, kMaxSide};
    const spa_fraction noRate{0, 1};
    const spa_fraction maxRate{1000, 1};
    const spa_pod* formats = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(9, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx,
                               SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA,
                               SPA_VIDEO_FORMAT_xRGB, SPA_VIDEO_FORMAT_ARGB, SPA_VIDEO_FORMAT_xBGR,
                               SPA_VIDEO_FORMAT_ABGR),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minSize, &maxSize),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&noRate, &noRate, &maxRate)));
    const int connected = pw_stream_connect(
        raw->stream, PW_DIRECTION_INPUT, target.node,
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
        &formats, 1);
    if (connected < 0)
        return Failure{QStringLiteral("Could not connect to the shared screen's stream: ") +
                       QString::fromLocal8Bit(std::strerror(-connected))};
    return std::unique_ptr<PipeWireFrameStream>(new PipeWireFrameStream(std::move(state)));
}

} // namespace kinetta::portal
