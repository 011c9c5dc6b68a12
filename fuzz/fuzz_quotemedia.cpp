#include "ReplyCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CheckReply(data, size, QuoteMediaService::ParseReply, 0, Repeats::Kept);
    return 0;
}
