#include "platform/windows/WindowsText.h"

// Before <windows.h>: FolderRights.h names some of the system's access constants, which
// <windows.h> defines as macros of the same values.
#include "platform/FolderRights.h"

#include <QDir>

#include <windows.h>

std::wstring WidePath(const QString &Path) { return QDir::toNativeSeparators(Path).toStdWString(); }

QString WindowsErrorText(uint32_t Code)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    QString text = length ? QString::fromWCharArray(buffer, int(length)) : QStringLiteral("Error %1").arg(Code);
    LocalFree(buffer);
    return TrimErrorText(text);
}

QString WindowsErrorNamed(const QString &Path, uint32_t Code)
{
    return QStringLiteral("%1: %2").arg(Path, WindowsErrorText(Code));
}
