#pragma once
// The trust check of a folder's patch list, once its signed manifest has been accepted: the list
// is taken only when a trusted key signed it and it belongs to that very manifest and folder, so
// it is as fresh as the manifest and cannot be moved to another folder or publication.
#include "release/MinisignKey.h"
#include "release/PatchList.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <optional>

struct TPatchListTrust {
    std::optional<TPatchList> List;  // the list, when it passed
    QString Refusal;                 // why it did not (English, for the log); empty when it passed
    std::optional<qint64> PackSize;  // with List: the whole ornupdate.pack, patches included, its trusted comment announces
};

// Checks the patch list List with its signature against Keys (at least one), the server folder
// Folder it was read from and the SHA-256 of the manifest accepted there.
TPatchListTrust CheckPatchListTrust(const QByteArray &List, const std::optional<QByteArray> &Signature,
                                    const QVector<TMinisignPublicKey> &Keys, const QString &Folder,
                                    const QByteArray &ManifestSha256);
