#pragma once

#include "gif/FrameSource.h"

#include <string>
#include <variant>
#include <vector>

namespace kinetta::cli
{

// PNG files read as GIF frames. Opening reads only each file's header; the
// pixels are decoded when the encoder asks for them, on its worker threads.
class PngFrameSource final : public gif::FrameSource
{
public:
    // Fails with a message naming the first file that is missing, unreadable or
    // not a PNG image.
    [[nodiscard]] static std::variant<PngFrameSource, std::string>
    open(std::vector<std::string> paths);

    [[nodiscard]] std::size_t frameCount() const override { return m_paths.size(); }
    [[nodiscard]] gif::FrameSize frameSize(std::size_t index) const override
    {
        return m_sizes[index];
    }
    [[nodiscard]] const std::string& path(std::size_t index) const { return m_paths[index]; }
    // Pixels with any transparency composed over black.
    [[nodiscard]] Status<> readFrame(std::size_t index,
                                     std::span<std::uint32_t> out) const override;

private:
    PngFrameSource(std::vector<std::string> paths, std::vector<gif::FrameSize> sizes)
        : m_paths(std::move(paths)), m_sizes(std::move(sizes))
    {
    }

    std::vector<std::string> m_paths;
    std::vector<gif::FrameSize> m_sizes;
};

} // namespace kinetta::cli
