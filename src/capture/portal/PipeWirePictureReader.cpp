#include "capture/portal/PipeWirePictureReader.h"

#include <cstdint>
#include <linux/dma-buf.h>
#include <spa/buffer/buffer.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/raw.h>
#include <sys/ioctl.h>
#include <sys/mman.h>

namespace kinetta::portal
{
namespace
{

std::optional<RawPixelLayout> layoutOf(std::uint32_t format)
{
    switch (format) {
    case SPA_VIDEO_FORMAT_BGRx:
        return RawPixelLayout::bgrx;
    case SPA_VIDEO_FORMAT_BGRA:
        return RawPixelLayout::bgra;
    case SPA_VIDEO_FORMAT_RGBx:
        return RawPixelLayout::rgbx;
    case SPA_VIDEO_FORMAT_RGBA:
        return RawPixelLayout::rgba;
    case SPA_VIDEO_FORMAT_xRGB:
        return RawPixelLayout::xrgb;
    case SPA_VIDEO_FORMAT_ARGB:
        return RawPixelLayout::argb;
    case SPA_VIDEO_FORMAT_xBGR:
        return RawPixelLayout::xbgr;
    case SPA_VIDEO_FORMAT_ABGR:
        return RawPixelLayout::abgr;
    default:
        return std::nullopt;
    }
}

// A DMA-BUF mapped for reading while it lives.
class MappedDmaBuf final
{
public:
    MappedDmaBuf(int fd, std::size_t size) : m_fd(fd), m_size(size)
    {
        void* map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        if (map == MAP_FAILED)
            return;
        m_data = static_cast<const std::uint8_t*>(map);
        dma_buf_sync sync{DMA_BUF_SYNC_START | DMA_BUF_SYNC_READ};
        ioctl(m_fd, DMA_BUF_IOCTL_SYNC, &sync);
    }
    ~MappedDmaBuf()
    {
        if (!m_data)
            return;
        dma_buf_sync sync{DMA_BUF_SYNC_END | DMA_BUF_SYNC_READ};
        ioctl(m_fd, DMA_BUF_IOCTL_SYNC, &sync);
        munmap(const_cast<std::uint8_t*>(m_data), m_size);
    }
    MappedDmaBuf(const MappedDmaBuf&) = delete;
    MappedDmaBuf& operator=(const MappedDmaBuf&) = delete;
    [[nodiscard]] const std::uint8_t* data() const { return m_data; }

private:
    int m_fd;
    std::size_t m_size;
    const std::uint8_t* m_data = nullptr;
};

// Where the picture lies in a buffer: its region, row stride and first byte's offset.
struct PictureLayout {
    QRect image;
    std::size_t stride = 0;
    std::size_t offset = 0;
};

std::optional<PictureLayout> pictureLayout(const spa_buffer* buffer, QSize size)
{
    if (buffer->n_datas < 1)
        return std::nullopt;
    const spa_data& data = buffer->datas[0];
    if (!data.chunk || data.chunk->size == 0 || (data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED))
        return std::nullopt;
    const auto* header = static_cast<const spa_meta_header*>(
        spa_buffer_find_meta_data(buffer, SPA_META_Header, sizeof(spa_meta_header)));
    if (header && (header->flags & SPA_META_HEADER_FLAG_CORRUPTED))
        return std::nullopt;
    PictureLayout layout;
    layout.image = QRect(QPoint(0, 0), size);
    // A source may send a larger buffer of which only a region is the picture.
    if (const auto* region = static_cast<const spa_meta_region*>(
            spa_buffer_find_meta_data(buffer, SPA_META_VideoCrop, sizeof(spa_meta_region)));
        region && region->region.size.width > 0 && region->region.size.height > 0)
        layout.image =
            layout.image.intersected(QRect(region->region.position.x, region->region.position.y,
                                           static_cast<int>(region->region.size.width),
                                           static_cast<int>(region->region.size.height)));
    if (layout.image.isEmpty())
        return std::nullopt;
    const std::size_t rowBytes = static_cast<std::size_t>(size.width()) * 4;
    layout.stride =
        data.chunk->stride > 0 ? static_cast<std::size_t>(data.chunk->stride) : rowBytes;
    layout.offset = data.chunk->offset;
    const std::size_t needed =
        layout.offset + layout.stride * static_cast<std::size_t>(size.height() - 1) + rowBytes;
    if (layout.stride < rowBytes || needed > data.maxsize)
        return std::nullopt;
    return layout;
}

} // namespace

bool PipeWirePictureReader::setFormat(const spa_video_info_raw& format)
{
    m_size = QSize(static_cast<int>(format.size.width), static_cast<int>(format.size.height));
    m_layout = layoutOf(format.format);
    return m_layout.has_value();
}

bool PipeWirePictureReader::holdsPicture(const spa_buffer* buffer) const
{
    return m_layout && pictureLayout(buffer, m_size).has_value();
}

std::shared_ptr<const PortalFrame> PipeWirePictureReader::read(const spa_buffer* buffer)
{
    const auto picture = pictureLayout(buffer, m_size);
    if (!m_layout || !picture)
        return nullptr;
    const spa_data& data = buffer->datas[0];
    std::optional<MappedDmaBuf> mapped;
    const auto* base = static_cast<const std::uint8_t*>(data.data);
    if (!base && data.type == SPA_DATA_DmaBuf && data.fd >= 0) {
        mapped.emplace(static_cast<int>(data.fd), data.maxsize + data.mapoffset);
        base = mapped->data() ? mapped->data() + data.mapoffset : nullptr;
    }
    if (!base)
        return nullptr;

    QRect crop = picture->image;
    if (m_request.crop) {
        const QSize frame = m_request.frameSize.isEmpty() ? crop.size() : m_request.frameSize;
        const auto inImage = cropInImage(*m_request.crop, frame, crop.size());
        if (!inImage)
            return nullptr;
        crop = inImage->translated(picture->image.topLeft());
    }
    const std::uint8_t* image = base + picture->offset;
    const QSize output = m_request.outputSize.isEmpty() ? crop.size() : m_request.outputSize;
    // Rows the scaler cannot read as words (rare) are converted at full size,
    // and the relay scales them.
    const bool wordAligned =
        reinterpret_cast<std::uintptr_t>(image) % 4 == 0 && picture->stride % 4 == 0;
    const bool scaleHere = output != crop.size() && wordAligned;
    const QSize made = scaleHere ? output : crop.size();
    auto frame = m_pictures.take();
    frame->width = made.width();
    frame->height = made.height();
    frame->pixels.resize(static_cast<std::size_t>(made.width()) * made.height());
    if (!scaleHere) {
        convertToArgb(*m_layout, image, picture->stride, crop, frame->pixels.data());
        return frame;
    }
    // Smaller: scale the raw pixels first (the scaler treats the four bytes
    // alike, so their order does not matter) and convert only the result.
    if (!m_scaler || m_scaler->sourceWidth() != crop.width() ||
        m_scaler->sourceHeight() != crop.height() || m_scaler->targetWidth() != output.width() ||
        m_scaler->targetHeight() != output.height())
        m_scaler = std::make_unique<AreaScaler>(crop.width(), crop.height(), output.width(),
                                                output.height());
    m_scaler->scale(reinterpret_cast<const std::uint32_t*>(
                        image + static_cast<std::size_t>(crop.y()) * picture->stride +
                        static_cast<std::size_t>(crop.x()) * 4),
                    picture->stride / 4, frame->pixels.data());
    convertToArgb(*m_layout, reinterpret_cast<const std::uint8_t*>(frame->pixels.data()),
                  static_cast<std::size_t>(output.width()) * 4, QRect(QPoint(0, 0), output),
                  frame->pixels.data());
    return frame;
}

} // namespace kinetta::portal
