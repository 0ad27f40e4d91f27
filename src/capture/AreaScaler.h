#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kinetta
{

// Resizes 32-bit pixels by area averaging: each output pixel is the mean of the
// source area it covers, weighted by how much of each source pixel falls in it.
// Channels are treated alike, so any byte order works. Separable, fixed-point,
// and laid out so that the compiler vectorises the inner loops; the weights are
// computed once per size pair.
class AreaScaler final
{
public:
    AreaScaler(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight);

    // source: sourceHeight rows of sourceStride pixels; target: tightly packed.
    void scale(const std::uint32_t* source, std::size_t sourceStride, std::uint32_t* target);

    [[nodiscard]] int sourceWidth() const { return m_sourceWidth; }
    [[nodiscard]] int sourceHeight() const { return m_sourceHeight; }
    [[nodiscard]] int targetWidth() const { return m_targetWidth; }
    [[nodiscard]] int targetHeight() const { return m_targetHeight; }

    // Source indices and weights of one axis, `taps` per output index.
    struct Taps {
        int taps = 0;
        std::vector<std::int32_t> index;
        std::vector<std::uint32_t> weight;
    };
    // Weights of each output index sum to exactly `one`.
    [[nodiscard]] static Taps axisTaps(int sourceSize, int targetSize, std::uint32_t one);

private:
    int m_sourceWidth;
    int m_sourceHeight;
    int m_targetWidth;
    int m_targetHeight;
    Taps m_columns;
    Taps m_rows;
    std::vector<std::uint32_t> m_rowSum;
    std::vector<std::uint16_t> m_row;
};

} // namespace kinetta
