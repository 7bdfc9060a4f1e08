#include "platform/RunLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <windows.h>

namespace {

// One mutex name per folder, whatever the spelling of its path: the system's objects live
// outside the folder, so taking the lock writes nothing into it.
std::wstring MutexName(const QString &Folder)
{
    QFileInfo info(Folder);
    const QString path = QDir::toNativeSeparators(info.canonicalFilePath()).toLower();
    const QByteArray digest = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex();
    return (QStringLiteral("Global\\OrnUpdate-run-") + QString::fromLatin1(digest)).toStdWString();
}

}  // namespace

TRunLock::TRunLock(const QString &Folder)
{
    if (!QFileInfo(Folder).isDir())
        return;
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, MutexName(Folder).c_str());
    if (!mutex) {
        // A mutex of that name that this account may not open belongs to another user's run.
        state_ = GetLastError() == ERROR_ACCESS_DENIED ? TRunLockState::Busy : TRunLockState::Unavailable;
        return;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        state_ = TRunLockState::Busy;
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
    state_ = TRunLockState::Held;
}

TRunLock::~TRunLock()
{
    if (handle_ != -1)
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
}
