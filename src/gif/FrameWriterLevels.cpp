// What a frame takes at the lower quality levels: its chosen layout coded
// under each level's freedoms, and with its colours merged into fewer.

#include "GifByteWriter.h"
#include "GifFrameWriter.h"
#include "RgbDistance.h"

#include <algorithm>
#include <array>

namespace kinetta::gif
{

void GifFrameWriter::noteLevelBytes(std::size_t written)
{
    // The blocks around the table and the image data are the same at every level.
    m_levelBytes.assign(m_settings.lowerLevels.size() + 1, written);
    if (m_levelTotals.empty())
        return;
    const std::size_t around = written - m_levelTotals.back();
    for (std::size_t k = 0; k < m_levelTotals.size(); ++k)
        m_levelBytes[k] = around + m_levelTotals[k];
}

void GifFrameWriter::tryLowerLevels(Candidate*& best, LzwEncoder::Choices choices)
{
    // Every level is tried in the same order whatever the quality asked for,
    // and a trial replaces the kept coding only when strictly smaller: a
    // lower quality, whose list only adds levels, never ends larger.
    const auto total = [](const Candidate& c) {
        return tableBytes(c) + GifByteWriter::imageDataSize(c.packed.size());
    };
    Candidate* const layout = best;
    std::size_t bestTotal = total(*best);
    m_levelTotals.push_back(bestTotal);
    m_levelPass = true;
    for (const LowerQualityLevel& level : m_settings.lowerLevels) {
        m_lossy = {level.lossyDistance, level.flatLossyDistance, LzwEncoder::Substitutes::kMax};
        // Image data holds more than its packed bytes, so a trial that packs
        // to bestTotal less the table cannot win.
        if (tableBytes(*layout) < bestTotal) {
            pack(*layout, choices, true, m_packedAlternative, 0, SIZE_MAX,
                 bestTotal - tableBytes(*layout));
            const std::size_t merged =
                tableBytes(*layout) + GifByteWriter::imageDataSize(m_packedAlternative.size());
            if (merged < bestTotal) {
                layout->packed.swap(m_packedAlternative);
                best = layout;
                bestTotal = merged;
            }
        }
        // Fewer colours are only merged within the flat areas' bound, so
        // that the whole surfaces they move stay within it; the compressor
        // may then move a pixel by what is left of the level's bound, and
        // leaves flat areas as they are.
        if (buildFewerColours(*layout, level.flatLossyDistance, m_fewerTrial) &&
            tableBytes(m_fewerTrial) < bestTotal) {
            // Its table changes from level to level at the same address.
            m_standInsKey = {};
            m_lossy = {level.lossyDistance - level.flatLossyDistance, 0,
                       LzwEncoder::Substitutes::kMax};
            pack(m_fewerTrial, choices, true, m_fewerTrial.packed, 0, SIZE_MAX,
                 bestTotal - tableBytes(m_fewerTrial));
            if (total(m_fewerTrial) < bestTotal) {
                std::swap(m_fewer, m_fewerTrial);
                best = &m_fewer;
                bestTotal = total(m_fewer);
            }
        }
        m_levelTotals.push_back(bestTotal);
    }
    m_levelPass = false;
    m_lossy = {m_settings.lossyDistance, m_settings.flatLossyDistance, m_settings.lossySubstitutes};
}

bool GifFrameWriter::buildFewerColours(const Candidate& from, int distance, Candidate& fewer) const
{
    if (distance <= 0)
        return false;
    std::array<std::uint64_t, 256> uses{};
    for (const std::uint8_t index : from.indices)
        ++uses[index];
    if (from.transparentIndex >= 0)
        uses[static_cast<std::size_t>(from.transparentIndex)] = 0;
    std::array<std::uint8_t, 256> order{};
    std::size_t used = 0;
    for (std::size_t k = 0; k < from.palette.size(); ++k) {
        if (uses[k] != 0 && from.palette[k] != 0)
            order[used++] = static_cast<std::uint8_t>(k);
    }
    // The most used colours lead; each other joins the nearest leader within
    // distance, so no pixel moves further than that from its table colour.
    std::stable_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(used),
                     [&](std::uint8_t a, std::uint8_t b) { return uses[a] > uses[b]; });
    const int limit = distance * distance;
    std::array<std::uint8_t, 256> mapped{};
    fewer.palette.clear();
    for (std::size_t k = 0; k < used; ++k) {
        const std::uint32_t colour = from.palette[order[k]];
        const NearestEntry leader = nearestOpaqueEntry(colour, fewer.palette);
        if (leader.index >= 0 && leader.distanceSquared <= limit) {
            mapped[order[k]] = static_cast<std::uint8_t>(leader.index);
        } else {
            mapped[order[k]] = static_cast<std::uint8_t>(fewer.palette.size());
            fewer.palette.push_back(colour);
        }
    }
    if (fewer.palette.size() == used)
        return false;
    fewer.transparentIndex = -1;
    if (from.transparentIndex >= 0) {
        fewer.transparentIndex = static_cast<int>(fewer.palette.size());
        mapped[static_cast<std::size_t>(from.transparentIndex)] =
            static_cast<std::uint8_t>(fewer.transparentIndex);
        fewer.palette.push_back(0);
    }
    fewer.indices.resize(from.indices.size());
    for (std::size_t i = 0; i < from.indices.size(); ++i)
        fewer.indices[i] = mapped[from.indices[i]];
    fewer.usesGlobal = false;
    fewer.quantised = from.quantised;
    fewer.valid = true;
    return true;
}

} // namespace kinetta::gif
