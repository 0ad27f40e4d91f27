#include "LzwEncoder.h"

#include <algorithm>
#include <array>
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

// Twice the 4096 codes: probe chains stay short and the slots stay in the
// fastest cache, which matters more, since each pixel of a string waits for
// the lookup of the one before.
constexpr int kTableBits = 13;
constexpr std::uint32_t kTableSize = 1u << kTableBits;
// A slot holds a key (code << 8 | symbol, 20 bits) above its code (12 bits):
// one load finds both. 0 is an empty slot: no stored code is 0.
// How many pixels short of its longest match a string may end.
constexpr std::size_t kShorter = 1;

// Whether a full code table has gone stale: the pixels per code over the
// last window of codes, against the table's whole life until it filled.
struct Staleness {
    static constexpr std::size_t kWindow = 512;
    static constexpr double kStaleShare = 0.75;

    explicit Staleness(std::size_t start) : tableStart(start) {}

    // Called for each code written while the table is full; pos is where the
    // next string starts.
    bool stale(std::size_t pos)
    {
        if (fullRate == 0) {
            fullRate = static_cast<double>(pos - tableStart) / static_cast<double>(codes);
            windowStart = pos;
            windowCodes = 0;
            return false;
        }
        if (++windowCodes < kWindow)
            return false;
        const double rate = static_cast<double>(pos - windowStart) / kWindow;
        windowStart = pos;
        windowCodes = 0;
        return rate < fullRate * kStaleShare;
    }

    std::size_t tableStart;
    std::size_t codes = 0; // written since the table was started
    double fullRate = 0;   // pixels per code until the table filled
    std::size_t windowStart = 0;
    std::size_t windowCodes = 0;
};

inline std::uint32_t slotOf(std::uint32_t key)
{
    return (key * 2654435761u) >> (32 - kTableBits);
}

} // namespace

LzwEncoder::LzwEncoder() : m_slots(kTableSize, 0), m_children(kMaxCodes, 0)
{
}

void LzwEncoder::resetTable(std::uint32_t literals)
{
    std::fill(m_slots.begin(), m_slots.end(), 0);
    // Later codes get their word when they are added.
    std::fill_n(m_children.begin(), literals, 0);
}

// The coder shared by the exact and the lossy variants. A full code table is
// either replaced at once (a clear code and a fresh table, best for noisy,
// dithered images) or kept to the end of the image (best for screen content
// whose patterns repeat across it); callers try both.
template <bool Lossy>
void LzwEncoder::run(std::span<const std::uint8_t> indices,
                     std::span<const std::int16_t> alternates, int transparentIndex,
                     const Substitutes* substitutes, int width, int minCodeSize, Choices choices,
                     std::vector<std::uint8_t>& packed, std::size_t giveUpAt,
                     std::span<const std::uint8_t> flatPixels)
{
    assert(minCodeSize >= 2 && minCodeSize <= 8);
    packed.clear();
    packed.reserve(indices.size() / 4 + 64);
    BitWriter writer(packed);

    const std::uint32_t clearCode = 1u << minCodeSize;
    const std::uint32_t endCode = clearCode + 1;
    int codeBits = minCodeSize + 1;
    std::uint32_t nextCode = endCode + 1;

    m_filledTable = false;
    resetTable(clearCode);
    writer.put(clearCode, codeBits);
    if (indices.empty()) {
        writer.put(endCode, codeBits);
        writer.finish();
        return;
    }

    // The slot of key, or where it would go (an empty one).
    auto find = [this](std::uint32_t key, bool& found) {
        std::uint32_t slot = slotOf(key);
        while (m_slots[slot] != 0) {
            if (m_slots[slot] >> kMaxCodeBits == key) {
                found = true;
                return slot;
            }
            slot = (slot + 1) & (kTableSize - 1);
        }
        found = false;
        return slot;
    };
    auto codeIn = [this](std::uint32_t slot) {
        return static_cast<int>(m_slots[slot] & (kMaxCodes - 1));
    };

    const auto w = static_cast<std::size_t>(width);
    const std::size_t count = indices.size();
    // The code of string code followed by pixel i, or -1 when the table has
    // none. missSlot receives where the exact continuation would go.
    auto extend = [&](std::uint32_t code, std::size_t i, std::uint32_t& missSlot) -> int {
        const std::uint32_t symbol = indices[i];
        bool found = false;
        missSlot = find((code << 8) | symbol, found);
        if (found)
            return codeIn(missSlot);
        if constexpr (Lossy) {
            // Most strings have few continuations: the ones a string may have
            // are marked in a word, which spares most of the lookups below.
            const std::uint64_t children = m_children[code];
            const auto mayHave = [children](std::uint32_t next) {
                return (children >> (next & 63) & 1) != 0;
            };
            if (children == 0)
                return -1;
            int shown = static_cast<int>(symbol);
            // An unchanged pixel shows the same whether transparent or drawn
            // again in its own colour: either may continue the string.
            int same = alternates.empty() ? -1 : alternates[i];
            if (same == shown)
                same = choices.redrawnMayVanish ? transparentIndex : -1;
            if (same >= 0 && mayHave(static_cast<std::uint32_t>(same))) {
                const std::uint32_t other =
                    find((code << 8) | static_cast<std::uint32_t>(same), found);
                if (found)
                    return codeIn(other);
            }
            if (shown == transparentIndex)
                shown = alternates.empty() ? -1 : alternates[i];
            // A pixel equal to its left and upper neighbours takes only its
            // closest substitutes (none by default), so flat areas stay flat.
            const bool flat =
                (i >= w && i % w != 0 && indices[i - 1] == symbol && indices[i - w] == symbol) ||
                (!flatPixels.empty() && flatPixels[i] != 0);
            if (shown >= 0) {
                const std::uint8_t* near = substitutes->near.data() +
                                           static_cast<std::size_t>(shown) * substitutes->stride;
                const int n = flat ? substitutes->flatCount[static_cast<std::size_t>(shown)]
                                   : substitutes->count[static_cast<std::size_t>(shown)];
                for (int k = 0; k < n; ++k) {
                    if (!mayHave(near[k]))
                        continue;
                    const std::uint32_t other = find((code << 8) | near[k], found);
                    if (found)
                        return codeIn(other);
                }
            }
        }
        return -1;
    };
    // How far the table's longest string reaches from pos.
    auto reach = [&](std::size_t pos) {
        std::uint32_t code = indices[pos];
        std::size_t end = pos + 1;
        std::uint32_t unused = 0;
        for (int next; end < count && (next = extend(code, end, unused)) >= 0; ++end)
            code = static_cast<std::uint32_t>(next);
        return end - pos;
    };

    using FullTable = LzwChoices::FullTable;
    Staleness staleness{0};
    // The codes of the current string and of its prefix one pixel shorter.
    std::array<std::uint32_t, kShorter + 1> tail{};
    std::size_t pos = 0;
    while (pos < count) {
        std::uint32_t code = indices[pos];
        std::size_t length = 1;
        tail.fill(code);
        std::uint32_t missSlot = 0;
        for (int next; pos + length < count && (next = extend(code, pos + length, missSlot)) >= 0;
             ++length) {
            code = static_cast<std::uint32_t>(next);
            std::copy_backward(tail.begin(), tail.end() - 1, tail.end());
            tail[0] = code;
        }
        // One step ahead: end the string early when the next string then
        // covers at least two pixels more than after the longest match (one
        // is not worth the shorter entry the table gains).
        std::size_t taken = length;
        if (choices.lookAhead && length >= 2 && pos + length < count) {
            std::size_t best = length + reach(pos + length);
            for (std::size_t shorter = 1; shorter <= kShorter && shorter < length; ++shorter) {
                const std::size_t covered = length - shorter + reach(pos + length - shorter);
                if (covered > best + 1) {
                    best = covered;
                    taken = length - shorter;
                }
            }
        }
        code = tail[length - taken];
        writer.put(code, codeBits);
        pos += taken;
        ++staleness.codes;
        if (pos >= count)
            break;
        if (m_filledTable && packed.size() >= giveUpAt)
            return;
        if (nextCode < kMaxCodes) {
            // The decoder numbers an entry for every code; one the table
            // already holds under another number is only counted.
            bool found = false;
            const std::uint32_t key = (code << 8) | indices[pos];
            const std::uint32_t slot = taken == length ? missSlot : find(key, found);
            if (!found) {
                m_slots[slot] = key << kMaxCodeBits | nextCode;
                m_children[code] |= std::uint64_t{1} << (indices[pos] & 63);
            }
            m_children[nextCode] = 0;
            ++nextCode;
            m_filledTable = m_filledTable || nextCode == kMaxCodes;
            // The decoder adds its entries one code later, so the width grows
            // once the newest code no longer fits the current width.
            if (nextCode > (1u << codeBits) && codeBits < kMaxCodeBits)
                ++codeBits;
        } else if (choices.fullTable == FullTable::Clear ||
                   (choices.fullTable == FullTable::ClearWhenStale && staleness.stale(pos))) {
            writer.put(clearCode, codeBits);
            resetTable(clearCode);
            codeBits = minCodeSize + 1;
            nextCode = endCode + 1;
            staleness = Staleness{pos};
        }
    }
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
                          std::vector<std::uint8_t>& packed, Choices choices,
                          std::size_t giveUpAt)
{
    run<false>(indices, {}, -1, nullptr, 1, minCodeSize, choices, packed, giveUpAt, {});
}

void LzwEncoder::compressLossy(std::span<const std::uint8_t> indices,
                               std::span<const std::int16_t> alternates, int transparentIndex,
                               const Substitutes& substitutes, int width, int minCodeSize,
                               std::vector<std::uint8_t>& packed, Choices choices,
                               std::size_t giveUpAt, std::span<const std::uint8_t> flatPixels)
{
    run<true>(indices, alternates, transparentIndex, &substitutes, width, minCodeSize, choices,
              packed, giveUpAt, flatPixels);
}

} // namespace kinetta::gif
