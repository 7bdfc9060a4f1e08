// The program folder's patch list, read by stage 2 when its signed manifest was accepted.
#include "release/PatchListTrust.h"
#include "release/ReleaseKeys.h"
#include "stages/ManifestFetch.h"
#include "stages/StageScope.h"
#include "stages/UpdateEngine.h"

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
            return TPatchChoice(*trust.List);
        refusal = trust.Refusal;
    }
    AddLog(lStr(QStringLiteral("…Список исправлений отклонён, загружаются архивы… - ")) + netdir + QStringLiteral(" (")
           + refusal + QLatin1Char(')'));
    return std::nullopt;
}
