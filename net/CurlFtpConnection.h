#pragma once
// One FTP connection of the client, driven through libcurl. A single easy handle, reset before
// each operation, keeps one logged-in control connection; it runs inside its own multi handle
// so that every wait goes through the progress callback (event pump, stop requests, stall
// limit) and is bounded by the stall limit and a stop request on its own. An operation that
// failed, or was given up, is followed by a fresh connect and login at the next operation, so
// that no late reply to a failed command passes for the answer to the next one. With TLS on, the control and every data
// connection are encrypted and the server's certificate and name are verified; nothing ever
// goes out in clear text.
// libcurl's header first: on Windows it brings in the system's headers, which must come before
// the WinInet layer's names.
#include <curl/curl.h>

#include "net/ServerSettings.h"
#include "net/WinInet.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QVector>
#include <chrono>
#include <optional>
#include <vector>

namespace WinInet {

class CurlFtpConnection {
public:
    // Prepares a connection; nothing is sent before LogIn.
    CurlFtpConnection(const QString &server, uint16_t port, const QString &user,
                      const QString &password, bool passive, const TlsSettings &tls);
    ~CurlFtpConnection();
    CurlFtpConnection(const CurlFtpConnection &) = delete;
    CurlFtpConnection &operator=(const CurlFtpConnection &) = delete;

    // Connects and logs in. Returns false when the server cannot be reached, the TLS step fails
    // or the server refuses the login; records the TLS reason (RecordConnectFailure) either way.
    bool LogIn();

    // Enters folder ("/..." absolute, else relative to the current folder). Returns false when
    // the server refused it; the current folder then stays as it was.
    bool ChangeFolder(const QString &folder);

    // Lists the current folder (MLSD where the server offers it, else LIST) into *entries.
    // Returns false when the listing failed, and then stores in *error (when given)
    // ERROR_NOT_ENOUGH_MEMORY when it outgrew FtpListingMaxBytes, ERROR_INTERNET_TIMEOUT when it
    // outlasted FtpListingMaxSeconds, else ERROR_INTERNET_EXTENDED_ERROR.
    bool ListFolder(QVector<WIN32_FIND_DATAW> *entries, uint32_t *error = nullptr);

    // Looks one name of the current folder up. Returns false when there is no such entry.
    bool LookUp(const QString &name, WIN32_FIND_DATAW *entry);
    // Takes size as what a look-up of name in the current folder would have found (a signed
    // list's size): the next download of it asks the server for no size and must bring that many bytes.
    void KnowSize(const QString &name, uint64_t size);

    // Starts the binary download of name from the current folder, from byte offset on (REST)
    // when offset is above 0 and the server takes it, else from the first byte. Returns true
    // once the server has accepted it (or already sent it all), false when it refused it or
    // nothing can start because a download is open.
    bool StartDownload(const QString &name, uint64_t offset = 0);

    // Starts the binary download of length bytes of name from byte offset on (REST, then RETR,
    // the transfer ended at the range's end; libcurl then closes the control connection and the
    // next operation logs in afresh). Returns false when the server refused it, or when offset
    // is above 0 and the server has refused REST (RestartRefused); a range is never widened.
    bool StartRangeDownload(const QString &name, uint64_t offset, uint64_t length);

    // True once the server has refused REST on this connection.
    bool RestartRefused() const { return restRefused_; }

    // Where the data of the open download begin in the server file: the offset it was started
    // from, or 0 when the server refused to continue there.
    uint64_t DownloadOffset() const { return startOffset_; }

    // Reads the next bytes of the open download; results as for InternetReadFile.
    bool ReadDownload(char *buffer, uint32_t toRead, uint32_t *read);

    // Ends the open download, aborting it (and closing the control connection) if unfinished.
    void EndDownload();

private:
    using Clock = std::chrono::steady_clock;

    bool FindEntry(const QString &name, WIN32_FIND_DATAW *entry);
    // One attempt of StartDownload from offset; on false result_ tells why.
    bool OpenDownload(const QString &name, uint64_t offset, std::optional<uint64_t> length = std::nullopt);
    void Prepare(const QByteArray &url);
    void SetTlsOptions();
    CURLcode Perform();
    void Attach();
    template <typename Ready> void Drive(Ready ready);
    void Detach();
    // True when libcurl has a socket to wait on; false when its next step is due at once.
    bool HasSocketToWaitOn() const;
    void ReadFeatures();
    QByteArray FolderUrl(const QStringList &segments, bool absolute) const;
    QByteArray FileUrl(const QString &name) const;

    static int OnProgress(void *self, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t);
    static size_t OnHeader(char *data, size_t size, size_t count, void *self);
    static size_t OnBody(char *data, size_t size, size_t count, void *self);

    CURLM *multi_ = nullptr;
    CURL *easy_ = nullptr;
    curl_slist *loginCommands_ = nullptr;  // sent after each fresh login
    QByteArray baseUrl_;
    QByteArray user_;
    QByteArray password_;
    bool passive_ = true;
    TlsSettings tls_;
    QByteArray caFile_;
    QByteArray pinnedKey_;

    QStringList folder_;       // current folder, segment by segment
    bool folderAbsolute_ = false;  // from the root, else from the login folder

    bool connectionAlive_ = false;  // a logged-in control connection is kept by libcurl
    bool featuresRequested_ = false;
    bool hasMlst_ = false;
    bool hasSize_ = false;
    bool restRefused_ = false;  // the server refused REST once: downloads start at byte 0

    // State of the operation in progress.
    bool attached_ = false;
    bool done_ = false;
    bool abandoned_ = false;  // given up before libcurl ended it (stalled, stopped): the
                              // connection goes when the operation is removed
    CURLcode result_ = CURLE_OK;
    bool transferAccepted_ = false;  // the server answered the transfer command with 1xx
    bool downloading_ = false;
    bool listing_ = false;          // a folder listing is in progress: its size is bounded
    bool listingTooLarge_ = false;  // ...and it went beyond FtpListingMaxBytes
    QList<QByteArray> replies_;
    std::vector<char> body_;
    size_t bodyRead_ = 0;
    uint64_t bodyTotal_ = 0;  // bytes received by the operation in progress
    uint64_t startOffset_ = 0;  // where the open download's data begin in the server file
    std::optional<uint64_t> rangeLength_;  // the open download is a range of that many bytes
    uint64_t delivered_ = 0;  // bytes of the open download handed out by ReadDownload

    // The last name looked up, and its size: a download of it right after needs no SIZE of its
    // own, and is complete only when at least that many bytes arrived.
    struct LookedUpFile {
        QStringList folder;
        QString name;
        uint64_t size = 0;
    };
    std::optional<LookedUpFile> lookedUp_;
    std::optional<uint64_t> expectedSize_;
    curl_off_t lastDownloaded_ = 0;
    char errorText_[CURL_ERROR_SIZE] = {};  // libcurl's words on the last failure
    Clock::time_point lastDataAt_;
};

}  // namespace WinInet
