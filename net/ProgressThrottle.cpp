#include "net/ProgressThrottle.h"

#include "net/FtpDownload.h"

namespace {

constexpr qint64 kProgressIntervalNs = 10 * 1000 * 1000;

}  // namespace

void ProgressThrottle::Update(uint32_t received, uint32_t size)
{
    received_ = received;
    size_ = size;
    pending_ = true;
    if (!sinceReport_.isValid() || ProgressPercent(received, size) >= 100
        || sinceReport_.nsecsElapsed() >= kProgressIntervalNs)
        Report();
}

void ProgressThrottle::Finish()
{
    if (pending_)
        Report();
}

void ProgressThrottle::Report()
{
    send_(received_, size_);
    pending_ = false;
    sinceReport_.start();
}
