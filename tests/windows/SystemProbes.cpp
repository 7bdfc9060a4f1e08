#include "SystemProbes.h"

#include <QDir>
#include <thread>
#include <vector>

#include <windows.h>
#include <aclapi.h>

namespace {

std::wstring Wide(const QString &text)
{
    return QDir::toNativeSeparators(text).toStdWString();
}

std::vector<BYTE> CurrentUserSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    const bool read = GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    CloseHandle(token);
    if (!read)
        return {};
    const PSID sid = reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid;
    std::vector<BYTE> copy(GetLengthSid(sid));
    CopySid(DWORD(copy.size()), copy.data(), sid);
    return copy;
}

}  // namespace

UserAccessEntry CurrentUserEntry(const QString &path)
{
    UserAccessEntry entry;
    std::vector<BYTE> sid = CurrentUserSid();
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (sid.empty()
        || GetNamedSecurityInfoW(Wide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 &list, nullptr, &descriptor) != ERROR_SUCCESS)
        return entry;
    BYTE flags = 0;
    for (DWORD i = 0; list && i < list->AceCount; ++i) {
        void *ace = nullptr;
        if (!GetAce(list, i, &ace))
            continue;
        auto *allowed = static_cast<ACCESS_ALLOWED_ACE *>(ace);
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || (allowed->Header.AceFlags & INHERITED_ACE)
            || !EqualSid(&allowed->SidStart, sid.data()))
            continue;
        entry.found = true;
        entry.mask |= allowed->Mask;
        flags |= allowed->Header.AceFlags;
    }
    LocalFree(descriptor);
    entry.fullAccess = (entry.mask & GENERIC_ALL) || (entry.mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS;
    entry.inherited = (flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) == (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    return entry;
}

bool HoldOpen(const QString &path)
{
    return CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr) != INVALID_HANDLE_VALUE;
}

bool HoldExclusivelyFor(const QString &path, unsigned long milliseconds)
{
    const HANDLE held = CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return false;
    std::thread([held, milliseconds] {
        Sleep(DWORD(milliseconds));
        CloseHandle(held);
    }).detach();
    return true;
}

bool UserKeyExists(const QString &key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

void DeleteUserKey(const QString &key)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(key).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, Wide(key).c_str());
}

bool StoreUserValue(const QString &key, const QString &name, RegistryType type, const QString &value)
{
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LSTATUS stored;
    if (type == RegistryType::Number) {
        const DWORD number = value.toULong();
        stored = RegSetValueExW(opened, Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number),
                                sizeof number);
    } else {
        const std::wstring text = value.toStdWString();
        stored = RegSetValueExW(opened, Wide(name).c_str(), 0, type == RegistryType::Text ? REG_SZ : REG_EXPAND_SZ,
                                reinterpret_cast<const BYTE *>(text.c_str()), DWORD((text.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(opened);
    return stored == ERROR_SUCCESS;
}
