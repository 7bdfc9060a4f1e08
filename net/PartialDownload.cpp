#include "net/PartialDownload.h"

#include "base/RaisedError.h"
#include "net/EventPump.h"
#include "platform/SafeFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace {

const QLatin1String kSuffix(".ornpart");
constexpr qsizetype kFileNameMaxBytes = 255;
// The room the key leaves: two dots, a size of up to 20 digits and the suffix.
constexpr qsizetype kKeyMaxBytes = kFileNameMaxBytes - 2 - 20 - 8;
constexpr qsizetype kKeyHashDigits = 16;

// Removes the partial files in folder for which drop(their name, their key) is true.
template <typename Drop> void RemovePartialFiles(const QString &folder, Drop drop)
{
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QLatin1String(".*") + kSuffix}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QString key = PartialFileKeyOfName(name);
        if (!key.isEmpty() && drop(name, key))
            QFile::remove(dir.filePath(name));
    }
}

// True when target stands as something other than a file that may be written.
bool TargetCannotBeWritten(const QFileInfo &target)
{
    return target.exists() && (!target.isFile() || !target.isWritable());
}

}  // namespace

QString PartialFileName(const QString &targetName, uint64_t size)
{
    return QLatin1Char('.') + PartialFileKey(targetName) + QLatin1Char('.') + QString::number(size) + kSuffix;
}

QString PartialFileKey(const QString &targetName)
{
    const QByteArray name = targetName.toUtf8();
    if (name.size() <= kKeyMaxBytes)
        return targetName;
    // A name of up to 255 bytes leaves no room for the rest: its start stays readable, and the
    // hash tells apart names that start alike.
    const QString hash = QLatin1Char('~')
                         + QString::fromLatin1(QCryptographicHash::hash(name, QCryptographicHash::Sha256).toHex())
                               .left(kKeyHashDigits);
    QString start = targetName;
    while (start.toUtf8().size() + hash.size() > kKeyMaxBytes || (!start.isEmpty() && start.back().isHighSurrogate()))
        start.chop(1);
    return start + hash;
}

QString PartialFilePath(const QString &target, uint64_t size)
{
    const QFileInfo info(target);
    return info.dir().filePath(PartialFileName(info.fileName(), size));
}

QString UnopenedDownloadFile(const QString &target)
{
    const QFileInfo existing(target);
    if (TargetCannotBeWritten(existing))
        return target;
    const QString key = PartialFileKey(existing.fileName());
    const QDir folder = existing.dir();
    for (const QFileInfo &entry : folder.entryInfoList({QLatin1String(".*") + kSuffix}, QDir::AllEntries | QDir::Hidden
                                                                                         | QDir::System | QDir::NoDotAndDotDot))
        if (!entry.isFile() && PartialFileKeyOfName(entry.fileName()) == key)
            return entry.filePath();
    return QString();
}

QString PartialFileKeyOfName(const QString &fileName)
{
    if (!fileName.startsWith(QLatin1Char('.')) || !fileName.endsWith(kSuffix))
        return {};
    const QString middle = fileName.mid(1, fileName.size() - 1 - kSuffix.size());
    const qsizetype dot = middle.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {};
    bool number = false;
    middle.mid(dot + 1).toULongLong(&number);
    return number ? middle.left(dot) : QString();
}

void RemovePartialFilesExcept(const QString &folder, const QSet<QString> &keptTargets)
{
    QSet<QString> keptKeys;
    for (const QString &target : keptTargets)
        keptKeys.insert(PartialFileKey(target));
    RemovePartialFiles(folder, [&](const QString &, const QString &key) { return !keptKeys.contains(key); });
}

PartialFile::PartialFile(const QString &target, uint64_t size)
    : target_(target), path_(PartialFilePath(target, size))
{
}

PartialFile::~PartialFile()
{
    if (committed_ || !file_.isOpen())
        return;
    const bool kept = keep_ && !StopRequested() && file_.size() > 0;
    file_.close();
    if (!kept)
        QFile::remove(path_);
}

bool PartialFile::Open()
{
    const QFileInfo existing(target_);
    if (TargetCannotBeWritten(existing))
        return false;
    // Partial files of the same target at another size belong to another server file.
    const QString own = QFileInfo(path_).fileName();
    const QString ownKey = PartialFileKey(existing.fileName());
    RemovePartialFiles(existing.path(), [&](const QString &name, const QString &key) {
        return key == ownKey && name != own;
    });
    // Never through a link, a FIFO or a second name planted under the predictable name.
    return OpenForAppend(file_, path_).isEmpty();
}

bool PartialFile::TruncateTo(uint64_t offset)
{
    return file_.resize(qint64(offset));  // appended from there on
}

void PartialFile::Commit()
{
    QString error = CopyPermissions(file_, target_);
    file_.close();  // Windows renames no file that is open
    if (error.isEmpty())
        error = ReplaceFile(path_, target_).Error;
    if (!error.isEmpty()) {
        QFile::remove(path_);
        throw RaisedError(error);
    }
    committed_ = true;
}
