#include "net/MirrorFetch.h"

#include "net/EventPump.h"
#include "net/FtpTimeouts.h"
#include "net/ServerSettings.h"

#include <QByteArray>
#include <QRegularExpression>
#include <curl/curl.h>
#include <exception>
#include <memory>
#include <vector>

namespace {

// The most ranges asked for at once (HTTP/2 streams in flight).
constexpr size_t kRangesInFlight = 64;
constexpr int kPollMilliseconds = 20;

// One range being fetched: its request and what its answer has shown so far.
struct RangeTransfer {
    const PackRange *range = nullptr;
    CURL *easy = nullptr;
    std::unique_ptr<PackRangeCutter> cutter;
    long status = 0;       // of the answer's status line
    QString failure;       // why it was given up by a callback
    std::exception_ptr error;

    static size_t OnHeader(char *data, size_t size, size_t count, void *self);
    static size_t OnBody(char *data, size_t size, size_t count, void *self);
};

size_t RangeTransfer::OnHeader(char *data, size_t size, size_t count, void *self)
{
    auto *transfer = static_cast<RangeTransfer *>(self);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    static const QRegularExpression statusLine(QStringLiteral("^HTTP/[0-9.]+ ([0-9]{3})"));
    static const QRegularExpression contentRange(QStringLiteral("^content-range:\\s*bytes\\s+([0-9]+)-([0-9]+)/"),
                                                 QRegularExpression::CaseInsensitiveOption);
    const QString text = QString::fromLatin1(line);
    if (const QRegularExpressionMatch match = statusLine.match(text); match.hasMatch()) {
        transfer->status = match.captured(1).toLong();
        if (transfer->status != 206) {
            transfer->failure = QStringLiteral("answered %1 instead of 206 for a range").arg(transfer->status);
            return 0;
        }
    } else if (const QRegularExpressionMatch match = contentRange.match(text); match.hasMatch()) {
        const PackRange &range = *transfer->range;
        if (match.captured(1).toULongLong() != range.offset
            || match.captured(2).toULongLong() != range.offset + range.length - 1) {
            transfer->failure = QStringLiteral("sent another range than the one asked for");
            return 0;
        }
    }
    return size * count;
}

size_t RangeTransfer::OnBody(char *data, size_t size, size_t count, void *self)
{
    auto *transfer = static_cast<RangeTransfer *>(self);
    if (transfer->status != 206)
        return 0;
    try {
        if (!transfer->cutter->Take(data, size * count)) {
            transfer->failure = QStringLiteral("sent more bytes than the range holds");
            return 0;
        }
    } catch (...) {
        transfer->error = std::current_exception();
        return 0;
    }
    return size * count;
}

void SetOptions(RangeTransfer &transfer, const QByteArray &url, const QByteArray &caFile)
{
    CURL *easy = transfer.easy;
    const PackRange &range = *transfer.range;
    const QByteArray bytes = QByteArray::number(qulonglong(range.offset)) + '-'
                             + QByteArray::number(qulonglong(range.offset + range.length - 1));
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_RANGE, bytes.constData());
    // An https mirror is only ever reached over TLS.
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, url.startsWith("https:") ? "https" : "http");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(easy, CURLOPT_PIPEWAIT, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2));
    if (!caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kAgentName);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, long(FtpConnectTimeoutSeconds()));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, long(FtpLowSpeedBytesPerSecond()));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, long(FtpLowSpeedSeconds()));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &RangeTransfer::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &RangeTransfer::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
}

// Why a transfer that libcurl ended with result did not bring its whole range; empty when it did.
QString FailureOf(const RangeTransfer &transfer, CURLcode result)
{
    if (!transfer.failure.isEmpty())
        return transfer.failure;
    if (result != CURLE_OK)
        return QString::fromUtf8(curl_easy_strerror(result));
    if (!transfer.cutter->Complete())
        return QStringLiteral("ended before the range's end");
    if (transfer.cutter->Whole().size() != transfer.range->jobs.size())
        return QStringLiteral("sent files that differ from the manifest");
    return QString();
}

}  // namespace

MirrorFetchResult FetchFromMirror(const QString &packUrl, const QVector<PackRange> &ranges,
                                  const QVector<TransferJob> &jobs, const QString &caFile)
{
    MirrorFetchResult result;
    const QByteArray url = packUrl.toUtf8();
    const QByteArray ca = caFile.toLocal8Bit();
    std::vector<RangeTransfer> transfers(size_t(ranges.size()));
    CURLM *multi = curl_multi_init();
    curl_multi_setopt(multi, CURLMOPT_PIPELINING, long(CURLPIPE_MULTIPLEX));
    curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, 1L);
    size_t started = 0;
    size_t running = 0;
    const auto startMore = [&] {
        for (; started < transfers.size() && running < kRangesInFlight; ++started, ++running) {
            RangeTransfer &transfer = transfers[started];
            transfer.range = &ranges.at(qsizetype(started));
            transfer.cutter = std::make_unique<PackRangeCutter>(*transfer.range, jobs, nullptr);
            transfer.easy = curl_easy_init();
            SetOptions(transfer, url, ca);
            curl_easy_setopt(transfer.easy, CURLOPT_PRIVATE, &transfer);
            curl_multi_add_handle(multi, transfer.easy);
        }
    };
    std::exception_ptr error;
    startMore();
    while (running > 0 && !StopRequested() && !error) {
        int active = 0;
        curl_multi_perform(multi, &active);
        int queued = 0;
        while (CURLMsg *message = curl_multi_info_read(multi, &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            RangeTransfer *transfer = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
            const CURLcode code = message->data.result;
            curl_multi_remove_handle(multi, transfer->easy);
            --running;
            error = transfer->error;
            const QString failure = FailureOf(*transfer, code);
            if (!failure.isEmpty() && result.failure.isEmpty())
                result.failure = failure;
            result.whole += transfer->cutter->Whole();
            transfer->cutter.reset();  // a file it cut short goes with it
        }
        startMore();
        curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
        ProcessMessages();
    }
    for (RangeTransfer &transfer : transfers) {
        if (transfer.easy) {
            curl_multi_remove_handle(multi, transfer.easy);
            curl_easy_cleanup(transfer.easy);
        }
        transfer.cutter.reset();
    }
    curl_multi_cleanup(multi);
    if (error)
        std::rethrow_exception(error);
    if (running > 0 && result.failure.isEmpty())
        result.failure = QStringLiteral("stopped");
    return result;
}
