#pragma once

#include "app/FileWriter.h"

#include <QString>
#include <optional>

namespace kinetta
{

// The one way the program writes a finished file, shared by every command.
// The bytes go to a temporary file in the target's folder, which is renamed
// over the target only once complete and flushed, so a failure or a signal
// never leaves a truncated file under the final name, and the temporary file
// is removed on every way out. A symbolic link is written through to its
// target (the link stays), and an existing file keeps its permission bits.
class AtomicFileWriter final : public FileWriter
{
public:
    [[nodiscard]] std::optional<QString> write(const QString& path,
                                               const QByteArray& data) override;

    // What write would do up to the first byte: the target is resolved and
    // checked, and a temporary file is made beside it and removed again. For
    // refusing an unwritable output before the work that produces its bytes.
    [[nodiscard]] static std::optional<QString> checkWritable(const QString& path);

    // The shared instance for code without one of its own.
    [[nodiscard]] static AtomicFileWriter& instance();
};

} // namespace kinetta
