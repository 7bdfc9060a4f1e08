#include "platform/LibraryResource.h"

#include <windows.h>

std::optional<QByteArray> ReadLibraryResource(const QString &LibraryName, const QString &Name)
{
    // Loaded as data: a resource library runs no code.
    const HMODULE library = LoadLibraryExW(LibraryName.toStdWString().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!library)
        return std::nullopt;
    std::optional<QByteArray> bytes;
    if (const HRSRC found = FindResourceW(library, Name.toStdWString().c_str(), MAKEINTRESOURCEW(10))) {
        const HGLOBAL loaded = LoadResource(library, found);
        const void *data = loaded ? LockResource(loaded) : nullptr;
        if (data)
            bytes = QByteArray(static_cast<const char *>(data), int(SizeofResource(library, found)));
    }
    FreeLibrary(library);
    return bytes;
}
