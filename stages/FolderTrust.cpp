#include "stages/FolderTrust.h"

#include "stages/ManifestFetch.h"
#include "release/FileHash.h"
#include "release/SequenceRecord.h"

TFolderTrust CheckServerFolder(HINTERNET hFTP, HINTERNET &hFile, const QString &Folder, const QString &RecordPath,
                               const QVector<TMinisignPublicKey> &Keys, const QDateTime &Now)
{
    const TFetchedManifest fetched = FetchManifest(hFTP, hFile, Folder);
    TFolderTrust result;
    result.Fetched = fetched.Complete;
    if (fetched.Manifest)
        result.ManifestSha256 = BytesSha256(*fetched.Manifest);
    if (fetched.Complete)
        result.Trust = CheckManifestTrust(
            {Folder, fetched.Manifest, fetched.Signature, Keys, ReadAcceptedSequence(RecordPath, Folder), Now});
    return result;
}
