#pragma once

#include <QByteArrayView>
#include <QLocale>

#include <optional>

// Number and date conversions that the quote sources apply to the fields of a reply.
// All of them work on the reply's bytes as received (one character per byte).
namespace QuoteConversions {

// The number the text begins with: optional sign, digits, optional "." and fraction, optional
// exponent. Blanks, tabs and line feeds anywhere are skipped and "." is the decimal separator in
// every locale. Text that does not begin with a number gives 0; too large a magnitude gives an
// infinity, too small a magnitude 0.
[[nodiscard]] double LeadingNumber(QByteArrayView text);

// The text read as a number under `locale` and rounded to the nearest whole number, halves to
// the even neighbour. Empty when the text is not a number or the result lies outside
// -32768..32767. White space around the text is allowed.
[[nodiscard]] std::optional<int> WholeNumber(QByteArrayView text, const QLocale &locale);

// The same rounding and range for a value already held as a number.
[[nodiscard]] std::optional<int> WholeNumber(double value);

// The text read as a number under `locale`. Empty when it is not a finite number ("-" is not).
// White space around the text is allowed.
[[nodiscard]] std::optional<double> StrictNumber(QByteArrayView text, const QLocale &locale);

// `value` as a 4-byte float, rounded to nearest; magnitudes beyond the float range become
// infinities.
[[nodiscard]] float ToSingle(double value);

// `value` as a 4-byte float when it is finite and within the float range.
[[nodiscard]] std::optional<float> ToFiniteSingle(double value);

} // namespace QuoteConversions
