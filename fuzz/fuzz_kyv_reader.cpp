#include "BarFileReader.h"
#include "BarFileWriter.h"
#include "DateValue.h"
#include "FuzzSupport.h"

// Input: a whole .kyv file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const BarFileContents contents = ReadKyvData(bytes);
    if (!contents.ok()) {
        FUZZ_CHECK(!contents.error.contains(u'\n'));
        return 0;
    }
    FUZZ_CHECK(contents.startDate.has_value());
    const int startYear = DateValue::ToDate(*contents.startDate).year();
    FUZZ_CHECK(KyvFileBytes(contents.series, startYear) == bytes);
    return 0;
}
