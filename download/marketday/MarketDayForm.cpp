#include "MarketDayForm.h"

bool MarketDayForm::RefusedForPlan(const FetchResult &reply) const
{
    return reply.httpStatus == 402 || reply.httpStatus == 403;
}
