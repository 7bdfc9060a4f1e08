#pragma once
// One update run per installation folder at a time. The lock is taken on the folder itself (an
// advisory lock on its own descriptor), so taking it writes nothing into the folder; the system
// drops it when the run ends, a killed run included.
#include <QString>

class TRunLock {
public:
    // Tries to take the lock of Folder at once, without waiting. Held() tells the outcome.
    explicit TRunLock(const QString &Folder);
    // Releases the lock when held.
    ~TRunLock();
    TRunLock(const TRunLock &) = delete;
    TRunLock &operator=(const TRunLock &) = delete;

    // True when this object holds the lock; false when another run (another process, or another
    // TRunLock of this process) holds it, or when the folder cannot be opened.
    bool Held() const { return descriptor_ >= 0; }

    // The text key the run shows when the lock is held elsewhere.
    static QString BusyKey() { return QStringLiteral("…Обновление этой папки уже выполняется…"); }

private:
    int descriptor_ = -1;
};
