// Which files a connection of stage 2 takes at once: consecutive files of one server folder,
// small enough together that none waits long for the rest of its run, and no more than the
// connection's share of what is left.
#include "net/TransferPool.h"

#include <gtest/gtest.h>

namespace {

// Folder of each job and its size in KiB (a manifest's size when listed, else the size hint).
struct JobShape {
    const char *folder;
    int kib;
    bool listed = true;
    bool fetched = false;  // already in place (from a mirror)
};

QVector<TransferJob> Jobs(std::initializer_list<JobShape> shapes)
{
    QVector<TransferJob> jobs;
    int i = 0;
    for (const JobShape &shape : shapes) {
        TransferJob job{QString::fromLatin1(shape.folder), QStringLiteral("File%1.7z").arg(i++), QString(), std::nullopt};
        const uint64_t bytes = uint64_t(shape.kib) * 1024;
        if (shape.listed)
            job.expectedSize = bytes;
        else
            job.sizeHint = bytes;
        job.fetched = shape.fetched;
        jobs.append(job);
    }
    return jobs;
}

// The runs the list splits into when each connection takes the next one in turn.
QVector<int> RunLengths(const QVector<TransferJob> &jobs, int connections)
{
    QVector<int> lengths;
    for (int first = 0; first < jobs.size();) {
        const int end = TransferRunEnd(jobs, first, connections);
        lengths << end - first;
        first = end;
    }
    return lengths;
}

// A list of jobs, the connections sharing it, and the run lengths expected.
struct Case {
    const char *what;
    QVector<TransferJob> jobs;
    int connections;
    QVector<int> runs;
};

template <size_t N>
void ExpectRuns(const Case (&cases)[N])
{
    for (const Case &c : cases)
        EXPECT_EQ(RunLengths(c.jobs, c.connections), c.runs) << c.what;
}

TEST(TransferRuns, RunsKeepToOneFolderStaySmallAndShortenTowardsTheEnd)
{
    const Case cases[] = {
        {"a run ends where its folder does",
         Jobs({{"/a/", 1}, {"/a/", 1}, {"/a/", 1}, {"/b/", 1}, {"/b/", 1}, {"/c/", 1}}), 1, {3, 2, 1}},
        {"a large file runs alone, and ends the run before it",
         Jobs({{"/a/", 40}, {"/a/", 40}, {"/a/", 500}, {"/a/", 1}, {"/a/", 1}}), 1, {2, 1, 2}},
        {"128 KiB at most but for the first file", Jobs({{"/a/", 64}, {"/a/", 64}, {"/a/", 1}}), 1, {2, 1}},
        {"the size hint counts when no manifest lists the size",
         Jobs({{"/a/", 100, false}, {"/a/", 100, false}}), 1, {1, 1}},
        {"no more than a connection's share of what is left",
         Jobs({{"/a/", 1}, {"/a/", 1}, {"/a/", 1}, {"/a/", 1}, {"/a/", 1}, {"/a/", 1}, {"/a/", 1}, {"/a/", 1}}), 4,
         {2, 1, 1, 1, 1, 1, 1}},
    };
    ExpectRuns(cases);
}

TEST(TransferRuns, AFolderOfManySmallFilesIsTakenSixteenAtATime)
{
    QVector<TransferJob> jobs;
    for (int i = 0; i < 40; ++i)
        jobs += Jobs({{"/a/", 1}});
    EXPECT_EQ(RunLengths(jobs, 1), (QVector<int>{16, 16, 8}));
}

TEST(TransferRuns, FilesAlreadyInPlaceGoInLongRunsOfAnyFoldersSharedEvenly)
{
    const auto inPlace = [](int count, const char *folder, int kib = 1) {
        QVector<TransferJob> jobs;
        for (int i = 0; i < count; ++i)
            jobs += Jobs({{folder, kib, true, true}});
        return jobs;
    };
    const Case cases[] = {
        {"one share a thread, across folders", inPlace(10, "/a/") + inPlace(10, "/b/") + inPlace(10, "/c/"), 4,
         {8, 8, 8, 6}},
        {"64 files at most", inPlace(100, "/a/") + inPlace(100, "/b/"), 2, {64, 64, 64, 8}},
        {"8 MiB at most but for the first file", inPlace(3, "/a/", 3 * 1024) + inPlace(1, "/a/", 9 * 1024), 1, {2, 1, 1}},
        {"a file still to fetch ends the run, and starts its own by the folder rule",
         inPlace(3, "/a/") + Jobs({{"/a/", 1}, {"/a/", 1}}) + inPlace(2, "/a/"), 1, {3, 2, 2}},
    };
    ExpectRuns(cases);
}

}  // namespace
