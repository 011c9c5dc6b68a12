#pragma once

#include <QByteArrayView>
#include <QLocale>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

// Number and date conversions that the quote sources apply to the fields of a reply.
// All of them work on the reply's bytes as received (one character per byte).
namespace QuoteConversions {

// A reply has tens of thousands of fields, so the conversions are inline over workers that answer
// with a flag: a call per field costs, and out of line GCC hands a std::optional back through a
// partly written stack slot whose reading stalls.
namespace Detail {
[[nodiscard]] inline bool ShortDecimal(QByteArrayView text, double &value);
[[nodiscard]] double ExactLeadingNumber(QByteArrayView text);
[[nodiscard]] bool WholeNumber(QByteArrayView text, const QLocale &locale, int &value);
[[nodiscard]] bool StrictNumber(QByteArrayView text, const QLocale &locale, double &value);
} // namespace Detail

// The number the text begins with: optional sign, digits, optional "." and fraction, optional
// exponent. Blanks, tabs and line feeds anywhere are skipped and "." is the decimal separator in
// every locale. Text that does not begin with a number gives 0; too large a magnitude gives an
// infinity, too small a magnitude 0.
[[nodiscard]] inline double LeadingNumber(QByteArrayView text)
{
    double value = 0.0;
    if (Detail::ShortDecimal(text, value))
        return value;
    return Detail::ExactLeadingNumber(text);
}

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

namespace Detail {

// The common shape of a field: optional "-", at most 19 digits, optional "." and fraction, ending
// at the end of the text or at a character that cannot continue a number. A mantissa below 2^53
// and a power of ten up to 10^19 are both exact doubles, so their one rounded quotient is the
// correctly rounded value of the text, the same as the exact path gives.
inline bool ShortDecimal(QByteArrayView text, double &value)
{
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                              1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
    const char *pos = text.data();
    const char *const end = pos + text.size();
    const bool negative = pos != end && *pos == '-';
    if (negative)
        ++pos;
    std::uint64_t mantissa = 0;
    const char *const integer = pos;
    for (; pos != end && (*pos >= '0' && *pos <= '9'); ++pos)
        mantissa = mantissa * 10 + std::uint64_t(*pos - '0');
    qsizetype digits = pos - integer;
    qsizetype fractionDigits = 0;
    if (pos != end && *pos == '.') {
        const char *const fraction = ++pos;
        for (; pos != end && (*pos >= '0' && *pos <= '9'); ++pos)
            mantissa = mantissa * 10 + std::uint64_t(*pos - '0');
        fractionDigits = pos - fraction;
        digits += fractionDigits;
    }
    // Past 19 digits the mantissa may have wrapped, so the digit count is checked first.
    if (digits == 0 || digits > 19 || mantissa >= (std::uint64_t(1) << 53))
        return false;
    if (pos != end && (*pos == ' ' || *pos == '\t' || *pos == '\n' || *pos == 'e' || *pos == 'E'))
        return false;
    const double magnitude = double(mantissa) / kPowersOfTen[fractionDigits];
    value = magnitude == 0.0 ? 0.0 : negative ? -magnitude : magnitude;
    return true;
}

} // namespace Detail
} // namespace QuoteConversions
