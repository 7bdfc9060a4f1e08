// Which ranges of the pack a run of files is fetched by, and which files a connection takes at
// once when they come from a pack.
#include "net/PackRanges.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t kKiB = 1024;

// A job of size bytes at offset in the pack (none: not in it).
TransferJob Job(std::optional<uint64_t> offset, uint64_t size, const char *folder = "/prog/")
{
    TransferJob job{QString::fromLatin1(folder), QStringLiteral("File.7z"), QString(), size};
    job.packOffset = offset;
    return job;
}

struct Range {
    uint64_t offset;
    uint64_t length;
    QVector<int> jobs;
};

TEST(PackRanges, NeighboursCloserThanTheGapShareARange)
{
    struct Case {
        const char *what;
        QVector<TransferJob> jobs;
        QVector<Range> expected;
    };
    const Case cases[] = {
        {"consecutive files: one range", {Job(0, 100), Job(100, 50), Job(150, 10)}, {{0, 160, {0, 1, 2}}}},
        {"a gap of exactly 256 KiB is fetched", {Job(0, 100), Job(100 + 256 * kKiB, 10)}, {{0, 100 + 256 * kKiB + 10, {0, 1}}}},
        {"a gap one byte longer splits", {Job(0, 100), Job(101 + 256 * kKiB, 10)}, {{0, 100, {0}}, {101 + 256 * kKiB, 10, {1}}}},
        {"work-list order differs from pack order", {Job(500, 10), Job(0, 20), Job(20, 30)},
         {{0, 510, {1, 2, 0}}}},
        {"files outside the pack and empty files are in no range", {Job(std::nullopt, 100), Job(0, 0), Job(0, 40)},
         {{0, 40, {2}}}},
        {"scattered changes: one range per cluster", {Job(0, 10), Job(1000, 10), Job(1000 * kKiB, 10), Job(1000 * kKiB + 30, 5)},
         {{0, 1010, {0, 1}}, {1000 * kKiB, 35, {2, 3}}}},
    };
    for (const Case &c : cases) {
        const QVector<PackRange> ranges = PlanPackRanges(c.jobs, 0, int(c.jobs.size()));
        ASSERT_EQ(ranges.size(), c.expected.size()) << c.what;
        for (int i = 0; i < ranges.size(); ++i) {
            EXPECT_EQ(ranges[i].offset, c.expected[i].offset) << c.what << ", range " << i;
            EXPECT_EQ(ranges[i].length, c.expected[i].length) << c.what << ", range " << i;
            EXPECT_EQ(ranges[i].jobs, c.expected[i].jobs) << c.what << ", range " << i;
        }
    }
}

TEST(PackRanges, OnlyTheRunsJobsArePlanned)
{
    const QVector<TransferJob> jobs{Job(0, 10), Job(10, 10), Job(20, 10), Job(30, 10)};
    const QVector<PackRange> ranges = PlanPackRanges(jobs, 1, 3);
    ASSERT_EQ(ranges.size(), 1);
    EXPECT_EQ(ranges[0].offset, 10u);
    EXPECT_EQ(ranges[0].length, 20u);
    EXPECT_EQ(ranges[0].jobs, (QVector<int>{1, 2}));
}

TEST(PackRanges, OverFtpARangeOfFewerThanFourFilesIsLeftToTheFilesFetchedAlone)
{
    const QVector<TransferJob> jobs{Job(0, 10),           Job(10, 10),          Job(20, 10),
                                    Job(1000 * kKiB, 10), Job(1000 * kKiB + 10, 10), Job(1000 * kKiB + 20, 10),
                                    Job(1000 * kKiB + 30, 10)};
    ASSERT_EQ(PlanPackRanges(jobs, 0, int(jobs.size())).size(), 2);
    const QVector<PackRange> ranges = PlanFtpPackRanges(jobs, 0, int(jobs.size()));
    ASSERT_EQ(ranges.size(), 1);
    EXPECT_EQ(ranges[0].offset, 1000 * kKiB);
    EXPECT_EQ(ranges[0].jobs, (QVector<int>{3, 4, 5, 6}));
}

TEST(PackRanges, PackRunsCrossFoldersStopAtSixtyFourFilesEightMiBAndAShareWorthAConnection)
{
    struct Case {
        const char *what;
        QVector<TransferJob> jobs;
        int connections;
        QVector<int> runLengths;
    };
    const auto many = [](int count, uint64_t size) {
        QVector<TransferJob> jobs;
        for (int i = 0; i < count; ++i)
            jobs.append(Job(uint64_t(i) * size, size, i % 2 ? "/prog/a/" : "/prog/b/"));
        return jobs;
    };
    const Case cases[] = {
        {"200 small files on one connection: 64 a run, folders mixed", many(200, 100), 1, {64, 64, 64, 8}},
        {"42 small files on four connections: too few bytes to share, one run", many(42, 100), 4, {42}},
        {"12 files of 1 MiB on four connections: even shares of the list", many(12, 1024 * kKiB), 4, {3, 3, 3, 3}},
        {"12 files of 400 KiB on four connections: two shares of 2 MiB or more", many(12, 400 * kKiB), 4, {6, 6}},
        {"3 MiB files: at most 8 MiB but for the first", many(4, 3 * 1024 * kKiB), 1, {2, 2}},
        {"a file outside the pack runs as a file fetched alone", {Job(std::nullopt, 100), Job(0, 10, "/prog/a/"), Job(10, 10, "/prog/a/")}, 1, {1, 2}},
    };
    for (const Case &c : cases) {
        QVector<int> lengths;
        for (int first = 0; first < c.jobs.size();) {
            const int end = PackRunEnd(c.jobs, first, c.connections);
            lengths << end - first;
            first = end;
        }
        EXPECT_EQ(lengths, c.runLengths) << c.what;
    }
}

}  // namespace
