// Stage 2's use of the program folder's pack: the archives of a signed release are cut from
// ranges of ornupdate.pack (net/PackRangeDownload.h), then checked and installed as any other.
#include "net/PackRangeDownload.h"
#include "release/ReleasePack.h"
#include "stages/UpdateEngine.h"

void TUpdateEngine::TakePackPlace(TransferJob &job, int listed) const
{
    if (!programManifest || !programManifest->Signed || programManifest->PackOffsets.isEmpty())
        return;
    job.packOffset = uint64_t(programManifest->PackOffsets.at(listed));
    job.sha256 = programManifest->Entries.at(listed).Sha256;
}

std::optional<PackFile> TUpdateEngine::ProgramPack() const
{
    if (!programManifest || !programManifest->Signed || programManifest->PackOffsets.isEmpty())
        return std::nullopt;
    return PackFile{netdir, kPackName};
}
