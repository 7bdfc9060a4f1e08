#include "net/TransferPool.h"

#include "net/EventPump.h"
#include "net/FtpDownload.h"
#include "net/ResultCodes.h"

#include <QtGlobal>
#include <algorithm>
#include <chrono>

namespace {

constexpr int kDefaultTransfers = 4;
constexpr int kMostTransfers = 16;
// The most files a connection takes at once, and the most bytes (a larger file runs alone).
constexpr int kLongestRun = 16;
constexpr uint64_t kRunBytes = 128 * 1024;
// How often the waiting thread looks at the progress of the file it waits for.
constexpr auto kProgressPoll = std::chrono::milliseconds(5);

// ORN_PARALLEL_TRANSFERS when it is a number from 1 to 16.
std::optional<int> ParallelSetting()
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue("ORN_PARALLEL_TRANSFERS", &ok);
    return ok && value >= 1 && value <= kMostTransfers ? std::optional<int>(value) : std::nullopt;
}

uint64_t JobBytes(const TransferJob &job) { return job.expectedSize.value_or(job.sizeHint); }

int InPlaceRunEnd(const QVector<TransferJob> &jobs, int first, int connections)
{
    const int all = int(jobs.size());
    const int share = std::clamp((all + connections - 1) / std::max(1, connections), 1, kLongestWholeRun);
    uint64_t total = JobBytes(jobs.at(first));
    int end = first + 1;
    while (end < std::min(first + share, all) && jobs.at(end).fetched && (total += JobBytes(jobs.at(end))) <= kWholeRunBytes)
        ++end;
    return end;
}

}  // namespace

int ParallelTransfers() { return ParallelSetting().value_or(kDefaultTransfers); }

bool ParallelTransfersSettingIsValid()
{
    return qEnvironmentVariable("ORN_PARALLEL_TRANSFERS").isEmpty() || ParallelSetting().has_value();
}

int TransferRunEnd(const QVector<TransferJob> &jobs, int first, int connections)
{
    if (jobs.at(first).fetched)
        return InPlaceRunEnd(jobs, first, connections);
    // Near the end of the list the runs shorten, so that no connection is left with a long tail.
    const int share = std::clamp(int(jobs.size() - first) / std::max(1, connections), 1, kLongestRun);
    uint64_t total = JobBytes(jobs.at(first));
    int end = first + 1;
    while (end < first + share && !jobs.at(end).fetched && jobs.at(end).serverFolder == jobs.at(first).serverFolder
           && (total += JobBytes(jobs.at(end))) <= kRunBytes)
        ++end;
    return end;
}

TransferPool::TransferPool(QVector<TransferJob> jobs, HINTERNET firstFTP, int connections, Opener open,
                           AfterDownloads after, std::optional<PackFile> pack)
    : jobs_(std::move(jobs)),
      states_(size_t(jobs_.size())),
      open_(std::move(open)),
      after_(std::move(after)),
      pack_(std::move(pack)),
      connections_(std::max(1, std::min<int>(connections, int(jobs_.size())))),
      // Files already in place need no connection: the threads only check and stage them.
      fetchesAny_(std::any_of(jobs_.cbegin(), jobs_.cend(), [](const TransferJob &job) { return !job.fetched; }))
{
    for (int i = 0; i < connections_ && !jobs_.isEmpty(); ++i)
        threads_.emplace_back(&TransferPool::Work, this, i == 0 ? firstFTP : nullptr);
}

TransferPool::~TransferPool() { Close(); }

void TransferPool::Close()
{
    closing_ = true;
    for (std::thread &thread : threads_)
        if (thread.joinable())
            thread.join();
}

void TransferPool::Work(HINTERNET hFTP)
{
    HINTERNET hNet = nullptr;
    HINTERNET ownFTP = nullptr;
    if (!hFTP && fetchesAny_) {
        if (open_(hNet, ownFTP) <= 0)
            return;  // the server takes no more connections: the others fetch this one's share
        hFTP = ownFTP;
    }
    for (;;) {
        int first;
        int end;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (closing_ || next_ >= jobs_.size())
                break;
            first = next_;
            end = next_ = pack_ && packServed_ ? PackRunEnd(jobs_, first, connections_)
                                               : TransferRunEnd(jobs_, first, connections_);
        }
        FetchRun(first, end, hFTP);
    }
    InternetCloseHandle(ownFTP);
    InternetCloseHandle(hNet);
}

void TransferPool::FetchRun(int first, int end, HINTERNET hFTP)
{
    const QSet<int> fromPack = FetchFromPack(first, end, hFTP);
    std::vector<Fetched> run;
    for (int index = first; index < end; ++index) {
        if (fromPack.contains(index) || jobs_.at(index).fetched) {
            run.push_back({index, ResultCode::Downloaded});
            continue;
        }
        try {
            run.push_back({index, Fetch(index, hFTP)});
        } catch (...) {
            Finish(index, ResultCode::DownloadIncomplete, std::current_exception());
        }
    }
    std::exception_ptr error;
    try {
        if (after_)
            after_(run);
    } catch (...) {
        error = std::current_exception();
    }
    for (const Fetched &fetched : run)
        Finish(fetched.index, fetched.result, error);
}

QSet<int> TransferPool::FetchFromPack(int first, int end, HINTERNET hFTP)
{
    QSet<int> whole;
    if (!pack_)
        return whole;
    const JobProgress progress = [this](int index, uint32_t received, uint32_t size) {
        JobState &state = states_[size_t(index)];
        state.size = size;
        state.received = received;
        state.reported = true;
    };
    for (const PackRange &range : PlanFtpPackRanges(jobs_, first, end)) {
        if (!packServed_ || StopRequested() || closing_)
            break;
        try {
            PackRangeResult result = FtpDownloadPackRange(hFTP, *pack_, range, jobs_, progress);
            // A range that would not start is asked for once more, as a file's transfer is;
            // a server that refused REST is not.
            if (!result.opened && !FtpRestartRefused(hFTP) && !StopRequested())
                result = FtpDownloadPackRange(hFTP, *pack_, range, jobs_, progress);
            whole += result.whole;
            if (!result.opened)
                packServed_ = false;
            if (!result.failure.isEmpty() && !StopRequested())
                NoteRangeFailure(range, result);
        } catch (...) {
            // What went wrong (a full disk, say) is met again, and reported, by the file's own download.
        }
    }
    return whole;
}

void TransferPool::NoteRangeFailure(const PackRange &range, const PackRangeResult &result)
{
    QVector<int> left;
    for (const int index : range.jobs)
        if (!result.whole.contains(index))
            left.append(index);
    if (left.isEmpty())
        return;
    states_[size_t(*std::min_element(left.cbegin(), left.cend()))].rangeFailure = RangeFailureText(range, result);
}

QString TransferPool::RangeFailure(int index) const { return states_.at(size_t(index)).rangeFailure; }

int TransferPool::Fetch(int index, HINTERNET hFTP)
{
    if (StopRequested() || closing_)
        return ResultCode::DownloadIncomplete;
    const TransferJob &job = jobs_.at(index);
    JobState &state = states_[size_t(index)];
    const DownloadProgress progress = [&state](uint32_t received, uint32_t size) {
        state.size = size;
        state.received = received;
        state.reported = true;
    };
    HINTERNET hFile = nullptr;
    int result = FtpDownloadFile(hFTP, hFile, job.serverFolder, job.serverName, job.localFile, progress, job.expectedSize);
    // A transfer that ended early is continued once where it stopped.
    if (result == ResultCode::DownloadIncomplete && !StopRequested())
        result = FtpDownloadFile(hFTP, hFile, job.serverFolder, job.serverName, job.localFile, progress, job.expectedSize);
    return result;
}

void TransferPool::Finish(int index, int result, std::exception_ptr error)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        JobState &state = states_[size_t(index)];
        state.done = true;
        state.result = result;
        state.error = std::move(error);
    }
    finished_.notify_all();
}

int TransferPool::Wait(int index, const Progress &progress)
{
    JobState &state = states_.at(size_t(index));
    uint32_t shownReceived = 0;
    bool shown = false;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const bool done = state.done;
        lock.unlock();
        const uint32_t received = state.received;
        if (state.reported && (!shown || received != shownReceived)) {
            progress(received, state.size);
            shownReceived = received;
            shown = true;
        }
        if (done)
            break;
        ProcessMessages();
        lock.lock();
        finished_.wait_for(lock, kProgressPoll, [&] { return state.done; });
    }
    if (state.error)
        std::rethrow_exception(state.error);
    return state.result;
}
