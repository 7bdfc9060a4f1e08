#include "platform/SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString Named(const QString &Path, int error) { return QStringLiteral("%1: %2").arg(Path, SystemText(error)); }

EntryKind KindOf(const struct stat &status)
{
    if (S_ISLNK(status.st_mode))
        return EntryKind::Link;
    if (S_ISDIR(status.st_mode))
        return EntryKind::Folder;
    if (S_ISREG(status.st_mode) && status.st_nlink == 1)
        return EntryKind::RegularFile;
    return EntryKind::Other;
}

// Opens Path with flags, never following a link and never blocking on a FIFO, and hands the
// descriptor to File when it is a regular file with one name. Returns 0 or the errno; EEXIST
// (with O_EXCL) or ELOOP and EINVAL tell that something else stands under the name.
int OpenRegular(QFile &File, const QString &Path, int flags, QIODevice::OpenMode mode)
{
    const int descriptor =
        ::open(QFile::encodeName(Path).constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return errno;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || KindOf(status) != EntryKind::RegularFile) {
        ::close(descriptor);
        return EINVAL;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    if (!File.open(descriptor, mode, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return EIO;
    }
    return 0;
}

}  // namespace

EntryKind EntryKindOf(const QString &Path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(Path).constData(), &status) != 0)
        return EntryKind::Missing;
    return KindOf(status);
}

QString OpenForAppend(QFile &File, const QString &Path)
{
    const QIODevice::OpenMode mode = QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered;
    int error = OpenRegular(File, Path, O_RDWR | O_APPEND | O_CREAT, mode);
    if (error == ELOOP || error == EINVAL || error == ENXIO) {
        // A link, a FIFO, a device or a second name of another file: drop the name, never what
        // it leads to, and start a new file.
        if (EntryKindOf(Path) == EntryKind::Folder)
            return Named(Path, EISDIR);
        if (::unlink(QFile::encodeName(Path).constData()) != 0)
            return Named(Path, errno);
        error = OpenRegular(File, Path, O_RDWR | O_APPEND | O_CREAT | O_EXCL, mode);
    }
    return error == 0 ? QString() : Named(Path, error);
}

QString CreateNewFile(QFile &File, const QString &Path)
{
    const int error = OpenRegular(File, Path, O_RDWR | O_CREAT | O_EXCL, QIODevice::ReadWrite | QIODevice::Unbuffered);
    return error == 0 ? QString() : Named(Path, error);
}

bool SyncFile(QFile &File) { return ::fsync(File.handle()) == 0; }

QString CopyPermissions(QFile &File, const QString &Like)
{
    struct stat existing {};
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const bool regular =
        ::lstat(QFile::encodeName(Like).constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    const mode_t mode = regular ? existing.st_mode & 07777 : 0666 & ~mask;
    return ::fchmod(File.handle(), mode) == 0 ? QString() : SystemText(errno);
}

ReplaceResult ReplaceFile(const QString &From, const QString &To)
{
    ReplaceResult result;
    if (std::rename(QFile::encodeName(From).constData(), QFile::encodeName(To).constData()) != 0)
        result.Error = SystemText(errno);
    return result;
}
