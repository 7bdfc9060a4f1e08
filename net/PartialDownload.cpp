#include "net/PartialDownload.h"

#include "net/EventPump.h"
#include "base/RaisedError.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

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
    : target_(target),
      file_(QFileInfo(target).dir().filePath(PartialFileName(QFileInfo(target).fileName(), size)))
{
}

PartialFile::~PartialFile()
{
    if (committed_ || !file_.isOpen())
        return;
    const bool kept = keep_ && !StopRequested() && file_.size() > 0;
    file_.close();
    if (!kept)
        file_.remove();
}

bool PartialFile::Open()
{
    const QFileInfo existing(target_);
    if (existing.exists() && (!existing.isFile() || !existing.isWritable()))
        return false;
    // Partial files of the same target at another size belong to another server file.
    const QString own = QFileInfo(file_.fileName()).fileName();
    RemovePartialFiles(existing.path(), [&](const QString &name, const QString &target) {
        return target == existing.fileName() && name != own;
    });
    return file_.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered);
}

bool PartialFile::TruncateTo(uint64_t offset)
{
    return file_.resize(qint64(offset));  // appended from there on
}

void PartialFile::Commit()
{
    const QByteArray target = QFile::encodeName(target_);
    struct stat existing {};
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode = ::stat(target.constData(), &existing) == 0 ? existing.st_mode & 07777 : 0666 & ~mask;
    if (::fchmod(file_.handle(), mode) != 0
        || ::rename(QFile::encodeName(file_.fileName()).constData(), target.constData()) != 0)
        throw RaisedError(QString::fromLocal8Bit(std::strerror(errno)));
    committed_ = true;
    file_.close();
}
