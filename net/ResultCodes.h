#pragma once
// Result codes of the server operations and of the stages. A value above 0 means success.

namespace ResultCode {

// ConnectFTP / OpenFTP
constexpr int Connected = 2;
constexpr int SessionFailed = -1;     // the internet session could not be opened
constexpr int ConnectFailed = -2;     // connecting or logging in failed

// FindFilesFTP / BeginScanFTP
constexpr int FolderListed = 2;
constexpr int NoHandle = 0;           // BeginScanFTP without a connection
constexpr int FolderNotEntered = -1;  // the folder could not be made the current folder
constexpr int ListingFailed = -2;     // the listing failed or returned no entry, or a folder
                                      // below failed (FindFilesFTP)

// DownloadFileFTP
constexpr int Downloaded = 5;
constexpr int DownloadFolderMissing = -1;
constexpr int DownloadFileMissing = -2;
constexpr int DownloadOpenFailed = -3;
constexpr int DownloadLocalFailed = -4;
constexpr int DownloadIncomplete = -5;  // the transfer ended before the whole file arrived,
                                        // or was cut when it went beyond the file's size
constexpr int DownloadRejected = -6;   // the file arrived but is not the one its signed manifest lists; removed

// Stages: the fixed code each returns when it ran to its end.
constexpr int CheckChangeDone = 4;
constexpr int DownloadChangeDone = 3;
constexpr int CheckChangeDbDone = 5;
// ...and what a stage returns that could not do its work (a refused manifest, a script list that
// cannot be read).
constexpr int StageFailed = 0;

}  // namespace ResultCode
