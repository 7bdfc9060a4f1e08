// Stage 2's use of the program folder's pack: the archives of a signed release, and the patches
// its patch list places in the pack, are cut from ranges of ornupdate.pack
// (net/PackRangeDownload.h), then checked and installed as any other.
#include "net/EventPump.h"
#include "net/MirrorFetch.h"
#include "net/MirrorSettings.h"
#include "net/PackRangeDownload.h"
#include "net/ServerSettings.h"
#include "release/ReleasePack.h"
#include "stages/UpdateEngine.h"

void TUpdateEngine::TakePackPlace(TransferJob &job, int listed) const
{
    if (!programManifest || !programManifest->Signed || programManifest->PackOffsets.isEmpty())
        return;
    job.packOffset = uint64_t(programManifest->PackOffsets.at(listed));
    job.sha256 = programManifest->Entries.at(listed).Sha256;
}

void TUpdateEngine::TakePatchPackPlace(TransferJob &job, const TPatchChoice &patches, const TPatchEntry &patch) const
{
    const std::optional<qint64> offset = patches.PackOffsetOf(patch);
    if (!offset || !ProgramPack())
        return;
    job.packOffset = uint64_t(*offset);
    job.sha256 = patch.Patch.Sha256;
}

std::optional<PackFile> TUpdateEngine::ProgramPack() const
{
    if (!programManifest || !programManifest->Signed || programManifest->PackOffsets.isEmpty())
        return std::nullopt;
    return PackFile{netdir, kPackName};
}

void TUpdateEngine::FetchFromMirrors(QVector<TransferJob> &jobs)
{
    if (!ProgramPack())
        return;
    for (const QString &mirror : MirrorsToTry(programManifest->Mirrors)) {
        const QVector<PackRange> ranges = PlanPackRanges(jobs, 0, int(jobs.size()));
        if (ranges.isEmpty())
            break;
        const MirrorFetchResult result =
            FetchFromMirror(MirrorPackUrl(mirror, netdir, kPackName), ranges, jobs, UpdateServerTls().caFile);
        for (const int index : result.whole)
            jobs[index].fetched = true;
        CheckStop();
        if (!result.failure.isEmpty())
            AddLog(lStr(QStringLiteral("…Зеркало отдало не все файлы, они берутся из следующего источника… - ")) + mirror
                   + QStringLiteral(" (") + result.failure + QLatin1Char(')'));
    }
}

void TUpdateEngine::LogRangeFailure(const PackFile &pack, const QString &failure)
{
    AddLog(lStr(QStringLiteral("    …Пакет отдал не все файлы, они загружаются по одному… - ")) + pack.serverFolder + pack.name
           + QStringLiteral(" (") + failure + QLatin1Char(')'));
}
