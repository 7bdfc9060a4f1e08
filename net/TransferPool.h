#pragma once
// The downloads of stage 2 on several connections at once. Each connection has a thread of its
// own that takes the next run of files of the list and fetches them in the list's order: files
// of one server folder, so that the connection need not change folder between them, no more
// than its share of what is left and, but for the first, no more than 128 KiB, so that no file
// waits long for the rest of its run. A transfer that ends early is tried once more (continued
// where the server can). The stage's thread waits for the files one by one, in the list's
// order; what can be done to files before their turn (checking and staging them) runs on the
// connection's thread right after their run has been fetched. With a pack, the jobs that lie in
// it are fetched as ranges of the pack (PackRanges.h), longer runs of any folders at a time; a
// file that a range does not bring whole and matching is fetched alone, and a server that
// cannot give a range of the pack (no REST, no pack) has the stage's files fetched alone.
#include "net/PackRangeDownload.h"
#include "net/TransferJob.h"
#include "net/WinInet.h"

#include <QSet>
#include <QString>
#include <optional>
#include <QVector>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The most connections stage 2 uses at once: ORN_PARALLEL_TRANSFERS from 1 to 16, else 4.
int ParallelTransfers();

// True when ORN_PARALLEL_TRANSFERS is unset, empty, or a number from 1 to 16.
bool ParallelTransfersSettingIsValid();

// The most files, and the most bytes, of a run that is whole at once (a range of a pack, files
// already in place): it is unpacked only once all of it is there, so that the first files are
// installed while later runs arrive or are unpacked.
constexpr int kLongestWholeRun = 64;
constexpr uint64_t kWholeRunBytes = 8 * 1024 * 1024;

// The end (one past the last job) of the run a connection takes from jobs, starting at first,
// when connections share the list: consecutive jobs of the server folder of the first, no more
// than that share of what is left (at most 16) and, but for the first, at most 128 KiB in all
// (expectedSize, else sizeHint). Jobs already fetched (from a mirror) need no connection, only
// the unpacking tool's start once a run: they go in runs of any folders, up to kLongestWholeRun
// files and kWholeRunBytes, each thread an even share, ending where a job still to fetch begins.
int TransferRunEnd(const QVector<TransferJob> &jobs, int first, int connections);

class TransferPool {
public:
    // Opens one more connection: 2 with hNet and hFTP set, or less with nothing open.
    using Opener = std::function<int(HINTERNET &hNet, HINTERNET &hFTP)>;
    // Bytes so far and the listed size of the file being waited for.
    using Progress = std::function<void(uint32_t received, uint32_t size)>;
    // A job of a run and its download's result (> 0: whole).
    struct Fetched {
        int index;
        int result;
    };
    // Runs on a connection's thread once a run of jobs has been fetched, before Wait returns
    // for any of them. What it throws is thrown by Wait for each job of the run.
    using AfterDownloads = std::function<void(const std::vector<Fetched> &run)>;

    // Starts fetching jobs on up to connections connections: firstFTP (the stage's, which
    // stays the caller's) and connections the pool opens with open. A connection that cannot
    // be opened (the server refuses one more) leaves the pool with fewer. after (when set)
    // follows every run on the thread that fetched it.
    TransferPool(QVector<TransferJob> jobs, HINTERNET firstFTP, int connections, Opener open,
                 AfterDownloads after = nullptr, std::optional<PackFile> pack = std::nullopt);
    // Takes no further job, waits for the transfers in progress and closes what it opened.
    ~TransferPool();
    TransferPool(const TransferPool &) = delete;
    TransferPool &operator=(const TransferPool &) = delete;

    // Waits for job index to end, letting pending events run and passing its progress on as
    // it changes (from its first block). Returns the download's result (FtpDownloadFile's
    // codes; -5 for a job dropped by a stop request); throws what the download threw.
    int Wait(int index, const Progress &progress);

    // Ends the transfers: no further job is taken; returns when the threads have ended.
    void Close();

    // Once Wait(index) has returned: when job index is the first (in the list's order) that a
    // range of the pack did not bring, so that it and others were fetched alone, that range and
    // why ("bytes <first>-<last>: <why>", English, for the log); else empty.
    QString RangeFailure(int index) const;

private:
    struct JobState {
        std::atomic<uint32_t> received{0};
        std::atomic<uint32_t> size{0};
        std::atomic<bool> reported{false};
        bool done = false;
        int result = 0;
        std::exception_ptr error;
        QString rangeFailure;  // set before the job is fetched alone, on the thread that fetches it
    };

    // One connection's thread: takes runs of jobs until none is left; opens its connection
    // first unless given one.
    void Work(HINTERNET hFTP);
    void FetchRun(int first, int end, HINTERNET hFTP);
    // Fetches the jobs of [first, end) that lie in the pack by ranges of it; returns those
    // whose files arrived whole and matching.
    QSet<int> FetchFromPack(int first, int end, HINTERNET hFTP);
    // Notes result's failure on the first job of range it did not bring.
    void NoteRangeFailure(const PackRange &range, const PackRangeResult &result);
    // Downloads job index, once more when it ended early. Returns FtpDownloadFile's result.
    int Fetch(int index, HINTERNET hFTP);
    void Finish(int index, int result, std::exception_ptr error);

    const QVector<TransferJob> jobs_;
    std::vector<JobState> states_;
    Opener open_;
    AfterDownloads after_;
    const std::optional<PackFile> pack_;
    std::atomic<bool> packServed_{true};  // false once a range of the pack could not be opened
    int connections_;
    const bool fetchesAny_;  // some job is not fetched yet: the threads need connections
    std::mutex mutex_;
    std::condition_variable finished_;
    int next_ = 0;        // the next job to take
    std::atomic<bool> closing_{false};
    std::vector<std::thread> threads_;
};
