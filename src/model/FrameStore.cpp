#include "model/FrameStore.h"

#include "model/ModelLogging.h"
#include "model/SizeText.h"
#include "model/SpillFile.h"
#include "model/TileDeltaDecoder.h"

#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace kinetta
{
namespace
{

// Deltas are chained through shared pointers, released recursively; the run
// length bounds that depth as well as the work of reading a frame.
constexpr int kLongestDeltaRun = 1000;

// One frame's encoded bytes, in memory or in the temporary file.
class StoredFrame final : public FrameStorage
{
public:
    StoredFrame(int width, int height, bool keyframe, std::shared_ptr<const StoredFrame> previous,
                std::shared_ptr<FrameStore::Accounting> accounting)
        : m_width(width), m_height(height), m_keyframe(keyframe), m_previous(std::move(previous)),
          m_accounting(std::move(accounting))
    {
    }
    ~StoredFrame() override
    {
        if (m_file) {
            m_accounting->spilled -= m_size;
            m_file->discard(m_offset, m_size);
        } else
            m_accounting->memory -= m_size;
    }
    StoredFrame(const StoredFrame&) = delete;
    StoredFrame& operator=(const StoredFrame&) = delete;

    void keepInMemory(std::vector<std::uint8_t> bytes)
    {
        m_size = bytes.size();
        m_bytes = std::move(bytes);
        m_accounting->memory += m_size;
    }
    void keepInFile(std::shared_ptr<SpillFile> file, std::int64_t offset, std::size_t size)
    {
        m_file = std::move(file);
        m_offset = offset;
        m_size = size;
        m_accounting->spilled += m_size;
    }

    void readPixels(std::span<std::uint32_t> out) const override
    {
        // Walk back to the keyframe, then decode forwards.
        std::vector<const StoredFrame*> chain;
        const StoredFrame* frame = this;
        while (!frame->m_keyframe && frame->m_previous) {
            chain.push_back(frame);
            frame = frame->m_previous.get();
        }
        Status<std::string> decoded = frame->decodeInto(out);
        for (auto it = chain.rbegin(); it != chain.rend() && decoded.ok(); ++it)
            decoded = (*it)->decodeInto(out);
        if (!decoded.ok()) {
            // Only a failing disk or memory corruption gets here; show the frame as
            // black rather than as a mix of two frames.
            static std::atomic<bool> warned{false};
            if (!warned.exchange(true))
                qCWarning(lcStore, "a stored frame could not be read: %s",
                          decoded.message().c_str());
            const std::size_t count =
                static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
            std::fill_n(out.begin(), std::min(count, out.size()), 0xff000000u);
        }
    }

    [[nodiscard]] std::size_t storedBytes() const override { return m_size; }

private:
    [[nodiscard]] Status<std::string> decodeInto(std::span<std::uint32_t> out) const
    {
        if (!m_file)
            return decodeTileDelta(m_bytes, m_width, m_height, out);
        thread_local std::vector<std::uint8_t> buffer;
        buffer.resize(m_size);
        if (!m_file->read(m_offset, buffer))
            return failure("the temporary frame file could not be read");
        return decodeTileDelta(buffer, m_width, m_height, out);
    }

    int m_width;
    int m_height;
    bool m_keyframe;
    std::shared_ptr<const StoredFrame> m_previous;
    std::shared_ptr<FrameStore::Accounting> m_accounting;
    std::vector<std::uint8_t> m_bytes;
    std::shared_ptr<SpillFile> m_file;
    std::int64_t m_offset = 0;
    std::size_t m_size = 0;
};

} // namespace

FrameStore::Options FrameStore::optionsFromEnvironment()
{
    Options options;
    const QByteArray value = qgetenv(kBudgetVariable).trimmed();
    if (!value.isEmpty()) {
        bool ok = false;
        const qulonglong bytes = value.toULongLong(&ok);
        if (ok && bytes > 0)
            options.memoryBudget = static_cast<std::size_t>(bytes);
        else
            qCWarning(lcStore, "ignoring %s=%s: not a byte count", kBudgetVariable,
                     value.constData());
    }
    return options;
}

std::size_t FrameStore::physicalMemoryBudget()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::size_t{1} << 30; // unknown: 1 GiB
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize) / 4;
}

FrameStore::FrameStore() : FrameStore(Options{}) {}

FrameStore::FrameStore(Options options)
    : m_options(std::move(options)),
      m_budget(m_options.memoryBudget ? m_options.memoryBudget : physicalMemoryBudget()),
      m_accounting(std::make_shared<Accounting>())
{
    m_options.compressor.maxDeltaRun =
        std::clamp(m_options.compressor.maxDeltaRun, 0, kLongestDeltaRun);
    if (m_options.spillFolder.isEmpty())
        m_options.spillFolder = SpillFile::defaultFolder();
}

FrameStore::~FrameStore() = default;

void FrameStore::setNoticeHandler(std::function<void(const QString&)> handler)
{
    m_notice = std::move(handler);
}

void FrameStore::restart()
{
    if (m_compressor)
        m_compressor->restart();
    m_last.reset();
    m_told = false;
    m_toldCodecFailure = false;
    m_spillFailed = false;
}

std::size_t FrameStore::memoryBytes() const
{
    return m_accounting->memory.load();
}

std::size_t FrameStore::spilledBytes() const
{
    return m_accounting->spilled.load();
}

void FrameStore::tell(const QString& line, bool& told)
{
    if (told)
        return;
    told = true;
    if (m_notice)
        m_notice(line);
    else
        qCWarning(lcStore, "%s", qPrintable(line));
}

bool FrameStore::prepare(int width, int height, std::size_t pixelCount)
{
    if (width <= 0 || height <= 0 ||
        pixelCount != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return false;
    if (!m_compressor || m_compressor->width() != width || m_compressor->height() != height) {
        m_compressor = std::make_unique<TileDeltaCodec>(width, height, m_options.compressor);
        m_last.reset();
    }
    return true;
}

Frame FrameStore::add(int width, int height, std::span<const std::uint32_t> pixels)
{
    if (!prepare(width, height, pixels.size()))
        return {};
    return keep(width, height, m_compressor->compress(pixels));
}

Frame FrameStore::add(int width, int height, std::vector<std::uint32_t>&& pixels)
{
    if (!prepare(width, height, pixels.size()))
        return {};
    return keep(width, height, m_compressor->compress(std::move(pixels)));
}

Frame FrameStore::add(int width, int height, SharedPixels pixels)
{
    if (!prepare(width, height, pixels.pixels.size()))
        return {};
    return keep(width, height, m_compressor->compress(std::move(pixels)));
}

Frame FrameStore::keep(int width, int height, CompressResult compressed)
{
    if (!compressed.ok()) {
        // The compressor starts over with a keyframe; the frame before stays
        // the last one kept.
        tell(QStringLiteral("A recorded frame could not be compressed (%1); the recording goes "
                            "on without it.")
                 .arg(QString::fromStdString(compressed.message())),
             m_toldCodecFailure);
        m_last.reset();
        return {};
    }
    EncodedFrame& encoded = *compressed;
    auto previous =
        encoded.keyframe ? nullptr : std::static_pointer_cast<const StoredFrame>(m_last);
    auto stored = std::make_shared<StoredFrame>(width, height, encoded.keyframe,
                                                std::move(previous), m_accounting);

    const bool overBudget = m_accounting->memory.load() + encoded.bytes.size() > m_budget;
    bool kept = false;
    if (overBudget && !m_spillFailed) {
        std::shared_ptr<SpillFile> file = m_spill.lock();
        QString error;
        if (!file) {
            auto made = SpillFile::create(m_options.spillFolder);
            if (made.ok())
                file = *made;
            else
                error = made.message();
            m_spill = file;
        }
        const std::int64_t offset = file ? file->append(encoded.bytes) : -1;
        if (offset >= 0) {
            stored->keepInFile(file, offset, encoded.bytes.size());
            kept = true;
            tell(QStringLiteral("Recording memory limit of %1 reached; the recording goes on, "
                                "keeping further frames in a temporary file in %2.")
                     .arg(formattedSize(static_cast<qint64>(m_budget)), m_options.spillFolder),
                 m_told);
        } else {
            // Better to outgrow the budget than to lose frames.
            m_spillFailed = true;
            if (error.isEmpty())
                error = QStringLiteral("writing to it failed");
            tell(QStringLiteral("Recording memory limit of %1 reached, and no temporary file "
                                "could take further frames (%2); they stay in memory.")
                     .arg(formattedSize(static_cast<qint64>(m_budget)), error),
                 m_told);
        }
    }
    if (!kept)
        stored->keepInMemory(std::move(encoded.bytes));
    m_last = stored;
    return Frame(width, height, std::move(stored));
}

Frame FrameStore::add(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage rgb =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    const auto width = static_cast<std::size_t>(rgb.width());
    const auto height = static_cast<std::size_t>(rgb.height());
    if (static_cast<std::size_t>(rgb.bytesPerLine()) == width * sizeof(std::uint32_t)) {
        return add(rgb.width(), rgb.height(),
                   {reinterpret_cast<const std::uint32_t*>(rgb.constBits()), width * height});
    }
    std::vector<std::uint32_t> packed(width * height);
    for (std::size_t y = 0; y < height; ++y)
        std::memcpy(packed.data() + y * width, rgb.constScanLine(static_cast<int>(y)),
                    width * sizeof(std::uint32_t));
    return add(rgb.width(), rgb.height(), packed);
}

} // namespace kinetta
