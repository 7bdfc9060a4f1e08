#pragma once
// Windows calls the Windows-only tests make to look at what the program did, kept apart from
// the program's headers (which use some of the same names as <windows.h>).
#include <QString>
#include <cstdint>

// The explicit allowing entry of the account this process runs as in a file's or folder's access
// list, read with GetNamedSecurityInfoW.
struct UserAccessEntry {
    bool found = false;
    bool fullAccess = false;  // GENERIC_ALL, or all of FILE_ALL_ACCESS
    bool inherited = false;   // by the files and the folders created inside (object and container)
    uint32_t mask = 0;
};
UserAccessEntry CurrentUserEntry(const QString &path);

// Opens path for reading, sharing nothing but reading, and keeps it open for the rest of the
// process's life; false when it cannot be opened.
bool HoldOpen(const QString &path);

// Opens path sharing nothing (as a virus scanner may hold a program file just written) and
// closes it again after milliseconds, on a thread of its own; false when it cannot be opened.
bool HoldExclusivelyFor(const QString &path, unsigned long milliseconds);

// Registry keys below HKEY_CURRENT_USER.
bool UserKeyExists(const QString &key);
void DeleteUserKey(const QString &key);
enum class RegistryType { Text, ExpandableText, Number };
// Stores value under key (created when missing) as the given type; a Number stores value's number.
bool StoreUserValue(const QString &key, const QString &name, RegistryType type, const QString &value);
