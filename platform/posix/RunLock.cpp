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
    const int descriptor = ::open(QFile::encodeName(Folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
        handle_ = descriptor;
        state_ = TRunLockState::Held;
        return;
    }
    state_ = errno == EWOULDBLOCK ? TRunLockState::Busy : TRunLockState::Unavailable;
    ::close(descriptor);
}

TRunLock::~TRunLock()
{
    if (handle_ >= 0)
        ::close(int(handle_));
}
