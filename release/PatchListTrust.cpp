#include "release/PatchListTrust.h"

#include "release/MinisignSignature.h"
#include "release/PublicationComment.h"
#include "release/ServerFolderName.h"

namespace {

TPatchListTrust Refuse(const QString &Reason) { return {std::nullopt, Reason, std::nullopt}; }

}  // namespace

TPatchListTrust CheckPatchListTrust(const QByteArray &List, const std::optional<QByteArray> &Signature,
                                    const QVector<TMinisignPublicKey> &Keys, const QString &Folder,
                                    const QByteArray &ManifestSha256)
{
    if (!Signature)
        return Refuse(QStringLiteral("no signature"));
    const std::optional<TMinisignSignature> signature = ParseMinisignSignature(*Signature);
    if (!signature || Keys.isEmpty() || VerifyMinisign(List, *signature, Keys) != TMinisignCheck::Valid)
        return Refuse(QStringLiteral("not signed by a release key"));
    const TPatchListRead read = ReadPatchList(List);
    if (!read.List)
        return Refuse(read.Error);
    if (NormalServerFolder(read.List->Folder) != NormalServerFolder(Folder))
        return Refuse(QStringLiteral("published for ") + read.List->Folder);
    if (read.List->ManifestSha256 != ManifestSha256)
        return Refuse(QStringLiteral("made for another manifest"));
    return {read.List, QString(), PackSizeOfComment(signature->TrustedComment)};
}
