#include "LzwEncoder.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace kinetta::gif
{
namespace
{

constexpr int kMaxCodeBits = 12;
constexpr std::uint32_t kMaxCodes = 1u << kMaxCodeBits;

class BitWriter final
{
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    void put(std::uint32_t code, int bits)
    {
        m_acc |= static_cast<std::uint64_t>(code) << m_count;
        m_count += bits;
        if (m_count >= 32) {
            const auto word = static_cast<std::uint32_t>(m_acc);
            const std::uint8_t bytes[4] = {
                static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
                static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
            m_out.insert(m_out.end(), bytes, bytes + 4);
            m_acc >>= 32;
            m_count -= 32;
        }
    }

    void finish()
    {
        while (m_count > 0) {
            m_out.push_back(static_cast<std::uint8_t>(m_acc));
            m_acc >>= 8;
            m_count -= 8;
        }
        m_count = 0;
    }

private:
    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_acc = 0;
    int m_count = 0;
};

constexpr int kTableBits = 14; // four times the 4096 codes keeps probe chains short
constexpr std::uint32_t kTableSize = 1u << kTableBits;
constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

inline std::uint32_t slotOf(std::uint32_t key)
{
    return (key * 2654435761u) >> (32 - kTableBits);
}

} // namespace

LzwEncoder::LzwEncoder() : m_keys(kTableSize, kEmpty), m_codes(kTableSize, 0) {}

void LzwEncoder::resetTable()
{
    std::fill(m_keys.begin(), m_keys.end(), kEmpty);
}

// The coder shared by the exact and the lossy variants. A full code table is
// either replaced at once (a clear code and a fresh table, best for noisy,
// dithered images) or kept to the end of the image (best for screen content
// whose patterns repeat across it); callers try both.
template <bool Lossy>
void LzwEncoder::run(std::span<const std::uint8_t> indices,
                     std::span<const std::int16_t> alternates, int transparentIndex,
                     const Substitutes* substitutes, int width, int minCodeSize, bool keepFullTable,
                     std::vector<std::uint8_t>& packed)
{
    assert(minCodeSize >= 2 && minCodeSize <= 8);
    packed.clear();
    packed.reserve(indices.size() / 4 + 64);
    BitWriter writer(packed);

    const std::uint32_t clearCode = 1u << minCodeSize;
    const std::uint32_t endCode = clearCode + 1;
    int codeBits = minCodeSize + 1;
    std::uint32_t nextCode = endCode + 1;

    resetTable();
    writer.put(clearCode, codeBits);
    if (indices.empty()) {
        writer.put(endCode, codeBits);
        writer.finish();
        return;
    }

    auto find = [this](std::uint32_t key, bool& found) {
        std::uint32_t slot = slotOf(key);
        while (m_keys[slot] != kEmpty) {
            if (m_keys[slot] == key) {
                found = true;
                return slot;
            }
            slot = (slot + 1) & (kTableSize - 1);
        }
        found = false;
        return slot;
    };

    const auto w = static_cast<std::size_t>(width);
    std::uint32_t prefix = indices[0];
    const std::size_t count = indices.size();
    for (std::size_t i = 1; i < count; ++i) {
        const std::uint32_t symbol = indices[i];
        bool found = false;
        const std::uint32_t slot = find((prefix << 8) | symbol, found);
        if (found) {
            prefix = m_codes[slot];
            continue;
        }
        if constexpr (Lossy) {
            int shown = static_cast<int>(symbol);
            if (shown == transparentIndex) {
                // The colour already on screen, drawn again: exact either way.
                shown = alternates.empty() ? -1 : alternates[i];
                if (shown >= 0) {
                    const std::uint32_t other =
                        find((prefix << 8) | static_cast<std::uint32_t>(shown), found);
                    if (found) {
                        prefix = m_codes[other];
                        continue;
                    }
                }
            }
            const bool flat =
                i >= w && i % w != 0 && indices[i - 1] == symbol && indices[i - w] == symbol;
            if (!flat && shown >= 0) {
                const auto& near = substitutes->near[static_cast<std::size_t>(shown)];
                const int n = substitutes->count[static_cast<std::size_t>(shown)];
                for (int k = 0; k < n && !found; ++k) {
                    const std::uint32_t other =
                        find((prefix << 8) | near[static_cast<std::size_t>(k)], found);
                    if (found)
                        prefix = m_codes[other];
                }
                if (found)
                    continue;
            }
        }
        writer.put(prefix, codeBits);
        if (nextCode < kMaxCodes) {
            m_keys[slot] = (prefix << 8) | symbol;
            m_codes[slot] = static_cast<std::uint16_t>(nextCode);
            ++nextCode;
            // The decoder adds its entries one code later, so the width grows
            // once the newest code no longer fits the current width.
            if (nextCode > (1u << codeBits) && codeBits < kMaxCodeBits)
                ++codeBits;
        } else if (!keepFullTable) {
            writer.put(clearCode, codeBits);
            resetTable();
            codeBits = minCodeSize + 1;
            nextCode = endCode + 1;
        }
        prefix = symbol;
    }
    writer.put(prefix, codeBits);
    // The decoder adds one more entry on reading that last code and may widen
    // before it reads the end code.
    if (nextCode < kMaxCodes) {
        ++nextCode;
        if (nextCode > (1u << codeBits) && codeBits < kMaxCodeBits)
            ++codeBits;
    }
    writer.put(endCode, codeBits);
    writer.finish();
}

void LzwEncoder::compress(std::span<const std::uint8_t> indices, int minCodeSize,
                          std::vector<std::uint8_t>& packed, bool keepFullTable)
{
    run<false>(indices, {}, -1, nullptr, 1, minCodeSize, keepFullTable, packed);
}

void LzwEncoder::compressLossy(std::span<const std::uint8_t> indices,
                               std::span<const std::int16_t> alternates, int transparentIndex,
                               const Substitutes& substitutes, int width, int minCodeSize,
                               std::vector<std::uint8_t>& packed, bool keepFullTable)
{
    run<true>(indices, alternates, transparentIndex, &substitutes, width, minCodeSize,
              keepFullTable, packed);
}

} // namespace kinetta::gif
