#pragma once
// The FTP client operations of the update server, under the names and with the results of the
// Windows internet library, built on libcurl. All calls block until done; while they wait they
// let the application process pending events (about every 20 ms), and a stop request
// (RequestStop) makes the operation in progress fail. A failed or stopped operation never
// leaves the connection unusable: the next operation on it connects and logs in again when
// needed.
//
// The layer lives in namespace WinInet: Windows' own headers declare some of its names
// (WIN32_FIND_DATAW, GetLastError), so a file that includes them (libcurl's header does on
// Windows) includes them first and keeps its own code inside the namespace. Those headers also
// define some of the constants below as macros of the same values: the constants replace them.
#include <QString>
#include <cstdint>

#undef GENERIC_READ
#undef FILE_ATTRIBUTE_DIRECTORY
#undef FILE_ATTRIBUTE_NORMAL
#undef ERROR_NO_MORE_FILES
#undef ERROR_NOT_ENOUGH_MEMORY

namespace WinInet {

class InternetHandle;                 // a session, a connection, a search or an open file
using HINTERNET = InternetHandle *;   // nullptr: nothing open

constexpr uint32_t INTERNET_OPEN_TYPE_PRECONFIG = 0;   // proxy from the environment
constexpr uint32_t INTERNET_FLAG_PASSIVE = 0x08000000;
constexpr uint32_t INTERNET_SERVICE_FTP = 1;
constexpr uint32_t GENERIC_READ = 0x80000000u;
constexpr uint32_t FTP_TRANSFER_TYPE_BINARY = 2;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

// Why FtpFindFirstFileW found nothing (GetLastError).
constexpr uint32_t ERROR_NO_MORE_FILES = 18;               // listed, and nothing matched
constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;            // the listing outgrew FtpListingMaxBytes
constexpr uint32_t ERROR_INTERNET_TIMEOUT = 12002;         // the listing outlasted FtpListingMaxSeconds
constexpr uint32_t ERROR_INTERNET_EXTENDED_ERROR = 12003;  // the server refused, or the connection failed

// One entry of a server listing.
struct WIN32_FIND_DATAW {
    uint32_t dwFileAttributes = 0;  // FILE_ATTRIBUTE_DIRECTORY for a folder, else FILE_ATTRIBUTE_NORMAL
    uint64_t nFileSize = 0;         // size in bytes as the server reports it (0 if it reports none)
    QString cFileName;              // the name, without any folder part
};

// Opens an internet session. Returns its handle, or nullptr when libcurl cannot be started.
HINTERNET InternetOpenW(const QString &agent, uint32_t accessType, const QString &proxy,
                        const QString &bypass, uint32_t flags);

// Connects to an FTP server and logs in (the connection attempt gives up after
// FtpConnectTimeoutSeconds). INTERNET_FLAG_PASSIVE in flags selects passive transfers,
// otherwise active ones. The TLS settings of the update server (UpdateServerTls) apply.
// Returns the connection handle, or nullptr for any failure (no session, unreachable server,
// failed TLS step, refused login); LastConnectFailure then tells a TLS reason.
HINTERNET InternetConnectW(HINTERNET hNet, const QString &server, uint16_t port,
                           const QString &user, const QString &password, uint32_t service,
                           uint32_t flags, uintptr_t context);

// Makes folder (absolute with a leading "/", else relative to the current folder) the current
// folder of the connection. Returns true when the server entered it; on false the current
// folder stays as it was.
bool FtpSetCurrentDirectoryW(HINTERNET hFTP, const QString &folder);

// A pattern with "*" or "?" ("*.*" for all) lists the current folder and keeps the matching
// entries; a plain name looks that one entry up over the control connection (MLST or SIZE;
// a listing only when the server offers neither). Returns a search handle and stores the first
// entry in *found, or nullptr when nothing was found or the listing failed. Names that cannot
// be a plain file name ("." , "..", with "/", "\" or control characters) are never returned.
// When it returns nullptr, GetLastError() tells why (one of the ERROR_ values above).
HINTERNET FtpFindFirstFileW(HINTERNET hFTP, const QString &pattern, WIN32_FIND_DATAW *found,
                            uint32_t flags, uintptr_t context);

// The reason the last FtpFindFirstFileW of this thread found nothing.
uint32_t GetLastError();

// Stores the next entry of a search in *found and returns true; false at the end.
bool InternetFindNextFileW(HINTERNET hFind, WIN32_FIND_DATAW *found);

// Starts reading the file name of the current folder in binary mode. Returns the file handle
// once the server has accepted the transfer, or nullptr (no such file, refused, access other
// than GENERIC_READ, another search or file of the connection still open).
HINTERNET FtpOpenFileW(HINTERNET hFTP, const QString &name, uint32_t access, uint32_t flags,
                       uintptr_t context);

// Makes the next FtpOpenFileW of the connection start at byte offset of the server file (FTP
// REST), or at the first byte for 0. Returns false for a handle that is not a connection.
bool FtpSetRestartOffset(HINTERNET hFTP, uint64_t offset);

// Makes the next FtpOpenFileW of the connection read only length bytes (above 0) of the server
// file from byte offset on (REST, then RETR ended at the range's end). That open fails, rather
// than start elsewhere, when the server refuses REST (FtpRestartRefused tells). Returns false
// for a handle that is not a connection.
bool FtpSetRange(HINTERNET hFTP, uint64_t offset, uint64_t length);

// True once the server of the connection has refused REST.
bool FtpRestartRefused(HINTERNET hFTP);

// Tells the connection that name in its current folder has size bytes (known from a signed
// list), so that the next FtpOpenFileW of it sends no look-up of its own. Returns false for a
// handle that is not a connection.
bool FtpSetKnownSize(HINTERNET hFTP, const QString &name, uint64_t size);

// Where the data of an open server file begin: the restart offset asked for, or 0 when the
// server could not continue there and sends the file from its first byte.
uint64_t FtpFileStartOffset(HINTERNET hFile);

// Reads up to toRead bytes into buffer and stores their number in *read. Returns true with
// *read > 0 for data, true with *read == 0 once the whole file has arrived and the server has
// confirmed the transfer, and false when the transfer failed (connection dropped, server
// error, stalled for FtpStallTimeoutSeconds, stop requested).
bool InternetReadFile(HINTERNET hFile, void *buffer, uint32_t toRead, uint32_t *read);

// Closes any handle and frees it; a file still being transferred is aborted. Each handle is
// closed on its own: after its connection was closed, a file handle only fails its reads and
// still has to be closed. nullptr is ignored. Returns true.
bool InternetCloseHandle(HINTERNET h);

}  // namespace WinInet

using namespace WinInet;
