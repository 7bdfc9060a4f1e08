#include "stages/RunLock.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TRunLock::TRunLock(const QString &Folder)
{
    // flock() locks belong to the open file description, so a second open of the same folder,
    // in this process or another, is refused as long as this one holds it.
    const int descriptor = ::open(QFile::encodeName(Folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        ::close(descriptor);
        return;
    }
    descriptor_ = descriptor;
}

TRunLock::~TRunLock()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
}
