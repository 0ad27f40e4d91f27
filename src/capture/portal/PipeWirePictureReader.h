#pragma once

#include "capture/AreaScaler.h"
#include "capture/portal/PortalFrame.h"
#include "capture/portal/RawFrameConversion.h"
#include "capture/portal/RecyclingPool.h"

#include <QRectF>
#include <QSize>
#include <memory>
#include <optional>

struct spa_buffer;
struct spa_video_info_raw;

namespace kinetta::portal
{

// Reads the pictures of a stream's buffers: finds the picture in a buffer
// (its region, stride and offset, skipping empty and corrupted ones), maps a
// DMA-BUF, crops, scales and converts. Scaling comes before converting, on
// the raw pixels, so that only the smaller picture is converted.
class PipeWirePictureReader final
{
public:
    struct Request {
        // The size the portal reported, the frame of crop.
        QSize frameSize;
        std::optional<QRectF> crop;
        // What pictures are scaled to; empty: the cropped size.
        QSize outputSize;
    };
    explicit PipeWirePictureReader(Request request) : m_request(std::move(request)) {}

    // The negotiated format; false when its layout is none of ours.
    bool setFormat(const spa_video_info_raw& format);
    [[nodiscard]] bool holdsPicture(const spa_buffer* buffer) const;
    // Null when the buffer holds no picture that can be read.
    [[nodiscard]] std::shared_ptr<const PortalFrame> read(const spa_buffer* buffer);

private:
    Request m_request;
    QSize m_size;
    std::optional<RawPixelLayout> m_layout;
    // Pictures are made in these; the relay and the frame store may hold a few.
    RecyclingPool<PortalFrame> m_pictures{6};
    std::unique_ptr<AreaScaler> m_scaler;
};

} // namespace kinetta::portal
