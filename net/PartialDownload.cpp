#include "net/PartialDownload.h"

#include "net/EventPump.h"
#include "base/RaisedError.h"

#include "platform/SafeFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QLatin1String kSuffix(".ornpart");

// Removes the partial files in folder for which drop(their name, their target) is true.
template <typename Drop> void RemovePartialFiles(const QString &folder, Drop drop)
{
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QLatin1String(".*") + kSuffix}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QString target = PartialFileTarget(name);
        if (!target.isEmpty() && drop(name, target))
            QFile::remove(dir.filePath(name));
    }
}

}  // namespace

QString PartialFileName(const QString &targetName, uint64_t size)
{
    return QLatin1Char('.') + targetName + QLatin1Char('.') + QString::number(size) + kSuffix;
}

QString PartialFileTarget(const QString &fileName)
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
    RemovePartialFiles(folder, [&](const QString &, const QString &target) { return !keptTargets.contains(target); });
}

PartialFile::PartialFile(const QString &target, uint64_t size)
    : target_(target), path_(QFileInfo(target).dir().filePath(PartialFileName(QFileInfo(target).fileName(), size)))
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
    if (existing.exists() && (!existing.isFile() || !existing.isWritable()))
        return false;
    // Partial files of the same target at another size belong to another server file.
    const QString own = QFileInfo(path_).fileName();
    RemovePartialFiles(existing.path(), [&](const QString &name, const QString &target) {
        return target == existing.fileName() && name != own;
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
