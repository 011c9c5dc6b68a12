#include "ReplyCheck.h"

// The reply with every two-digit year of a data line written in four digits.
static QByteArray FourDigitYears(const QByteArray &reply)
{
    QByteArrayList lines = reply.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray &line = lines[i];
        const qsizetype fieldEnd = line.indexOf(',') < 0 ? line.size() : line.indexOf(',');
        const qsizetype second = line.indexOf('-', line.indexOf('-') + 1);
        if (second < 0 || second >= fieldEnd)
            continue;
        const qsizetype next = line.indexOf('-', second + 1);
        const qsizetype end = next < 0 ? fieldEnd : std::min(next, fieldEnd);
        const QByteArray year = line.mid(second + 1, end - second - 1);
        if (year.size() != 2 ||
            !std::all_of(year.begin(), year.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const int yy = year.toInt();
        line = line.left(second + 1) + QByteArray::number(yy + (yy <= 30 ? 2000 : 1900)) + line.mid(end);
    }
    return lines.join('\n');
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CheckReply(data, size, GoogleService::ParseReply, 3, Repeats::Dropped);
    // Once a year of three or more digits is taken as it is, "3-May-2013" means "3-May-13".
    if (size > 3) {
        const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));
        BarSeries raw[2];
        BarSeries output[2];
        const QByteArray replies[2] = {reply, reply.left(3) + FourDigitYears(reply.mid(3))};
        int result[2];
        for (int i = 0; i < 2; ++i)
            result[i] = GoogleService::ParseReply(replies[i], u"IBM"_qs, QLocale::c(), raw[i], output[i]);
        FUZZ_CHECK(result[0] == result[1] && SameSeries(raw[0], raw[1]) && SameSeries(output[0], output[1]));
    }
    return 0;
}
