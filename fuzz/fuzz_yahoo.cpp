#include "ReplyCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CheckReply(data, size, YahooService::ParseReply, 0, Repeats::Dropped);
    return 0;
}
