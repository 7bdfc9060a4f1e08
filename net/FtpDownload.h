#pragma once
// The download of one server file into a local file, with progress reports; and the texts and
// percentages that the progress display shows.
#include "net/WinInet.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// Called after each read of the transfer (blocks of up to 4096 bytes, and the final empty
// read): bytes received so far and the size the file must have (low 32 bits of both).
using DownloadProgress = std::function<void(uint32_t received, uint32_t size)>;

// Fetches serverFolder/serverName over hFTP into localFile. The file must have expectedSize
// bytes when one is given, else the size the server lists for it. Returns 5 when exactly that
// many bytes arrived and replaced localFile; -1 when the folder cannot be entered, -2 when it
// holds no file of that name, -3 when the server file cannot be opened, -4 when localFile cannot
// be created, -5 when the transfer ended early (dropped, failed, stalled, stopped, or fewer bytes
// than the size) or was cut as soon as it went beyond the size (nothing beyond it is written).
// The data go to a partial file beside localFile (PartialDownload.h) that replaces it only when
// complete, so on every failure localFile is as it was. A transfer that ended early keeps the
// partial file, unless a stop was requested, and the next download of the same file at the same
// size continues it (REST) where the server can, else starts from the first byte; every other
// failure, a cut included, removes it.
// hFile is null on entry and on return, and holds the server file during the transfer.
// Throws RaisedError with the system's text when writing the local file fails (disk full),
// and whatever progress throws (RunStopped); the server file is closed in both cases.
int FtpDownloadFile(HINTERNET hFTP, HINTERNET &hFile, const QString &serverFolder,
                    const QString &serverName, const QString &localFile,
                    const DownloadProgress &progress,
                    std::optional<uint64_t> expectedSize = std::nullopt);

// received * 100 / size rounded to the nearest whole number (halves to even), kept within
// 0..100; 100 for a size of 0.
int ProgressPercent(uint32_t received, uint32_t size);

// n / 1 000 000 with two decimals and " Mb" from 1 000 000 on, n / 1000 and " Kb" from 1000
// on, else n and " bytes". The decimal separator is that of the default locale (QLocale()).
QString SizeToText(int32_t n);
