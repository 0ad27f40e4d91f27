#pragma once

#include "app/FlowServices.h"
#include "capture/CaptureSource.h"
#include "model/CaptureMode.h"

#include <QRectF>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <variant>

namespace kinetta::cli
{

// What the options of `kinetta record` ask for. Anything left out is taken
// from the saved settings.
struct RecordOptions {
    std::optional<CaptureMode> mode;
    std::optional<std::uint32_t> windowID;
    std::optional<QRectF> area;
    std::optional<double> fps;
    std::optional<double> scale;
    std::optional<bool> cursor;
    std::optional<std::int64_t> durationSeconds;
    std::optional<std::int64_t> loopCount;
    std::optional<std::int64_t> countdownSeconds; // 0 turns the countdown off
    EncodeTarget target;
    QString output;
    bool help = false;
};

// Parses the arguments after `record`; a one-line message on a usage error.
[[nodiscard]] std::variant<RecordOptions, QString> parseRecordOptions(const QStringList& args);

// "123" or "0x7b"; nothing for anything else or a value past 32 bits.
[[nodiscard]] std::optional<std::uint32_t> parseWindowID(const QString& text);

// Checks the target against what can be captured now; a message when it cannot.
[[nodiscard]] std::optional<QString> checkTarget(CaptureMode mode,
                                                 std::optional<std::uint32_t> windowID,
                                                 std::optional<QRectF> area,
                                                 const ShareableContent& content);

// `kinetta record ...`: 0 when the GIF was written (to the output or, failing
// that, to Downloads), 130 when cancelled, 1 for bad input or a failure, 2 for
// a usage error (a mode without its --window or --area among them). Saved
// settings outside the control panel's ranges are held to them, each named
// once on stderr; options keep their own ranges.
[[nodiscard]] int runRecordCommand(const QStringList& args);

} // namespace kinetta::cli
