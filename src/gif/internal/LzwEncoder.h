#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kinetta::gif
{

// How strings are chosen; any choice decodes to the same pixels.
struct LzwChoices {
    // What happens once the code table is full.
    enum class FullTable {
        Clear,          // start a fresh table at once
        Keep,           // keep using it to the end of the image
        ClearWhenStale, // keep it while its strings stay about as long as they were
    };
    FullTable fullTable = FullTable::Clear;
    // End a string a pixel before its longest match where the next string
    // then reaches further: fewer codes, for about twice the table lookups.
    bool lookAhead = false;
    // An unchanged pixel drawn in its own colour may continue a string as
    // the transparent index too (one that is transparent may always continue
    // it in its own colour).
    bool redrawnMayVanish = false;
};

// GIF-flavoured LZW (variable code width up to 12 bits, clear code on a full
// table). Keeps its dictionary between calls so a worker can reuse it.
class LzwEncoder final
{
public:
    LzwEncoder();

    using Choices = LzwChoices;

    // Replaces packed with the packed codes of indices (the GIF image data
    // before it is split into sub-blocks). Every index must be below
    // 1 << minCodeSize; minCodeSize is 2 to 8. For a caller that wants only a
    // result shorter than giveUpAt bytes, the coding stops early once packed
    // has grown that long and the table has filled (so that filledTable()
    // still tells): packed is then incomplete, and at least giveUpAt long.
    void compress(std::span<const std::uint8_t> indices, int minCodeSize,
                  std::vector<std::uint8_t>& packed, Choices choices = {},
                  std::size_t giveUpAt = SIZE_MAX);

    // Colours close enough to each palette entry to stand in for it, closest
    // first; used by compressLossy().
    struct Substitutes {
        static constexpr int kMax = 255; // every other entry of a full table
        // Entry a's substitutes start at near[a * stride]. The stride is the
        // most any entry keeps, so a short list of each fits the fastest cache.
        std::array<std::uint8_t, 256 * kMax> near{};
        std::size_t stride = 0;
        std::array<std::uint8_t, 256> count{};
        // How many of the first substitutes of each may stand in for a pixel
        // of a flat area (one equal to its left and upper neighbours).
        std::array<std::uint8_t, 256> flatCount{};
    };

    // Like compress(), but where the exact index would end the current string
    // and a substitute would continue it, the substitute is written instead:
    // longer strings for a bounded colour error. A transparent pixel may be
    // replaced only by alternates[i] (an index showing the colour already on
    // screen, or -1) and that index's substitutes. A pixel equal to its left and
    // upper neighbours takes only its first flatCount substitutes, so flat
    // areas stay flat (exact with none); so does a pixel marked in
    // flatPixels (empty, or a byte per index), for a caller that knows more
    // of the picture than the indices tell.
    void compressLossy(std::span<const std::uint8_t> indices,
                       std::span<const std::int16_t> alternates, int transparentIndex,
                       const Substitutes& substitutes, int width, int minCodeSize,
                       std::vector<std::uint8_t>& packed, Choices choices = {},
                       std::size_t giveUpAt = SIZE_MAX,
                       std::span<const std::uint8_t> flatPixels = {});

    // Whether the last compress filled the code table: if not, the choice of
    // what to do with a full table made no difference.
    [[nodiscard]] bool filledTable() const { return m_filledTable; }

private:
    template <bool Lossy>
    void run(std::span<const std::uint8_t> indices, std::span<const std::int16_t> alternates,
             int transparentIndex, const Substitutes* substitutes, int width, int minCodeSize,
             Choices choices, std::vector<std::uint8_t>& packed, std::size_t giveUpAt,
             std::span<const std::uint8_t> flatPixels);
    // A fresh table holding the literals below `literals`.
    void resetTable(std::uint32_t literals);

    // Per slot: the key above its code.
    std::vector<std::uint32_t> m_slots;
    // Per code, bit (symbol % 64) set when the table may hold code + symbol.
    std::vector<std::uint64_t> m_children;
    bool m_filledTable = false;
};

} // namespace kinetta::gif
