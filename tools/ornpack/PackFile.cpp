#include "PackFile.h"

#include "release/ReleasePack.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

QString WritePackFile(const QString &Folder, const QVector<TManifestEntry> &Files)
{
    const QDir folder(Folder);
    QSaveFile pack(folder.filePath(kPackName));
    if (!pack.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(pack.fileName(), pack.errorString());
    constexpr qint64 kBlockBytes = 1024 * 1024;
    for (const TManifestEntry &entry : Files) {
        QFile file(folder.filePath(entry.Path));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
        qint64 copied = 0;
        while (!file.atEnd()) {
            const QByteArray block = file.read(kBlockBytes);
            if (block.isEmpty() || pack.write(block) != block.size())
                return QStringLiteral("cannot copy %1 into %2").arg(file.fileName(), pack.fileName());
            copied += block.size();
        }
        if (copied != entry.Size)
            return QStringLiteral("%1 changed while it was published").arg(file.fileName());
    }
    if (!pack.commit())
        return QStringLiteral("cannot write %1: %2").arg(pack.fileName(), pack.errorString());
    return QString();
}
