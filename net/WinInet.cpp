// The connection's header, with libcurl's, before the layer's own (see WinInet.h).
#include "net/CurlFtpConnection.h"
#include "net/WinInet.h"

#include "base/FileMask.h"
#include "net/ServerSettings.h"

#include <QVector>
#include <algorithm>
#include <optional>
#include <utility>

namespace WinInet {

class InternetHandle {
public:
    virtual ~InternetHandle() = default;
};

namespace {

class SessionHandle final : public InternetHandle {};

class FileHandle;

class ConnectionHandle final : public InternetHandle {
public:
    ConnectionHandle(const QString &server, uint16_t port, const QString &user,
                     const QString &password, bool passive)
        : ftp(server, port, user, password, passive, UpdateServerTls()) {}
    ~ConnectionHandle() override;

    CurlFtpConnection ftp;
    FileHandle *openFile = nullptr;
    uint64_t restartOffset = 0;  // for the next file opened, then back to 0
    std::optional<uint64_t> rangeLength;  // the next file opened is read for that many bytes only
};

class SearchHandle final : public InternetHandle {
public:
    explicit SearchHandle(QVector<WIN32_FIND_DATAW> found) : entries(std::move(found)) {}

    QVector<WIN32_FIND_DATAW> entries;
    qsizetype next = 1;  // the first entry went out with FtpFindFirstFileW
};

class FileHandle final : public InternetHandle {
public:
    explicit FileHandle(ConnectionHandle *owner) : connection(owner) { connection->openFile = this; }
    ~FileHandle() override
    {
        if (connection) {
            connection->ftp.EndDownload();
            connection->openFile = nullptr;
        }
    }

    ConnectionHandle *connection;  // nullptr once the connection was closed first
};

ConnectionHandle::~ConnectionHandle()
{
    if (openFile)
        openFile->connection = nullptr;
}

thread_local uint32_t lastError = 0;

bool CurlStarted()
{
    static const bool started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return started;
}

}  // namespace

HINTERNET InternetOpenW(const QString &, uint32_t, const QString &, const QString &, uint32_t)
{
    // FTP carries no agent name; the proxy comes from the environment, as libcurl reads it.
    return CurlStarted() ? new SessionHandle : nullptr;
}

HINTERNET InternetConnectW(HINTERNET hNet, const QString &server, uint16_t port,
                           const QString &user, const QString &password, uint32_t service,
                           uint32_t flags, uintptr_t)
{
    if (!dynamic_cast<SessionHandle *>(hNet) || service != INTERNET_SERVICE_FTP)
        return nullptr;
    auto *connection = new ConnectionHandle(server, port, user, password,
                                            (flags & INTERNET_FLAG_PASSIVE) != 0);
    if (!connection->ftp.LogIn()) {
        delete connection;
        return nullptr;
    }
    return connection;
}

bool FtpSetCurrentDirectoryW(HINTERNET hFTP, const QString &folder)
{
    auto *connection = dynamic_cast<ConnectionHandle *>(hFTP);
    return connection && connection->ftp.ChangeFolder(folder);
}

HINTERNET FtpFindFirstFileW(HINTERNET hFTP, const QString &pattern, WIN32_FIND_DATAW *found,
                            uint32_t, uintptr_t)
{
    lastError = ERROR_INTERNET_EXTENDED_ERROR;
    auto *connection = dynamic_cast<ConnectionHandle *>(hFTP);
    if (!connection || !found)
        return nullptr;
    QVector<WIN32_FIND_DATAW> entries;
    if (pattern.isEmpty() || pattern.contains(u'*') || pattern.contains(u'?')) {
        if (!connection->ftp.ListFolder(&entries, &lastError))
            return nullptr;
        const QString mask = pattern.isEmpty() ? QStringLiteral("*") : pattern;
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const WIN32_FIND_DATAW &entry) {
                                         return !FileMaskMatches(entry.cFileName, mask);
                                     }),
                      entries.end());
    } else {
        WIN32_FIND_DATAW entry;
        if (connection->ftp.LookUp(pattern, &entry))
            entries.append(entry);
    }
    lastError = ERROR_NO_MORE_FILES;
    if (entries.isEmpty())
        return nullptr;
    *found = entries.first();
    return new SearchHandle(std::move(entries));
}

uint32_t GetLastError()
{
    return lastError;
}

bool InternetFindNextFileW(HINTERNET hFind, WIN32_FIND_DATAW *found)
{
    auto *search = dynamic_cast<SearchHandle *>(hFind);
    if (!search || !found || search->next >= search->entries.size())
        return false;
    *found = search->entries.at(search->next++);
    return true;
}

HINTERNET FtpOpenFileW(HINTERNET hFTP, const QString &name, uint32_t access, uint32_t, uintptr_t)
{
    auto *connection = dynamic_cast<ConnectionHandle *>(hFTP);
    if (!connection || connection->openFile || !(access & GENERIC_READ))
        return nullptr;
    const uint64_t offset = std::exchange(connection->restartOffset, 0);
    const std::optional<uint64_t> length = std::exchange(connection->rangeLength, std::nullopt);
    if (!(length ? connection->ftp.StartRangeDownload(name, offset, *length) : connection->ftp.StartDownload(name, offset)))
        return nullptr;
    return new FileHandle(connection);
}

bool FtpSetRestartOffset(HINTERNET hFTP, uint64_t offset)
{
    auto *connection = dynamic_cast<ConnectionHandle *>(hFTP);
    if (!connection)
        return false;
    connection->restartOffset = offset;
    return true;
}

bool FtpSetRange(HINTERNET hFTP, uint64_t offset, uint64_t length)
{
    auto *connection = dynamic_cast<ConnectionHandle *>(hFTP);
    if (!connection)
        return false;
    connection->restartOffset = offset;
    connection->rangeLength = length;
    return true;
}

bool FtpRestartRefused(HINTERNET hFTP)
{
    auto *connection = dynamic_cast<ConnectionHandle *>(hFTP);
    return connection && connection->ftp.RestartRefused();
}

bool FtpSetKnownSize(HINTERNET hFTP, const QString &name, uint64_t size)
{
    auto *connection = dynamic_cast<ConnectionHandle *>(hFTP);
    if (!connection)
        return false;
    connection->ftp.KnowSize(name, size);
    return true;
}

uint64_t FtpFileStartOffset(HINTERNET hFile)
{
    auto *file = dynamic_cast<FileHandle *>(hFile);
    return file && file->connection ? file->connection->ftp.DownloadOffset() : 0;
}

bool InternetReadFile(HINTERNET hFile, void *buffer, uint32_t toRead, uint32_t *read)
{
    auto *file = dynamic_cast<FileHandle *>(hFile);
    if (!read)
        return false;
    *read = 0;
    return file && file->connection && buffer
           && file->connection->ftp.ReadDownload(static_cast<char *>(buffer), toRead, read);
}

bool InternetCloseHandle(HINTERNET h)
{
    delete h;
    return true;
}

}  // namespace WinInet
