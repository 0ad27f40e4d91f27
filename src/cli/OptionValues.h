#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

namespace kinetta::cli
{

// The exit status of every command for a usage error: an unknown option, a
// missing or unreadable value, a value out of its range.
inline constexpr int kUsageExitStatus = 2;

// A numeric option's accepted values and how its usage message names them.
template <typename T> struct OptionRange {
    T low;
    T high;
    const char* text;
};

inline constexpr OptionRange<double> kFpsOption{1, 60, "a number from 1 to 60"};
inline constexpr OptionRange<std::int64_t> kLoopOption{0, 65535, "a whole number from 0 to 65535"};
inline constexpr OptionRange<std::int64_t> kQualityOption{1, 100, "a whole number from 1 to 100"};

// Plain decimal notation only ("12", "-3", "12.5", ".5"): no hexadecimal, no
// exponent, no nan or inf, so "0x10" is refused rather than read as 16.
[[nodiscard]] std::optional<double> readDecimal(const QString& text);

// Reads option's value within range; otherwise the one-line usage message,
// such as "--fps must be a number from 1 to 60, not '100'".
[[nodiscard]] std::variant<double, QString> readOption(const QString& option, const QString& text,
                                                       const OptionRange<double>& range);
[[nodiscard]] std::variant<std::int64_t, QString>
readOption(const QString& option, const QString& text, const OptionRange<std::int64_t>& range);

// A size in bytes: "2048", or with a K or M (either case) for 1024 or
// 1048576 bytes, which may follow a fraction ("1.5M"); from 1 byte to 4096M.
inline constexpr std::int64_t kMaxSizeLimit = std::int64_t{4096} << 20;
[[nodiscard]] std::optional<std::int64_t> readByteSize(const QString& text);
// Reads a size option's value; otherwise the one-line usage message, such as
// "--max-size must be a size in bytes, or with K or M (1K = 1024 bytes) such
// as 2M, not '2G'".
[[nodiscard]] std::variant<std::int64_t, QString> readSizeOption(const QString& option,
                                                                 const QString& text);

// "--boomerang takes no value", for "--boomerang=x".
[[nodiscard]] QString takesNoValueMessage(const QString& option);

} // namespace kinetta::cli
