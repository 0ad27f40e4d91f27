#include "capture/AreaScaler.h"

#ifdef KINETTA_HAVE_LIBYUV
#include <libyuv/scale_argb.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kinetta
{
namespace
{

// Vertical weights sum to 2^14 (255 * 2^14 fits 32 bits); the row sums are
// then kept with 8 fractional bits in 16 bits, and horizontal weights summing
// to 2^16 keep 65280 * 2^16 inside 32 bits.
constexpr std::uint32_t kRowOne = 1u << 14;
constexpr int kRowShift = 6;
constexpr std::uint32_t kColumnOne = 1u << 16;
constexpr int kColumnShift = 24;

void addWeightedRow(std::uint32_t* __restrict sum, const std::uint8_t* __restrict bytes,
                    std::uint32_t weight, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        sum[i] += bytes[i] * weight;
}

void narrowRow(const std::uint32_t* __restrict sum, std::uint16_t* __restrict row,
               std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        row[i] = static_cast<std::uint16_t>((sum[i] + (1u << (kRowShift - 1))) >> kRowShift);
}

void sumColumns(const std::uint16_t* __restrict row, const std::int32_t* __restrict index,
                const std::uint32_t* __restrict weight, std::size_t taps, int width,
                std::uint8_t* __restrict out)
{
    for (int x = 0; x < width; ++x) {
        std::uint32_t sum[4] = {1u << (kColumnShift - 1), 1u << (kColumnShift - 1),
                                1u << (kColumnShift - 1), 1u << (kColumnShift - 1)};
        const std::size_t base = static_cast<std::size_t>(x) * taps;
        for (std::size_t k = 0; k < taps; ++k) {
            const std::uint16_t* pixel = row + static_cast<std::size_t>(index[base + k]) * 4;
            const std::uint32_t w = weight[base + k];
            for (std::size_t c = 0; c < 4; ++c)
                sum[c] += pixel[c] * w;
        }
        for (std::size_t c = 0; c < 4; ++c)
            out[static_cast<std::size_t>(x) * 4 + c] =
                static_cast<std::uint8_t>(sum[c] >> kColumnShift);
    }
}

} // namespace

AreaScaler::Taps AreaScaler::axisTaps(int sourceSize, int targetSize, std::uint32_t one)
{
    Taps taps;
    const double step = static_cast<double>(sourceSize) / targetSize;
    std::vector<std::vector<std::pair<int, double>>> all(static_cast<std::size_t>(targetSize));
    for (int out = 0; out < targetSize; ++out) {
        const double begin = out * step;
        const double end = std::min<double>((out + 1) * step, sourceSize);
        auto first = static_cast<int>(std::floor(begin));
        for (int in = first; in < sourceSize && in < end; ++in) {
            const double covered = std::min<double>(in + 1, end) - std::max<double>(in, begin);
            if (covered > 1e-9)
                all[static_cast<std::size_t>(out)].emplace_back(in, covered / (end - begin));
        }
        taps.taps =
            std::max(taps.taps, static_cast<int>(all[static_cast<std::size_t>(out)].size()));
    }
    const auto width = static_cast<std::size_t>(taps.taps);
    taps.index.assign(static_cast<std::size_t>(targetSize) * width, 0);
    taps.weight.assign(static_cast<std::size_t>(targetSize) * width, 0);
    for (std::size_t out = 0; out < all.size(); ++out) {
        std::uint32_t sum = 0;
        std::size_t largest = 0;
        for (std::size_t k = 0; k < all[out].size(); ++k) {
            const auto weight = static_cast<std::uint32_t>(std::lround(all[out][k].second * one));
            taps.index[out * width + k] = all[out][k].first;
            taps.weight[out * width + k] = weight;
            sum += weight;
            if (weight > taps.weight[out * width + largest])
                largest = k;
        }
        // Rounding may leave the sum a little off; a flat colour must stay flat.
        taps.weight[out * width + largest] += one - sum;
        // Padding taps read a valid pixel with no weight.
        for (std::size_t k = all[out].size(); k < width; ++k)
            taps.index[out * width + k] = all[out].empty() ? 0 : all[out].front().first;
    }
    return taps;
}

AreaScaler::AreaScaler(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight)
    : m_sourceWidth(sourceWidth), m_sourceHeight(sourceHeight), m_targetWidth(targetWidth),
      m_targetHeight(targetHeight), m_columns(axisTaps(sourceWidth, targetWidth, kColumnOne)),
      m_rows(axisTaps(sourceHeight, targetHeight, kRowOne)),
      m_rowSum(static_cast<std::size_t>(sourceWidth) * 4),
      m_row(static_cast<std::size_t>(sourceWidth) * 4)
{
}

void AreaScaler::scale(const std::uint32_t* source, std::size_t sourceStride, std::uint32_t* target)
{
#ifdef KINETTA_HAVE_LIBYUV
    // Halving is the common case; the library's 2x2 box average is the same area
    // mean, several times faster.
    if (m_targetWidth * 2 == m_sourceWidth && m_targetHeight * 2 == m_sourceHeight) {
        libyuv::ARGBScale(reinterpret_cast<const std::uint8_t*>(source),
                          static_cast<int>(sourceStride * 4), m_sourceWidth, m_sourceHeight,
                          reinterpret_cast<std::uint8_t*>(target), m_targetWidth * 4, m_targetWidth,
                          m_targetHeight, libyuv::kFilterBox);
        return;
    }
#endif
    const std::size_t channels = static_cast<std::size_t>(m_sourceWidth) * 4;
    const auto rowTaps = static_cast<std::size_t>(m_rows.taps);
    for (int y = 0; y < m_targetHeight; ++y) {
        // Vertical pass over whole rows, byte by byte, then the horizontal one.
        std::fill(m_rowSum.begin(), m_rowSum.end(), 0u);
        for (std::size_t k = 0; k < rowTaps; ++k) {
            const std::size_t tap = static_cast<std::size_t>(y) * rowTaps + k;
            const std::uint32_t weight = m_rows.weight[tap];
            if (weight == 0)
                continue;
            addWeightedRow(m_rowSum.data(),
                           reinterpret_cast<const std::uint8_t*>(
                               source + static_cast<std::size_t>(m_rows.index[tap]) * sourceStride),
                           weight, channels);
        }
        narrowRow(m_rowSum.data(), m_row.data(), channels);
        sumColumns(
            m_row.data(), m_columns.index.data(), m_columns.weight.data(),
            static_cast<std::size_t>(m_columns.taps), m_targetWidth,
            reinterpret_cast<std::uint8_t*>(target + static_cast<std::size_t>(y) *
                                                         static_cast<std::size_t>(m_targetWidth)));
    }
}

} // namespace kinetta
