#include "release/ManifestTrust.h"

#include "release/MinisignSignature.h"
#include "release/PublicationComment.h"
#include "release/ServerFolderName.h"

namespace {

TTrustResult Refuse(TTrustRefusal Refusal, const QString &Detail = QString())
{
    TTrustResult result;
    result.Refusal = Refusal;
    result.Detail = Detail;
    return result;
}

TTrustResult Accept(const TManifest &Manifest, bool Signed)
{
    TTrustResult result;
    result.Outcome = TTrustOutcome::Accepted;
    result.Manifest = Manifest;
    result.Signed = Signed;
    return result;
}

// The signature check of the manifest bytes; Refusal None when a trusted key confirms them.
TTrustResult CheckSignature(const QByteArray &Manifest, const QByteArray &SignatureFile,
                            const QVector<TMinisignPublicKey> &Keys, std::optional<qint64> *CommentSequence,
                            std::optional<qint64> *CommentPack, QStringList *CommentMirrors)
{
    const std::optional<TMinisignSignature> signature = ParseMinisignSignature(SignatureFile);
    if (!signature)
        return Refuse(TTrustRefusal::BadSignature, QStringLiteral("not a minisign signature in the ED form"));
    switch (VerifyMinisign(Manifest, *signature, Keys)) {
    case TMinisignCheck::UnknownKey:
        return Refuse(TTrustRefusal::UnknownKey, QStringLiteral("key id ") + KeyIdText(signature->KeyId));
    case TMinisignCheck::BadSignature:
        return Refuse(TTrustRefusal::BadSignature, QStringLiteral("key id ") + KeyIdText(signature->KeyId));
    case TMinisignCheck::Valid:
        break;
    }
    *CommentSequence = SequenceOfComment(signature->TrustedComment);
    *CommentPack = PackSizeOfComment(signature->TrustedComment);
    *CommentMirrors = MirrorsOfComment(signature->TrustedComment);
    return TTrustResult{};
}

}  // namespace

TTrustResult CheckManifestTrust(const TTrustInput &Input)
{
    const bool keysSet = !Input.Keys.isEmpty();
    if (!Input.Manifest) {
        if (keysSet)
            return Refuse(TTrustRefusal::NoManifest);
        TTrustResult unlisted;
        unlisted.Outcome = TTrustOutcome::NoManifest;
        return unlisted;
    }
    std::optional<qint64> commentSequence;
    std::optional<qint64> commentPack;
    QStringList commentMirrors;
    if (keysSet) {
        if (!Input.Signature)
            return Refuse(TTrustRefusal::NoSignature);
        const TTrustResult signature = CheckSignature(*Input.Manifest, *Input.Signature, Input.Keys, &commentSequence, &commentPack, &commentMirrors);
        if (signature.Refusal != TTrustRefusal::None)
            return signature;
    }
    const TManifestRead read = ReadManifest(*Input.Manifest);
    if (!read.Manifest)
        return Refuse(TTrustRefusal::Malformed, read.Error);
    const TManifest &manifest = *read.Manifest;
    // A signature vouches for the files, not for where they are served: a manifest copied to
    // another folder of the server must not pass there. Only an unkeyed build, which trusts the
    // server anyway, takes a manifest that names no folder.
    if (manifest.Folder ? NormalServerFolder(*manifest.Folder) != NormalServerFolder(Input.Folder) : keysSet)
        return Refuse(TTrustRefusal::OtherFolder, manifest.Folder ? QStringLiteral("published for ") + *manifest.Folder
                                                                  : QStringLiteral("names no folder"));
    if (!keysSet)
        return Accept(manifest, false);
    if (commentSequence != manifest.Sequence)
        return Refuse(TTrustRefusal::SequenceMismatch,
                      QStringLiteral("manifest %1, trusted comment %2")
                          .arg(manifest.Sequence)
                          .arg(commentSequence ? QString::number(*commentSequence) : QStringLiteral("none")));
    if (Input.LastSequence && manifest.Sequence < *Input.LastSequence)
        return Refuse(TTrustRefusal::Rollback,
                      QStringLiteral("sequence %1, last accepted %2").arg(manifest.Sequence).arg(*Input.LastSequence));
    if (manifest.Expires && *manifest.Expires <= Input.Now)
        return Refuse(TTrustRefusal::Expired, QStringLiteral("expired ") + manifest.Expires->toString(Qt::ISODate));
    TTrustResult accepted = Accept(manifest, true);
    accepted.PackSize = commentPack;
    accepted.Mirrors = commentMirrors;
    return accepted;
}

QString TrustRefusalText(TTrustRefusal Refusal)
{
    switch (Refusal) {
    case TTrustRefusal::None:
        break;
    case TTrustRefusal::NoManifest:
        return QStringLiteral("…Нет манифеста обновлений на сервере…");
    case TTrustRefusal::NoSignature:
        return QStringLiteral("…Манифест обновлений не подписан…");
    case TTrustRefusal::BadSignature:
        return QStringLiteral("…Неверная подпись манифеста обновлений…");
    case TTrustRefusal::UnknownKey:
        return QStringLiteral("…Манифест обновлений подписан неизвестным ключом…");
    case TTrustRefusal::Malformed:
        return QStringLiteral("…Неверный формат манифеста обновлений…");
    case TTrustRefusal::OtherFolder:
        return QStringLiteral("…Манифест обновлений выпущен для другой папки…");
    case TTrustRefusal::SequenceMismatch:
        return QStringLiteral("…Номер выпуска в подписи не совпадает с манифестом…");
    case TTrustRefusal::Rollback:
        return QStringLiteral("…Манифест обновлений старее уже принятого…");
    case TTrustRefusal::Expired:
        return QStringLiteral("…Срок действия манифеста обновлений истек…");
    }
    return QString();
}
