#include "release/ListedFileCheck.h"

#include "release/FileHash.h"

#include <QFileInfo>

TListedFileCheck CheckListedFile(const QString &Path, const TManifestEntry &Entry)
{
    const QFileInfo file(Path);
    if (!file.isFile())
        return TListedFileCheck::Unreadable;
    if (file.size() != Entry.Size)
        return TListedFileCheck::SizeDiffers;
    const std::optional<QByteArray> hash = FileSha256(Path);
    if (!hash)
        return TListedFileCheck::Unreadable;
    return *hash == Entry.Sha256 ? TListedFileCheck::Matches : TListedFileCheck::HashDiffers;
}

QString ListedFileCheckText(TListedFileCheck Check)
{
    switch (Check) {
    case TListedFileCheck::Matches:
        break;
    case TListedFileCheck::SizeDiffers:
        return QStringLiteral("…Размер файла не совпадает с манифестом, файл удален…");
    case TListedFileCheck::HashDiffers:
        return QStringLiteral("…Контрольная сумма файла не совпадает с манифестом, файл удален…");
    case TListedFileCheck::Unreadable:
        return QStringLiteral("…Не читается загруженный файл, файл удален…");
    }
    return QString();
}
