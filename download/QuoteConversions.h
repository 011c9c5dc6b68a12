#pragma once

#include <QByteArrayView>
#include <QLocale>

#include <cmath>
#include <limits>
#include <optional>

// Number and date conversions that the quote sources apply to the fields of a reply.
// All of them work on the reply's bytes as received (one character per byte).
namespace QuoteConversions {

// The number the text begins with: optional sign, digits, optional "." and fraction, optional
// exponent. Blanks, tabs and line feeds anywhere are skipped and "." is the decimal separator in
// every locale. Text that does not begin with a number gives 0; too large a magnitude gives an
// infinity, too small a magnitude 0.
[[nodiscard]] double LeadingNumber(QByteArrayView text);

// The functions below answering with a std::optional are inline over workers that answer with a
// flag: out of line, GCC hands a std::optional back through a partly written stack slot, and
// reading that back stalls every call of a reply's many thousand fields.
namespace Detail {
[[nodiscard]] bool WholeNumber(QByteArrayView text, const QLocale &locale, int &value);
[[nodiscard]] bool StrictNumber(QByteArrayView text, const QLocale &locale, double &value);
} // namespace Detail

// The text read as a number under `locale` and rounded to the nearest whole number, halves to
// the even neighbour. Empty when the text is not a number or the result lies outside
// -32768..32767. White space around the text is allowed.
[[nodiscard]] inline std::optional<int> WholeNumber(QByteArrayView text, const QLocale &locale)
{
    int value = 0;
    if (!Detail::WholeNumber(text, locale, value))
        return std::nullopt;
    return value;
}

// The same rounding and range for a value already held as a number.
[[nodiscard]] inline std::optional<int> WholeNumber(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default rounding mode sends halves to even
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return int(rounded);
}

// The text read as a number under `locale`. Empty when it is not a finite number ("-" is not).
// White space around the text is allowed.
[[nodiscard]] inline std::optional<double> StrictNumber(QByteArrayView text, const QLocale &locale)
{
    double value = 0.0;
    if (!Detail::StrictNumber(text, locale, value))
        return std::nullopt;
    return value;
}

// `value` as a 4-byte float, rounded to nearest; magnitudes beyond the float range become
// infinities.
[[nodiscard]] inline float ToSingle(double value)
{
    constexpr double kMax = std::numeric_limits<float>::max();
    // Values from here on are nearer to infinity than to the largest float, ties included.
    constexpr double kOverflow = kMax + 0x1p103;
    if (std::fabs(value) <= kMax) // false for NaN
        return float(value);
    if (std::isnan(value))
        return std::numeric_limits<float>::quiet_NaN();
    if (std::fabs(value) >= kOverflow)
        return value < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    return value < 0 ? -std::numeric_limits<float>::max() : std::numeric_limits<float>::max();
}

// `value` as a 4-byte float when it is finite and within the float range.
[[nodiscard]] inline std::optional<float> ToFiniteSingle(double value)
{
    const float single = ToSingle(value);
    if (!std::isfinite(single))
        return std::nullopt;
    return single;
}

} // namespace QuoteConversions
