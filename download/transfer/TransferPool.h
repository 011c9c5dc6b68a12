#pragma once

#include "HttpTransfer.h"

#include <QList>

#include <chrono>
#include <memory>
#include <vector>

// One transfer per job of a run, each on connections of its own. The first may be one the caller
// keeps (the downloader's own); the pool makes the others.
class TransferPool
{
public:
    TransferPool(HttpTransfer *first, int jobs, std::chrono::milliseconds timeout);

    [[nodiscard]] const QList<HttpTransfer *> &All() const { return m_all; }

private:
    std::vector<std::unique_ptr<HttpTransfer>> m_owned;
    QList<HttpTransfer *> m_all;
};
