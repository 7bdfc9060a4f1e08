#include "net/CurlFtpConnection.h"

#include "net/EventPump.h"
#include "net/FtpListing.h"
#include "net/FtpTimeouts.h"
#include "net/TlsFailure.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace WinInet {

namespace {

constexpr int kPollMilliseconds = 20;
// More reply lines than any command draws (a FEAT reply has a few dozen): a server that answers
// without end fails the operation.
constexpr int kMaxReplyLines = 1000;
constexpr int kNextStepMilliseconds = 1;
constexpr long kReceiveBufferBytes = 128 * 1024;

QByteArray EscapeSegment(const QString &segment)
{
    // ".." would be folded away by the URL parser; escaped it reaches the server as it is.
    if (segment == QLatin1String(".."))
        return "%2E%2E";
    return segment.toUtf8().toPercentEncoding();
}

// The folder that folder names when entered from current (absolute or from the login folder).
void ResolveFolder(const QString &folder, QStringList *segments, bool *absolute)
{
    if (folder.startsWith(u'/')) {
        segments->clear();
        *absolute = true;
    }
    for (const QString &part : folder.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..") && !segments->isEmpty() && segments->last() != part)
            segments->removeLast();
        else if (part != QLatin1String("..") || !*absolute)
            segments->append(part);
    }
}

}  // namespace

CurlFtpConnection::CurlFtpConnection(const QString &server, uint16_t port, const QString &user,
                                     const QString &password, bool passive, const TlsSettings &tls)
    : multi_(curl_multi_init()),
      easy_(curl_easy_init()),
      user_(user.toUtf8()),
      password_(password.toUtf8()),
      passive_(passive),
      tls_(tls),
      caFile_(tls.caFile.toLocal8Bit()),
      pinnedKey_(tls.pinnedKey.toLatin1())
{
    const QByteArray host = server.contains(u':') ? '[' + server.toUtf8() + ']' : server.toUtf8();
    const QByteArray scheme = tls.mode == TlsMode::Implicit ? "ftps://" : "ftp://";
    baseUrl_ = scheme + host + ':' + QByteArray::number(port) + '/';
    // Failures of both are ignored: servers without UTF8 or FEAT still serve.
    loginCommands_ = curl_slist_append(loginCommands_, "*OPTS UTF8 ON");
    loginCommands_ = curl_slist_append(loginCommands_, "*FEAT");
}

CurlFtpConnection::~CurlFtpConnection()
{
    if (attached_)
        Detach();
    curl_easy_cleanup(easy_);
    curl_multi_cleanup(multi_);
    curl_slist_free_all(loginCommands_);
}

bool CurlFtpConnection::LogIn()
{
    RecordConnectFailure(TlsFailure::None);
    if (!multi_ || !easy_ || !loginCommands_ || downloading_)
        return false;
    if (tls_.mode != TlsMode::Off && !passive_ && !ActiveTransfersWorkOverTls()) {
        RecordConnectFailure(TlsFailure::ActiveModeUnsupported);
        return false;
    }
    Prepare(FolderUrl({}, false));
    curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    const CURLcode result = Perform();
    long verifyResult = 0;
    curl_easy_getinfo(easy_, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
    RecordConnectFailure(TlsFailureOf(result, verifyResult, errorText_));
    return result == CURLE_OK;
}

bool CurlFtpConnection::ChangeFolder(const QString &folder)
{
    if (downloading_)
        return false;
    QStringList segments = folder_;
    bool absolute = folderAbsolute_;
    ResolveFolder(folder, &segments, &absolute);
    Prepare(FolderUrl(segments, absolute));
    curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    if (Perform() != CURLE_OK)
        return false;
    folder_ = segments;
    folderAbsolute_ = absolute;
    return true;
}

bool CurlFtpConnection::ListFolder(QVector<WIN32_FIND_DATAW> *entries, uint32_t *error)
{
    if (error)
        *error = ERROR_INTERNET_EXTENDED_ERROR;
    if (downloading_)
        return false;
    const bool mlsd = hasMlst_;
    Prepare(FolderUrl(folder_, folderAbsolute_));
    if (mlsd)
        curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, "MLSD");
    curl_easy_setopt(easy_, CURLOPT_TIMEOUT, long(FtpListingMaxSeconds()));
    listing_ = true;
    listingTooLarge_ = false;
    const CURLcode result = Perform();
    listing_ = false;
    if (result != CURLE_OK) {
        if (error && listingTooLarge_)
            *error = ERROR_NOT_ENOUGH_MEMORY;
        else if (error && result == CURLE_OPERATION_TIMEDOUT)
            *error = ERROR_INTERNET_TIMEOUT;
        std::vector<char>().swap(body_);
        return false;
    }
    *entries = ParseListing(QByteArray(body_.data(), qsizetype(body_.size())), mlsd);
    std::vector<char>().swap(body_);  // a large listing's memory goes back at once
    return true;
}

bool CurlFtpConnection::LookUp(const QString &name, WIN32_FIND_DATAW *entry)
{
    lookedUp_.reset();
    if (downloading_ || !IsPlainEntryName(name))
        return false;
    if (!FindEntry(name, entry))
        return false;
    lookedUp_ = LookedUpFile{folder_, name, entry->nFileSize};
    return true;
}

void CurlFtpConnection::KnowSize(const QString &name, uint64_t size)
{
    lookedUp_ = LookedUpFile{folder_, name, size};
}

bool CurlFtpConnection::FindEntry(const QString &name, WIN32_FIND_DATAW *entry)
{
    if (hasMlst_) {
        // After the folder change, on the control connection; a refusal is read from the reply.
        const QByteArray command = "*MLST " + name.toUtf8();
        curl_slist *commands = curl_slist_append(nullptr, command.constData());
        Prepare(FolderUrl(folder_, folderAbsolute_));
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(easy_, CURLOPT_PREQUOTE, commands);
        const bool found = Perform() == CURLE_OK && ParseMlstReply(replies_, name, entry);
        curl_slist_free_all(commands);
        return found;
    }
    if (hasSize_) {
        Prepare(FileUrl(name));
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        curl_off_t size = -1;
        if (Perform() != CURLE_OK
            || curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) != CURLE_OK
            || size < 0)
            return false;
        entry->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
        entry->nFileSize = uint64_t(size);
        entry->cFileName = name;
        return true;
    }
    QVector<WIN32_FIND_DATAW> entries;
    if (!ListFolder(&entries))
        return false;
    const auto it = std::find_if(entries.cbegin(), entries.cend(),
                                 [&](const WIN32_FIND_DATAW &e) { return e.cFileName == name; });
    if (it == entries.cend())
        return false;
    *entry = *it;
    return true;
}

bool CurlFtpConnection::StartDownload(const QString &name, uint64_t offset)
{
    if (downloading_ || !IsPlainEntryName(name))
        return false;
    if (offset > 0 && !restRefused_) {
        if (OpenDownload(name, offset))
            return true;
        if (result_ != CURLE_FTP_COULDNT_USE_REST)
            return false;
        restRefused_ = true;  // the server cannot continue a transfer: it starts from the first byte
    }
    return OpenDownload(name, 0);
}

bool CurlFtpConnection::StartRangeDownload(const QString &name, uint64_t offset, uint64_t length)
{
    if (downloading_ || !IsPlainEntryName(name) || length == 0 || (offset > 0 && restRefused_))
        return false;
    if (OpenDownload(name, offset, length))
        return true;
    restRefused_ = restRefused_ || result_ == CURLE_FTP_COULDNT_USE_REST;
    return false;
}

bool CurlFtpConnection::OpenDownload(const QString &name, uint64_t offset, std::optional<uint64_t> length)
{
    Prepare(FileUrl(name));
    expectedSize_.reset();
    rangeLength_ = length;
    const bool lookedUp = lookedUp_ && lookedUp_->folder == folder_ && lookedUp_->name == name;
    if (lookedUp && !length)
        expectedSize_ = lookedUp_->size;
    startOffset_ = offset;
    if (length) {
        // libcurl reads a range "X-X" as "X-" (to the end of the file): a range of one byte asks
        // for two, and the reads leave the second out.
        const uint64_t last = offset + std::max<uint64_t>(*length, 2) - 1;
        const QByteArray range = QByteArray::number(qulonglong(offset)) + '-' + QByteArray::number(qulonglong(last));
        curl_easy_setopt(easy_, CURLOPT_RANGE, range.constData());
    } else if (offset > 0) {
        // libcurl sends REST only after its own SIZE, so the size is asked for again here.
        curl_easy_setopt(easy_, CURLOPT_RESUME_FROM_LARGE, curl_off_t(offset));
    } else if (lookedUp) {
        // The size is known from the look-up: libcurl need not ask for it again.
        curl_easy_setopt(easy_, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    }
    Attach();
    Drive([this] { return transferAccepted_ || !body_.empty(); });
    // On a fast link the transfer may already have ended, even failed, by now: the file was
    // opened all the same when the server accepted it or sent data, and reads report the rest.
    if ((done_ || abandoned_) && result_ != CURLE_OK && !transferAccepted_ && body_.empty()) {
        Detach();
        return false;
    }
    downloading_ = true;
    return true;
}

bool CurlFtpConnection::ReadDownload(char *buffer, uint32_t toRead, uint32_t *read)
{
    *read = 0;
    // A stop request ends the transfer also while the bytes come from what is buffered.
    if (!downloading_ || StopRequested())
        return false;
    if (bodyRead_ == body_.size()) {
        body_.clear();
        bodyRead_ = 0;
        Drive([this] { return !body_.empty(); });
    }
    if (bodyRead_ < body_.size()) {
        size_t count = std::min<size_t>(toRead, body_.size() - bodyRead_);
        if (rangeLength_)
            count = size_t(std::min<uint64_t>(count, *rangeLength_ - std::min(*rangeLength_, delivered_)));
        if (count == 0) {
            bodyRead_ = body_.size();  // beyond the range: left out
            return ReadDownload(buffer, toRead, read);
        }
        delivered_ += count;
        std::memcpy(buffer, body_.data() + bodyRead_, count);
        bodyRead_ += count;
        *read = uint32_t(count);
        return true;
    }
    if (rangeLength_)
        return done_ && result_ == CURLE_OK && delivered_ >= *rangeLength_;
    return done_ && result_ == CURLE_OK && (!expectedSize_ || startOffset_ + bodyTotal_ >= *expectedSize_);
}

void CurlFtpConnection::EndDownload()
{
    if (!downloading_)
        return;
    Detach();
    downloading_ = false;
}

void CurlFtpConnection::Prepare(const QByteArray &url)
{
    curl_easy_reset(easy_);
    errorText_[0] = '\0';
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorText_);
    curl_easy_setopt(easy_, CURLOPT_URL, url.constData());
    SetTlsOptions();
    curl_easy_setopt(easy_, CURLOPT_USERNAME, user_.constData());
    curl_easy_setopt(easy_, CURLOPT_PASSWORD, password_.constData());
    curl_easy_setopt(easy_, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    if (!passive_)
        curl_easy_setopt(easy_, CURLOPT_FTPPORT, "-");
    const long stallSeconds = FtpStallTimeoutSeconds();
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, long(FtpConnectTimeoutSeconds()));
    curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT, stallSeconds);
    curl_easy_setopt(easy_, CURLOPT_ACCEPTTIMEOUT_MS, stallSeconds * 1000);
    // A transfer that trickles (50 bytes a second, say) ends too, as one that stalls does.
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, long(FtpLowSpeedBytesPerSecond()));
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, long(FtpLowSpeedSeconds()));
    curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &CurlFtpConnection::OnProgress);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlFtpConnection::OnHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlFtpConnection::OnBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    featuresRequested_ = !connectionAlive_;
    if (featuresRequested_)
        curl_easy_setopt(easy_, CURLOPT_QUOTE, loginCommands_);
}

void CurlFtpConnection::SetTlsOptions()
{
    if (tls_.mode == TlsMode::Off) {
        curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "ftp");
        return;
    }
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, tls_.mode == TlsMode::Implicit ? "ftps" : "ftp");
    // Control and data connections encrypted, or the operation fails: never clear text.
    curl_easy_setopt(easy_, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    curl_easy_setopt(easy_, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
    curl_easy_setopt(easy_, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, 2L);
    // Data connections resume the control connection's TLS session, as vsftpd's
    // require_ssl_reuse demands.
    curl_easy_setopt(easy_, CURLOPT_SSL_SESSIONID_CACHE, 1L);
    if (!caFile_.isEmpty())
        curl_easy_setopt(easy_, CURLOPT_CAINFO, caFile_.constData());
    if (!pinnedKey_.isEmpty())
        curl_easy_setopt(easy_, CURLOPT_PINNEDPUBLICKEY, pinnedKey_.constData());
}

CURLcode CurlFtpConnection::Perform()
{
    Attach();
    Drive([] { return false; });
    Detach();
    return result_;
}

void CurlFtpConnection::Attach()
{
    replies_.clear();
    body_.clear();
    bodyRead_ = 0;
    bodyTotal_ = 0;
    delivered_ = 0;
    done_ = false;
    abandoned_ = false;
    result_ = CURLE_OK;
    transferAccepted_ = false;
    lastDownloaded_ = 0;
    curl_multi_add_handle(multi_, easy_);
    attached_ = true;
}

template <typename Ready> void CurlFtpConnection::Drive(Ready ready)
{
    lastDataAt_ = Clock::now();  // the stall limit counts only time spent waiting here
    while (!done_ && !abandoned_ && !ready()) {
        // Checked here too, not only in the progress call: libcurl may go round without
        // calling it (replies that arrive in one piece for several commands).
        const bool stalled = Clock::now() - lastDataAt_ > std::chrono::seconds(FtpStallTimeoutSeconds());
        if (stalled || StopRequested()) {
            abandoned_ = true;
            result_ = stalled ? CURLE_OPERATION_TIMEDOUT : CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int running = 0;
        curl_multi_perform(multi_, &running);
        int queued = 0;
        while (CURLMsg *message = curl_multi_info_read(multi_, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                done_ = true;
                result_ = message->data.result;
            }
        }
        if (done_ || ready())
            break;
        // Wait no longer than libcurl asks: after a passive-mode reply its next step (the
        // data connection) is due at once.
        long due = -1;
        curl_multi_timeout(multi_, &due);
        const long wait = due >= 0 && due < kPollMilliseconds
                              ? due
                              : (HasSocketToWaitOn() ? kPollMilliseconds : kNextStepMilliseconds);
        if (wait > 0)
            curl_multi_poll(multi_, nullptr, 0, int(wait), nullptr);
    }
}

bool CurlFtpConnection::HasSocketToWaitOn() const
{
    // Between the passive-mode reply and the connect of the data connection libcurl waits on no
    // socket and sets no timer, though its next step is due at once: a full poll would add
    // 20 ms to every file.
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    int highest = -1;
    return curl_multi_fdset(multi_, &readable, &writable, &failed, &highest) == CURLM_OK && highest >= 0;
}

void CurlFtpConnection::Detach()
{
    // Only a finished operation can leave its connection for the next one; libcurl closes
    // the connection of an operation removed before its end.
    curl_socket_t socket = CURL_SOCKET_BAD;
    connectionAlive_ = done_ && curl_easy_getinfo(easy_, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK
                       && socket != CURL_SOCKET_BAD;
    if (featuresRequested_ && connectionAlive_)
        ReadFeatures();
    featuresRequested_ = false;
    curl_multi_remove_handle(multi_, easy_);
    attached_ = false;
    abandoned_ = false;
    if (connectionAlive_ && result_ != CURLE_OK) {
        // A command that failed may have drawn more than one reply (pyftpdlib answers a line of
        // 10 000 bytes five times): one still on its way would pass for the answer to the next
        // command. The next operation logs in afresh.
        curl_multi_cleanup(multi_);
        multi_ = curl_multi_init();
        connectionAlive_ = false;
    }
}

void CurlFtpConnection::ReadFeatures()
{
    // The FEAT reply: "211-...", one feature a line set off by a space, "211 ...".
    hasMlst_ = false;
    hasSize_ = false;
    bool inFeatures = false;
    for (const QByteArray &line : std::as_const(replies_)) {
        if (line.startsWith("211-")) {
            inFeatures = true;
        } else if (line.startsWith("211 ")) {
            inFeatures = false;
        } else if (inFeatures && line.startsWith(' ')) {
            const QByteArray feature = line.trimmed().split(' ').first().toUpper();
            hasMlst_ = hasMlst_ || feature == "MLST";
            hasSize_ = hasSize_ || feature == "SIZE";
        }
    }
}

QByteArray CurlFtpConnection::FolderUrl(const QStringList &segments, bool absolute) const
{
    // With one CWD per operation, "%2F" in front makes the path absolute.
    QByteArray url = baseUrl_;
    if (absolute)
        url += "%2F";
    for (const QString &segment : segments)
        url += EscapeSegment(segment) + '/';
    return url;
}

QByteArray CurlFtpConnection::FileUrl(const QString &name) const
{
    return FolderUrl(folder_, folderAbsolute_) + EscapeSegment(name);
}

int CurlFtpConnection::OnProgress(void *self, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t)
{
    auto *connection = static_cast<CurlFtpConnection *>(self);
    const Clock::time_point now = Clock::now();
    if (downloaded != connection->lastDownloaded_) {
        connection->lastDownloaded_ = downloaded;
        connection->lastDataAt_ = now;
    } else if (now - connection->lastDataAt_ > std::chrono::seconds(FtpStallTimeoutSeconds())) {
        return 1;
    }
    ProcessMessages();
    return StopRequested() ? 1 : 0;
}

size_t CurlFtpConnection::OnHeader(char *data, size_t size, size_t count, void *self)
{
    auto *connection = static_cast<CurlFtpConnection *>(self);
    QByteArray line(data, qsizetype(size * count));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (connection->replies_.size() >= kMaxReplyLines)
        return 0;  // libcurl ends the operation with a write error
    if (line.size() >= 3 && line.at(0) == '1' && std::isdigit(uchar(line.at(1))) && std::isdigit(uchar(line.at(2))))
        connection->transferAccepted_ = true;
    connection->replies_.append(line);
    connection->lastDataAt_ = Clock::now();  // a reply is something received
    return size * count;
}

size_t CurlFtpConnection::OnBody(char *data, size_t size, size_t count, void *self)
{
    auto *connection = static_cast<CurlFtpConnection *>(self);
    if (connection->listing_ && connection->bodyTotal_ + size * count > uint64_t(FtpListingMaxBytes())) {
        connection->listingTooLarge_ = true;
        return 0;  // libcurl ends the listing with a write error
    }
    connection->body_.insert(connection->body_.end(), data, data + size * count);
    connection->bodyTotal_ += size * count;
    return size * count;
}

}  // namespace WinInet
