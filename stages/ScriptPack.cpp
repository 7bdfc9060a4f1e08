// Stage 3's use of the script folder's pack: the scripts to fetch are cut from ranges of its
// ornupdate.pack into temporary files beside the installation's scripts; the fetch loop then
// takes each from there instead of downloading it, and downloads what the pack did not bring.
#include "install/ScriptList.h"
#include "net/PackRangeDownload.h"
#include "net/ScanDir.h"
#include "release/ReleasePack.h"
#include "base/SafePaths.h"
#include "stages/ScriptFetch.h"
#include "stages/StageScope.h"
#include "stages/UpdateEngine.h"

QHash<QString, QString> TUpdateEngine::FetchScriptsFromPack(StageConnection &connection,
                                                            const TManifestListing &manifest)
{
    QHash<QString, QString> fromPack;
    if (!manifest.Signed || manifest.PackOffsets.isEmpty())
        return fromPack;
    const QVector<TDataSearch> &server = ScanDir1->MyDataSearch;
    QVector<TransferJob> jobs;
    for (const TDataFind &entry : std::as_const(MyDataFind)) {
        const TDataSearch &script = server.at(entry.IdFTP);
        if (entry.inst == 0 || !IsScriptName(script.FileName) || !IsSafeFileName(script.FileName))
            continue;
        const TManifestEntry &listed = manifest.Entries.at(entry.IdFTP);
        TransferJob job{netDbdir, script.FileName, softdir + kScriptTempPrefix + QStringLiteral("pack.") + script.FileName,
                        uint64_t(listed.Size)};
        job.packOffset = uint64_t(manifest.PackOffsets.at(entry.IdFTP));
        job.sha256 = listed.Sha256;
        jobs.append(job);
    }
    const PackFile pack{netDbdir, kPackName};
    for (const PackRange &range : PlanFtpPackRanges(jobs, 0, int(jobs.size()))) {
        try {
            const PackRangeResult result = FtpDownloadPackRange(connection.hFTP, pack, range, jobs, nullptr);
            for (const int index : result.whole)
                fromPack.insert(jobs.at(index).serverName, jobs.at(index).localFile);
            if (!result.failure.isEmpty())
                LogRangeFailure(pack, RangeFailureText(range, result));
            if (!result.opened)
                break;  // no pack there, or no REST: the scripts are downloaded one by one
        } catch (...) {
            break;  // what went wrong (a full disk) is met again, and reported, by the script's own download
        }
    }
    return fromPack;
}
