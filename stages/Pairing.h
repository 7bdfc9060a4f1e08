#pragma once
// Pairing of the decoded server listing with the local listing: match keys, the calendar-day
// comparison, and the work list of new and changed files.
#include "net/DataSearch.h"
#include "stages/DataFind.h"

#include <QString>
#include <QVector>
#include <cstdint>

// The folders the keys and relative paths are taken against.
struct TPairingFolders {
    QString netdir;          // server program folder as configured (normally ends in "/")
    QString softdir;         // installation folder, ending in "/"
    int32_t WorkDirLength;   // length of the current working folder (without trailing "/")
};

// Why a server entry was left out of the pairing.
enum class TSkipReason {
    NotDecodable,  // the archive name does not follow the scheme (empty Comment after decoding)
    UnsafeName,    // a name or folder that would not stay inside the installation folder
    StateFile,     // it would land on one of the updater's own files (InstallationStateFiles.h)
};

struct TSkippedEntry {
    int32_t IdFTP;
    TSkipReason Reason;
};

// The result of a pairing. Work is in server listing order; an entry is new exactly when its
// IdDir is -1, changed otherwise. The manifest, the patch list and their signatures at the top
// of netdir, and the patches, are neither paired nor skipped.
struct TPairing {
    TDataFindList Work;
    int32_t NewCount = 0;
    int32_t ChangedCount = 0;
    QVector<TSkippedEntry> Skipped;  // in server listing order
};

// Server key: Path ASCII-lowered, cut from the 1-based position Length(netdir) for at most
// 1024 characters, through AlphaNumFromStr, then Comment appended, all ASCII-lowered.
QString ServerMatchKey(const TDataSearch &Entry, const QString &netdir);

// Local key: Path ASCII-lowered, cut from position WorkDirLength + 1 for at most 255
// characters, through AlphaNumFromStr, then FileName appended, all ASCII-lowered.
QString LocalMatchKey(const TDataSearch &Entry, int32_t WorkDirLength);

// True when the calendar day (integer part) of ServerDateTime is later than that of LocalDateTime.
bool IsLaterDay(double ServerDateTime, double LocalDateTime);

// Path with everything up to and including the first occurrence of Base removed (the whole Path
// when Base does not occur), and its last character dropped. PathFTP is taken against netdir,
// PathDir of a changed file against softdir.
QString RelativeFolder(const QString &Path, const QString &Base);

// True when the entry is new on the server (no local counterpart).
inline bool IsNewFile(const TDataFind &Entry) { return Entry.IdDir < 0; }

// The reference pairing: for each usable server entry, the local entries are walked in listing
// order with their keys rebuilt at each step, and the first equal key wins. Cost grows with the
// product of the two listings' sizes.
TPairing PairListingsNested(const QVector<TDataSearch> &Server, const QVector<TDataSearch> &Local,
                            const TPairingFolders &Folders);

// The same work list, counts and skipped entries as PairListingsNested, from one hash of the
// local keys (first entry in listing order kept), in time linear in the listings' sizes.
TPairing PairListings(const QVector<TDataSearch> &Server, const QVector<TDataSearch> &Local,
                      const TPairingFolders &Folders);
