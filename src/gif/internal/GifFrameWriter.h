#pragma once

#include "ChangedRect.h"
#include "ColourMap.h"
#include "GlobalPalette.h"
#include "LzwEncoder.h"
#include "Quantiser.h"
#include "RgbDistance.h"
#include "gif/FrameSource.h"
#include "gif/Result.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kinetta::gif
{

// Turns one frame into its GIF blocks (graphic control extension, image
// descriptor, local colour table, image data). A frame after the first carries
// only the rectangle that changed since the previous frame, with unchanged
// pixels transparent where that compresses better. The output depends only on
// the two frames, so frames can be compressed in any order on any thread.
// One instance per thread: it keeps its scratch buffers between frames.
class GifFrameWriter final
{
public:
    // global, when given, must outlive the writer.
    explicit GifFrameWriter(QuantiserSettings settings = {}, const GlobalPalette* global = nullptr);

    // Appends the frame's blocks to out. Pixels are 0xFFRRGGBB. previous is
    // empty for the first frame. Fails only when the quantiser does.
    [[nodiscard]] Status<> write(std::span<const std::uint32_t> current,
                                 std::span<const std::uint32_t> previous, FrameSize size,
                                 int delayHundredths, std::vector<std::uint8_t>& out);

    // What the last frame written would have taken at the best quality and at
    // each lower level, in the order of QuantiserSettings::lowerLevels: the
    // frame's bytes were the last of them.
    [[nodiscard]] const std::vector<std::size_t>& levelBytes() const { return m_levelBytes; }

private:
    struct Candidate {
        std::vector<std::uint8_t> indices;
        std::vector<std::uint32_t> palette; // 0 marks the transparent entry
        int transparentIndex = -1;
        std::vector<std::uint8_t> packed;
        int minCodeSize = 2;
        bool valid = false;
        bool usesGlobal = false; // no local table: the indices refer to the global one
        bool quantised = false;  // colours chosen by the quantiser
        bool filledTable = false; // its last coding filled the code table
    };
    // How far the compressor may move colours in the pass under way: the
    // best quality's settings, or a lower level's.
    struct Lossy {
        int distance = 0;
        int flatDistance = 0;
        int substitutes = 0;

        friend bool operator==(const Lossy&, const Lossy&) = default;
    };
    // What the stand-ins were last built for: a palette (the shared one, or
    // a candidate's own), the code size, transparency and merging.
    struct StandInsKey {
        const void* palette = nullptr;
        int minCodeSize = 0;
        int transparentIndex = -1;
        bool merge = false;
        Lossy lossy;

        friend bool operator==(const StandInsKey&, const StandInsKey&) = default;
    };

    void appendMinimalFrame(int delayHundredths, std::vector<std::uint8_t>& out);
    // Fills m_levelBytes for a frame whose blocks took written bytes.
    void noteLevelBytes(std::size_t written);
    // Maps the rectangle to a shared table that holds every colour; returns
    // the frame's transparent index, -1 when it has none.
    [[nodiscard]] int mapToCompleteTable();
    void extractRect(std::span<const std::uint32_t> current,
                     std::span<const std::uint32_t> previous, FrameSize size, const Rect& rect);
    void buildExact();
    void buildGlobal();
    [[nodiscard]] NearestEntry nearestGlobal(std::uint32_t colour);
    void buildMixed(const Candidate& transparent, Candidate& mixed) const;
    // The shared table's indices with unchanged pixels in runs of shortRun or
    // more transparent, the others redrawn.
    void buildRuns(std::size_t shortRun, int transparentIndex, Candidate& runs) const;
    // mayMerge: let the compressor show near colours where that saves bytes.
    // firstRow, rowCount: only those rows of the rectangle. giveUpAt: as
    // for LzwEncoder::compress().
    void pack(Candidate& candidate, LzwEncoder::Choices choices, bool mayMerge,
              std::vector<std::uint8_t>& packed, std::size_t firstRow = 0,
              std::size_t rowCount = SIZE_MAX, std::size_t giveUpAt = SIZE_MAX);
    [[nodiscard]] static std::size_t tableBytes(const Candidate& candidate);
    void appendImage(const Candidate& candidate, const Rect& rect, int delayHundredths,
                     std::vector<std::uint8_t>& bytes) const;

    // Codes the chosen layout under each lower quality level, and with its
    // colours merged into fewer, keeping whichever is smallest in *best.
    void tryLowerLevels(Candidate*& best, LzwEncoder::Choices choices);
    // from's indices on a table of its own with fewer colours: each colour
    // merged into a more common one within distance. False when none merges.
    [[nodiscard]] bool buildFewerColours(const Candidate& from, int distance,
                                         Candidate& fewer) const;

    // The substitutes (when merging) and the alternates of unchanged pixels
    // that compressLossy() may write, within the candidate's code size.
    void buildStandIns(const Candidate& candidate, bool merge);

    QuantiserSettings m_settings;
    Lossy m_lossy;
    std::vector<std::size_t> m_levelTotals; // table and image data, per level
    std::vector<std::size_t> m_levelBytes;
    Quantiser m_quantiser;
    LzwEncoder::Substitutes m_substitutes;
    std::vector<std::int16_t> m_alternates;
    StandInsKey m_standInsKey; // none at the start of each frame
    std::vector<std::uint8_t> m_packedAlternative;
    LzwEncoder m_lzw;
    ColourMap m_opaqueColours;
    ColourMap m_changedColours;
    Rect m_rect;
    bool m_hasPrevious = false;
    std::vector<std::uint32_t> m_pixels; // the rectangle, contiguous
    std::vector<std::uint8_t> m_keep;    // 1 where the pixel changed
    // 1 where the pixel equals its left and upper neighbours in the frame;
    // made only when lower levels are tried, which keep such pixels nearer.
    std::vector<std::uint8_t> m_flatPixels;
    bool m_levelPass = false; // packing for a lower level
    Candidate m_opaque;
    Candidate m_transparent;
    Candidate m_mixed;
    Candidate m_global;
    Candidate m_globalMixed;
    Candidate m_globalOpaque; // unchanged pixels redrawn, when the shared table holds them
    Candidate m_globalRuns;   // transparent only along long runs of unchanged pixels
    Candidate m_globalLongRuns; // the same for longer runs
    Candidate m_fewer;          // the chosen layout on fewer colours, as kept
    Candidate m_fewerTrial;     // the same, as tried at a level
    const GlobalPalette* m_globalPalette = nullptr;
    std::vector<std::uint32_t> m_nearestKeys; // colour -> nearest global entry, per frame
    std::vector<std::uint32_t> m_nearestValues;
};

} // namespace kinetta::gif
