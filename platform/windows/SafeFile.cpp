#include "platform/SafeFile.h"

#include "platform/windows/WindowsText.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// <windows.h> names ReplaceFile as a macro for ReplaceFileW; the definition below is our own.
#undef ReplaceFile

// <windows.h> names the system's ReplaceFileW "ReplaceFile": this file defines ours.
#undef ReplaceFile

namespace {

// Name, links and attributes of an open file, as the system holds them.
EntryKind KindOf(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        return EntryKind::Other;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return EntryKind::Link;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return EntryKind::Folder;
    if (GetFileType(file) != FILE_TYPE_DISK || info.nNumberOfLinks != 1)
        return EntryKind::Other;
    return EntryKind::RegularFile;
}

// Opens the name itself (a link or junction is not followed) with disposition, and hands the
// handle to File when it is a regular file with one name. Returns 0 or a Windows error code;
// ERROR_INVALID_PARAMETER tells that something else stands under the name.
DWORD OpenRegular(QFile &File, const QString &Path, DWORD disposition, QIODevice::OpenMode mode, int crtFlags)
{
    const HANDLE file = CreateFileW(WidePath(Path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    if (KindOf(file) != EntryKind::RegularFile) {
        CloseHandle(file);
        return ERROR_INVALID_PARAMETER;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), crtFlags | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(file);
        return ERROR_INVALID_HANDLE;
    }
    if (!File.open(descriptor, mode, QFileDevice::AutoCloseHandle)) {
        _close(descriptor);
        return ERROR_OPEN_FAILED;
    }
    return 0;
}

HANDLE SystemHandle(QFile &File) { return reinterpret_cast<HANDLE>(_get_osfhandle(File.handle())); }

// True when some program holds Path open, so that it cannot be opened exclusively now.
bool HeldOpen(const QString &Path)
{
    const HANDLE file = CreateFileW(WidePath(Path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace

EntryKind EntryKindOf(const QString &Path)
{
    const std::wstring path = WidePath(Path);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return EntryKind::Missing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return EntryKind::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EntryKind::Folder;
    // Only the count of names needs the file opened; asking for its attributes only, it opens
    // even while another program writes it.
    const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return EntryKind::Other;
    const EntryKind kind = KindOf(file);
    CloseHandle(file);
    return kind;
}

QString OpenForAppend(QFile &File, const QString &Path)
{
    const QIODevice::OpenMode mode = QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered;
    DWORD error = OpenRegular(File, Path, OPEN_ALWAYS, mode, _O_RDWR | _O_APPEND);
    if (error == ERROR_INVALID_PARAMETER || error == ERROR_CANT_ACCESS_FILE) {
        // A link, a junction or a second name of another file: drop the name, never what it
        // leads to, and start a new file.
        if (EntryKindOf(Path) == EntryKind::Folder)
            return WindowsErrorNamed(Path, ERROR_DIRECTORY);
        if (!DeleteFileW(WidePath(Path).c_str()) && !RemoveDirectoryW(WidePath(Path).c_str()))
            return WindowsErrorNamed(Path, GetLastError());
        error = OpenRegular(File, Path, CREATE_NEW, mode, _O_RDWR | _O_APPEND);
    } else if (error == ERROR_ACCESS_DENIED && EntryKindOf(Path) == EntryKind::Folder) {
        error = ERROR_DIRECTORY;
    }
    return error == 0 ? QString() : WindowsErrorNamed(Path, error);
}

QString CreateNewFile(QFile &File, const QString &Path)
{
    const DWORD error = OpenRegular(File, Path, CREATE_NEW, QIODevice::ReadWrite | QIODevice::Unbuffered, _O_RDWR);
    return error == 0 ? QString() : WindowsErrorNamed(Path, error);
}

bool SyncFile(QFile &File) { return FlushFileBuffers(SystemHandle(File)) != 0; }

QString CopyPermissions(QFile &, const QString &)
{
    // Files take their access list from the folder they are in: nothing to copy.
    return QString();
}

ReplaceResult ReplaceFile(const QString &From, const QString &To)
{
    ReplaceResult result;
    const std::wstring target = WidePath(To);
    // A read-only target is replaced all the same, as a rename over it does on POSIX systems.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)
        && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (MoveFileExW(WidePath(From).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return result;
    const DWORD error = GetLastError();
    result.Error = WindowsErrorText(error);
    result.InUse = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
                   || (error == ERROR_ACCESS_DENIED && HeldOpen(To));
    return result;
}
