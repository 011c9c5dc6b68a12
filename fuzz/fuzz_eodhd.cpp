#include "ReplyCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CheckTokenReply(data, size, EodhdService::ParseReply);
    return 0;
}
