#pragma once

#include "ColourMap.h"
#include "EncodePipeline.h"
#include "SurveyedFrames.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace kinetta::gif
{

// Learns whether every colour of a recording fits one colour table, and how
// many pixels have each, reading the frames on a few threads: it decodes each
// frame once more before any is written, so it runs on as many cores as the
// writing does.
class ColourSurvey final
{
public:
    using ReadFrame = std::function<EncodeStatus(std::size_t index, std::span<std::uint32_t>)>;
    // Called on the calling thread after each frame with the frames done;
    // returning false stops the survey.
    using Progress = std::function<bool(std::size_t done)>;

    // Adds pixels' colours to colours and counts; false once they pass 256.
    [[nodiscard]] static bool collect(std::span<const std::uint32_t> pixels, ColourMap& colours,
                                      std::array<std::uint64_t, 256>& counts);

    // Surveys frames (indices for read), each pixelCount pixels, adding to
    // colours and counts, which hold what is known so far. fits is false
    // when the colours pass one table. Fails when a read does, or is
    // cancelled when progress says to stop. The frames whose colours fit
    // are offered to kept, when given, so that they need not be read again.
    [[nodiscard]] static EncodeStatus run(std::span<const std::size_t> frames,
                                          std::size_t pixelCount, unsigned threads,
                                          const ReadFrame& read, const Progress& progress,
                                          ColourMap& colours,
                                          std::array<std::uint64_t, 256>& counts, bool& fits,
                                          SurveyedFrames* kept = nullptr);
};

} // namespace kinetta::gif
