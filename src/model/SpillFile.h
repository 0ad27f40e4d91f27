#pragma once

#include "gif/Result.h"
#include "model/FileDescriptor.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

namespace kinetta
{

// An unnamed temporary file in a private folder that compressed frames move to
// once the memory budget is spent. It has no name from the moment it exists
// (O_TMPFILE, else a name removed at once), so the space is returned when the
// last frame stored in it is released, and also when the program dies.
// Appends come from one thread; reads from any thread.
class SpillFile final
{
public:
    // folder is made private (PrivateFolder::ensure) and created when missing;
    // a symbolic link or a folder of another user is refused.
    [[nodiscard]] static Result<std::shared_ptr<SpillFile>, QString> create(const QString& folder);
    // The folder used when none is given: the user's cache folder + /kinetta.
    // Not the runtime folder: that is usually memory-backed, which would defeat
    // the purpose of spilling.
    [[nodiscard]] static QString defaultFolder();

    ~SpillFile();
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    // Appends bytes; returns their offset, or -1 when the file cannot take them.
    [[nodiscard]] std::int64_t append(std::span<const std::uint8_t> bytes);
    // Reads bytes back from offset; false on a short read or an error.
    [[nodiscard]] bool read(std::int64_t offset, std::span<std::uint8_t> out) const;
    // The bytes at offset are no longer needed.
    void discard(std::int64_t offset, std::size_t size);

private:
    explicit SpillFile(FileDescriptor fd) : m_fd(std::move(fd)) {}

    FileDescriptor m_fd;
    std::mutex m_mutex;
    std::int64_t m_end = 0;
};

} // namespace kinetta
