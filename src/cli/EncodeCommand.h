#pragma once

#include <QStringList>

namespace kinetta::cli
{

// `kinetta encode [--fps N] [--loop N] [--skip N] [--boomerang] -o OUT.gif INPUT...`
// Each INPUT is a PNG file or a folder of PNG files taken in name order.
// Returns 0 on success, 1 for bad input or a failed encode, 2 for a usage error;
// on failure no output file is left behind.
[[nodiscard]] int runEncodeCommand(const QStringList& args);

} // namespace kinetta::cli
