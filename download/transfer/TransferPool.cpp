#include "TransferPool.h"

TransferPool::TransferPool(HttpTransfer *first, int jobs, std::chrono::milliseconds timeout)
{
    if (first)
        m_all.append(first);
    while (m_all.size() < std::max(jobs, 1))
        m_all.append(m_owned.emplace_back(std::make_unique<HttpTransfer>()).get());
    for (HttpTransfer *transfer : m_all)
        transfer->SetTimeout(timeout);
}
