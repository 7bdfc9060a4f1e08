#include "platform/RunLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TRunLock::TRunLock(const QString &Folder)
{
    // flock() locks belong to the open file description, so a second open of the same folder,
    // in this process or another, is refused as long as this one holds it.
    descriptor_ = ::open(QFile::encodeName(Folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor_ < 0)
        return;
    if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) {
        state_ = TRunLockState::Held;
        return;
    }
    state_ = errno == EWOULDBLOCK ? TRunLockState::Busy : TRunLockState::Unavailable;
    ::close(descriptor_);
    descriptor_ = -1;
}

TRunLock::~TRunLock()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
}
