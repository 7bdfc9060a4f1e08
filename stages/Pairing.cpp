#include "stages/Pairing.h"

#include "base/LibStr.h"
#include "release/InstallationStateFiles.h"
#include "release/Manifest.h"
#include "release/PatchList.h"
#include "base/SafePaths.h"

#include <QHash>
#include <cmath>

namespace {

constexpr int32_t kServerKeyLength = 1024;
constexpr int32_t kLocalKeyLength = 255;

// True for the manifest, the patch list and their signatures at the top of the server folder,
// and for the patches anywhere in it: the publication's own files, not archives.
bool IsPublicationFile(const TDataSearch &Entry, const QString &netdir)
{
    const QString &name = Entry.FileName;
    return IsPatchPath(name)
           || (Entry.Path == netdir
               && (name == kManifestName || name == kManifestSignatureName || name == kPatchListName
                   || name == kPatchListSignatureName));
}

// Walks the server listing, asks FindLocal for each usable entry's counterpart (-1 for none),
// and builds the work list from the answers.
template <typename FindLocal>
TPairing Pair(const QVector<TDataSearch> &Server, const QVector<TDataSearch> &Local,
              const TPairingFolders &Folders, FindLocal findLocal)
{
    TPairing pairing;
    for (int32_t i = 0; i < int32_t(Server.size()); ++i) {
        const TDataSearch &server = Server.at(i);
        if (server.Comment.isEmpty()) {
            if (!IsPublicationFile(server, Folders.netdir))
                pairing.Skipped.append({i, TSkipReason::NotDecodable});
            continue;
        }
        const QString pathFtp = RelativeFolder(server.Path, Folders.netdir);
        if (!IsSafeRelativeFolder(pathFtp) || !IsSafeFileName(server.Comment)
            || !IsSafeFileName(server.FileName)) {
            pairing.Skipped.append({i, TSkipReason::UnsafeName});
            continue;
        }
        const int32_t j = findLocal(ServerMatchKey(server, Folders.netdir));
        TDataFind entry;
        entry.IdFTP = i;
        entry.IdDir = j;
        entry.PathFTP = pathFtp;
        entry.DateTimeFtp = server.DateTime;
        if (j < 0) {
            entry.PathDir = pathFtp;
        } else {
            const TDataSearch &local = Local.at(j);
            if (!IsLaterDay(server.DateTime, local.DateTime))
                continue;
            entry.PathDir = RelativeFolder(local.Path, Folders.softdir);
            if (!IsSafeRelativeFolder(entry.PathDir)) {
                pairing.Skipped.append({i, TSkipReason::UnsafeName});
                continue;
            }
            entry.DateTimeDir = local.DateTime;
        }
        // Whatever the server lists, the installation's own state stays its own.
        if (entry.PathDir.split(QLatin1Char('/'), Qt::SkipEmptyParts).isEmpty() && IsInstallationStateFile(server.Comment)) {
            pairing.Skipped.append({i, TSkipReason::StateFile});
            continue;
        }
        ++(j < 0 ? pairing.NewCount : pairing.ChangedCount);
        pairing.Work.append(entry);
    }
    return pairing;
}

}  // namespace

QString ServerMatchKey(const TDataSearch &Entry, const QString &netdir)
{
    const QString folders = CopyStr(AsciiLower(Entry.Path), int32_t(netdir.size()), kServerKeyLength);
    return AsciiLower(AlphaNumFromStr(folders) + Entry.Comment);
}

QString LocalMatchKey(const TDataSearch &Entry, int32_t WorkDirLength)
{
    const QString folders = CopyStr(AsciiLower(Entry.Path), WorkDirLength + 1, kLocalKeyLength);
    return AsciiLower(AlphaNumFromStr(folders) + Entry.FileName);
}

bool IsLaterDay(double ServerDateTime, double LocalDateTime)
{
    return std::trunc(ServerDateTime) > std::trunc(LocalDateTime);
}

QString RelativeFolder(const QString &Path, const QString &Base)
{
    const qsizetype at = Path.indexOf(Base);
    const QString rest = at < 0 ? Path : Path.mid(at + Base.size());
    return rest.left(rest.size() - 1);
}

TPairing PairListingsNested(const QVector<TDataSearch> &Server, const QVector<TDataSearch> &Local,
                            const TPairingFolders &Folders)
{
    return Pair(Server, Local, Folders, [&](const QString &serverKey) {
        for (int32_t j = 0; j < int32_t(Local.size()); ++j) {
            if (LocalMatchKey(Local.at(j), Folders.WorkDirLength) == serverKey)
                return j;
        }
        return int32_t(-1);
    });
}

TPairing PairListings(const QVector<TDataSearch> &Server, const QVector<TDataSearch> &Local,
                      const TPairingFolders &Folders)
{
    QHash<QString, int32_t> firstLocal;
    firstLocal.reserve(Local.size());
    // Filled from the end, so the first entry in listing order is the one that stays.
    for (int32_t j = int32_t(Local.size()) - 1; j >= 0; --j)
        firstLocal.insert(LocalMatchKey(Local.at(j), Folders.WorkDirLength), j);
    return Pair(Server, Local, Folders, [&](const QString &serverKey) {
        return firstLocal.value(serverKey, -1);
    });
}
