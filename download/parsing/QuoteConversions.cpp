#include "QuoteConversions.h"

#include <QString>
#include <QVarLengthArray>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace QuoteConversions {
namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r'); // tab, line feed, vertical tab, form feed, return
}

QByteArrayView Trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// Reads the characters of a text while passing over blanks, tabs and line feeds.
class SkippingReader
{
public:
    explicit SkippingReader(QByteArrayView text) : m_text(text) {}

    [[nodiscard]] char Peek()
    {
        while (m_pos < m_text.size() &&
               (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n'))
            ++m_pos;
        return m_pos < m_text.size() ? m_text[m_pos] : '\0';
    }
    void Advance() { ++m_pos; }

private:
    QByteArrayView m_text;
    qsizetype m_pos = 0;
};

// Optional sign and plain ASCII digits read as an integer: the same in every locale, and far
// cheaper than a locale-aware parse for the dates and volumes that make up most fields.
// The hot helpers answer through a flag and an out-parameter: GCC returns a std::optional through
// a partly written stack slot, and reading it back stalls on every call.
bool PlainInteger(QByteArrayView text, int maxDigits, std::int64_t &value)
{
    const char *pos = text.data();
    const char *const end = pos + text.size();
    const bool negative = pos != end && *pos == '-';
    if (pos != end && (*pos == '-' || *pos == '+'))
        ++pos;
    if (end - pos < 1 || end - pos > maxDigits)
        return false;
    std::int64_t magnitude = 0;
    for (; pos != end; ++pos) {
        if (!IsDigit(*pos))
            return false;
        magnitude = magnitude * 10 + (*pos - '0');
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

std::optional<double> LocaleNumber(QByteArrayView trimmed, const QLocale &locale)
{
    bool ok = false;
    const double value = locale.toDouble(QString::fromLocal8Bit(trimmed), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

double Detail::ExactLeadingNumber(QByteArrayView text)
{
    constexpr std::int64_t kExponentLimit = 100000; // far beyond any double, small enough to add safely
    SkippingReader reader(text);
    bool negative = false;
    if (reader.Peek() == '+' || reader.Peek() == '-') {
        negative = reader.Peek() == '-';
        reader.Advance();
    }

    // The mantissa is rebuilt without the skipped characters and leading zeros, so from_chars sees a
    // plain "digits.digitsEexponent" and the magnitude is known when it reports a range error.
    QVarLengthArray<char, 64> buffer;
    bool anyDigit = false;
    std::int64_t significantIntegerDigits = 0;
    std::int64_t fractionLeadingZeros = 0;
    bool nonZeroSeen = false;
    while (IsDigit(reader.Peek())) {
        const char c = reader.Peek();
        anyDigit = true;
        if (c != '0' || nonZeroSeen) {
            nonZeroSeen = true;
            buffer.append(c);
            ++significantIntegerDigits;
        }
        reader.Advance();
    }
    if (buffer.isEmpty())
        buffer.append('0');
    if (reader.Peek() == '.') {
        reader.Advance();
        buffer.append('.');
        while (IsDigit(reader.Peek())) {
            const char c = reader.Peek();
            anyDigit = true;
            if (c != '0')
                nonZeroSeen = true;
            else if (!nonZeroSeen)
                ++fractionLeadingZeros;
            buffer.append(c);
            reader.Advance();
        }
        if (buffer.back() == '.')
            buffer.removeLast();
    }
    if (!anyDigit || !nonZeroSeen)
        return 0.0;

    std::int64_t exponent = 0;
    if (reader.Peek() == 'e' || reader.Peek() == 'E') {
        reader.Advance();
        bool negativeExponent = false;
        if (reader.Peek() == '+' || reader.Peek() == '-') {
            negativeExponent = reader.Peek() == '-';
            reader.Advance();
        }
        if (IsDigit(reader.Peek())) {
            while (IsDigit(reader.Peek())) {
                exponent = std::min(exponent * 10 + (reader.Peek() - '0'), kExponentLimit);
                reader.Advance();
            }
            if (negativeExponent)
                exponent = -exponent;
        } // "1e" or "1e+" has no exponent: the number ends before the "e"
    }
    buffer.append('e');
    char exponentText[24];
    const auto written = std::to_chars(std::begin(exponentText), std::end(exponentText), exponent);
    buffer.append(exponentText, written.ptr - exponentText);

    double value = 0.0;
    const std::errc error = std::from_chars(buffer.data(), buffer.data() + buffer.size(), value).ec;
    if (error == std::errc::result_out_of_range) {
        const std::int64_t leadingDigitPower =
            significantIntegerDigits > 0 ? significantIntegerDigits - 1 : -(fractionLeadingZeros + 1);
        value = leadingDigitPower + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc()) {
        value = 0.0;
    }
    if (value == 0.0)
        return 0.0;
    return negative ? -value : value;
}

namespace Detail {

bool WholeNumber(QByteArrayView text, const QLocale &locale, int &value)
{
    const QByteArrayView trimmed = Trimmed(text);
    std::int64_t plain = 0;
    if (PlainInteger(trimmed, 9, plain)) {
        if (plain < -32768 || plain > 32767)
            return false;
        value = int(plain);
        return true;
    }
    const auto number = LocaleNumber(trimmed, locale);
    if (!number)
        return false;
    const auto whole = QuoteConversions::WholeNumber(*number);
    if (!whole)
        return false;
    value = *whole;
    return true;
}

bool StrictNumber(QByteArrayView text, const QLocale &locale, double &value)
{
    const QByteArrayView trimmed = Trimmed(text);
    std::int64_t plain = 0;
    if (PlainInteger(trimmed, 18, plain)) {
        value = double(plain);
        return true;
    }
    const auto number = LocaleNumber(trimmed, locale);
    if (!number)
        return false;
    value = *number;
    return true;
}

} // namespace Detail
} // namespace QuoteConversions
