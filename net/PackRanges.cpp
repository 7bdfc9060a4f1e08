#include "net/PackRanges.h"

#include "net/TransferPool.h"

#include <algorithm>

namespace {

// The fewest bytes that make a share of the list worth a connection of its own: a range costs
// some ten round trips whatever its length and a further connection its login on top, while on
// a link of 25 ms a round trip at about 80 Mbit/s ten round trips carry some 2.5 MiB.
constexpr uint64_t kPackShareBytes = 2 * 1024 * 1024;

bool InPack(const TransferJob &job) { return job.packOffset && job.expectedSize.value_or(0) > 0 && !job.fetched; }

}  // namespace

QVector<PackRange> PlanPackRanges(const QVector<TransferJob> &jobs, int first, int end, uint64_t gapBytes)
{
    QVector<int> inPack;
    for (int index = first; index < end; ++index)
        if (InPack(jobs.at(index)))
            inPack.append(index);
    std::sort(inPack.begin(), inPack.end(),
              [&jobs](int a, int b) { return *jobs.at(a).packOffset < *jobs.at(b).packOffset; });
    QVector<PackRange> ranges;
    for (const int index : std::as_const(inPack)) {
        const uint64_t offset = *jobs.at(index).packOffset;
        const uint64_t rangeEnd = ranges.isEmpty() ? 0 : ranges.last().offset + ranges.last().length;
        if (ranges.isEmpty() || offset < rangeEnd || offset - rangeEnd > gapBytes)
            ranges.append({offset, 0, {}});
        PackRange &range = ranges.last();
        range.length = offset + *jobs.at(index).expectedSize - range.offset;
        range.jobs.append(index);
    }
    return ranges;
}

QVector<PackRange> PlanFtpPackRanges(const QVector<TransferJob> &jobs, int first, int end)
{
    QVector<PackRange> ranges = PlanPackRanges(jobs, first, end);
    ranges.erase(std::remove_if(ranges.begin(), ranges.end(),
                                [](const PackRange &range) { return range.jobs.size() < kFewestFilesOfAnFtpRange; }),
                 ranges.end());
    return ranges;
}

int PackRunEnd(const QVector<TransferJob> &jobs, int first, int connections)
{
    if (!InPack(jobs.at(first)))
        return TransferRunEnd(jobs, first, connections);
    // A range costs a few round trips whatever its length: the connections share the list
    // evenly rather than shortening their runs towards its end, as many of them as have a share
    // worth their cost; a list too small for that goes in the longest runs.
    const int all = int(jobs.size());
    uint64_t listBytes = 0;
    for (const TransferJob &job : jobs)
        listBytes += InPack(job) ? *job.expectedSize : 0;
    const int sharing = int(std::clamp<uint64_t>(listBytes / kPackShareBytes, 1, uint64_t(std::max(1, connections))));
    const int share = std::clamp((all + sharing - 1) / sharing, 1, kLongestWholeRun);
    uint64_t total = *jobs.at(first).expectedSize;
    int end = first + 1;
    while (end < std::min(first + share, all) && InPack(jobs.at(end)) && (total += *jobs.at(end).expectedSize) <= kWholeRunBytes)
        ++end;
    return end;
}
