#include "platform/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

const QLatin1String kSaveMarker(".ornsave-");

// Six letters and digits drawn at random, for a new hidden name.
QString RandomSuffix()
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    return suffix;
}

}  // namespace

void RemoveStaleSaves(const QString &Path)
{
    const QFileInfo target(Path);
    const QDir folder = target.dir();
    const QString prefix = SaveTemporaryPrefix(target.fileName());
    const QStringList names = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QString path = folder.filePath(name);
        if (name.startsWith(prefix) && name.size() == prefix.size() + 6 && EntryKindOf(path) != EntryKind::Folder)
            QFile::remove(path);
    }
}

QString SaveTemporaryPrefix(const QString &FileName)
{
    return QLatin1Char('.') + FileName + kSaveMarker;
}

QString WriteFileReplacing(const QString &Path, const QByteArray &Bytes)
{
    const QFileInfo target(Path);
    const QDir folder = target.dir();
    RemoveStaleSaves(Path);
    QFile temporary;
    QString temporaryPath;
    QString error;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporaryPath = folder.filePath(SaveTemporaryPrefix(target.fileName()) + RandomSuffix());
        error = CreateNewFile(temporary, temporaryPath);
        if (error.isEmpty())
            break;
    }
    if (!error.isEmpty())
        return error;
    const bool written = temporary.write(Bytes) == Bytes.size() && temporary.flush() && SyncFile(temporary);
    if (!written)
        error = QStringLiteral("%1: %2").arg(Path, temporary.errorString());
    else
        error = CopyPermissions(temporary, Path);
    temporary.close();
    if (error.isEmpty())
        error = ReplaceFile(temporaryPath, Path).Error;
    if (!error.isEmpty())
        QFile::remove(temporaryPath);
    return error;
}
