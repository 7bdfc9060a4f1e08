#pragma once
// One update run per installation folder at a time. Taking the lock writes nothing into the
// folder (POSIX systems: an advisory lock on the folder's own descriptor; Windows: a named mutex
// per folder), and the system drops it when the run ends, a killed run included.
#include <QString>
#include <cstdint>

enum class TRunLockState {
    Held,         // this object holds the lock: the run may go on
    Busy,         // another run (another process, or another TRunLock of this process) holds it
    Unavailable,  // the folder cannot be opened or its file system offers no such lock
};

class TRunLock {
public:
    // Tries to take the lock of Folder at once, without waiting.
    explicit TRunLock(const QString &Folder);
    // Releases the lock when held.
    ~TRunLock();
    TRunLock(const TRunLock &) = delete;
    TRunLock &operator=(const TRunLock &) = delete;

    TRunLockState State() const { return state_; }

    // The text key of the message a run shows, and ends on, when the lock is Busy.
    static QString BusyKey() { return QStringLiteral("…Обновление этой папки уже выполняется…"); }

private:
    std::intptr_t handle_ = -1;  // the folder's descriptor, or the mutex handle; -1: none
    TRunLockState state_ = TRunLockState::Unavailable;
};
