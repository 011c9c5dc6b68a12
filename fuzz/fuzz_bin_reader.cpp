#include "BarFileReader.h"
#include "BarFileWriter.h"
#include "FuzzSupport.h"

// Input: a whole .bin file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const BarFileContents contents = ReadBinData(bytes);
    if (!contents.ok()) {
        FUZZ_CHECK(!contents.error.contains(u'\n'));
        return 0;
    }
    FUZZ_CHECK(!contents.startDate);
    FUZZ_CHECK(BinFileBytes(contents.series) == bytes);
    return 0;
}
