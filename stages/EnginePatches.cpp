// The program folder's patch list, read by stage 2 when its signed manifest was accepted.
#include "net/PackRangeDownload.h"
#include "release/PatchListTrust.h"
#include "release/ReleaseKeys.h"
#include "release/ReleasePack.h"
#include "stages/ManifestFetch.h"
#include "stages/StageScope.h"
#include "stages/UpdateEngine.h"

#include <algorithm>

std::optional<TPatchChoice> TUpdateEngine::TakePatchList(StageConnection &connection)
{
    const TServerFile list = ReadServerFile(connection.hFTP, connection.hFile, netdir, kPatchListName, kManifestMaxBytes);
    if (list.Status == TServerFileRead::Absent)
        return std::nullopt;
    QString refusal = QStringLiteral("cannot be read");
    if (list.Status == TServerFileRead::Read) {
        const TServerFile signature =
            ReadServerFile(connection.hFTP, connection.hFile, netdir, kPatchListSignatureName, kSignatureMaxBytes);
        const TPatchListTrust trust = CheckPatchListTrust(
            list.Bytes, signature.Status == TServerFileRead::Read ? std::optional<QByteArray>(signature.Bytes) : std::nullopt,
            releaseKeys_ ? *releaseKeys_ : ReleaseKeys(), netdir, programManifest->Sha256);
        if (trust.List)
            return TPatchChoice(*trust.List, PackOffsetsOfPatches(*trust.List, trust.PackSize));
        refusal = trust.Refusal;
    }
    AddLog(lStr(QStringLiteral("…Список исправлений отклонён, загружаются архивы… - ")) + netdir + QStringLiteral(" (")
           + refusal + QLatin1Char(')'));
    return std::nullopt;
}

QVector<qint64> TUpdateEngine::PackOffsetsOfPatches(const TPatchList &list, std::optional<qint64> packSize) const
{
    if (!packSize || !ProgramPack())
        return {};
    // The patches follow the files of the manifest, which fill the pack up to where they end.
    qint64 filesEnd = 0;
    for (int i = 0; i < programManifest->Entries.size(); ++i)
        filesEnd = std::max(filesEnd, programManifest->PackOffsets.at(i) + programManifest->Entries.at(i).Size);
    return PatchPackOffsets(list, filesEnd, *packSize).value_or(QVector<qint64>());
}
