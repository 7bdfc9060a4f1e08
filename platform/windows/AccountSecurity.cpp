#include "platform/windows/AccountSecurity.h"

#include "platform/windows/WindowsText.h"

#include <windows.h>
#include <aclapi.h>
#include <lmcons.h>

QString WindowsUserName()
{
    wchar_t name[UNLEN + 1];
    DWORD size = UNLEN + 1;
    if (!GetUserNameW(name, &size) || size == 0)
        return QString();
    return QString::fromWCharArray(name, int(size) - 1);  // size counts the closing zero
}

uint32_t GrantExplicitAccess(const QString &ObjectName, uint32_t ObjectType, const QString &TrusteeName,
                             uint32_t AccessRights, uint32_t AccessMode, uint32_t Inheritance)
{
    std::wstring object = WidePath(ObjectName);
    std::wstring trustee = TrusteeName.toStdWString();
    PACL oldList = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD code = GetNamedSecurityInfoW(object.c_str(), SE_OBJECT_TYPE(ObjectType), DACL_SECURITY_INFORMATION,
                                       nullptr, nullptr, &oldList, nullptr, &descriptor);
    if (code != ERROR_SUCCESS)
        return code;
    EXPLICIT_ACCESSW access{};
    BuildExplicitAccessWithNameW(&access, trustee.data(), AccessRights, ACCESS_MODE(AccessMode), Inheritance);
    PACL newList = nullptr;
    code = SetEntriesInAclW(1, &access, oldList, &newList);
    if (code == ERROR_SUCCESS) {
        code = SetNamedSecurityInfoW(object.data(), SE_OBJECT_TYPE(ObjectType), DACL_SECURITY_INFORMATION, nullptr,
                                     nullptr, newList, nullptr);
        LocalFree(newList);
    }
    LocalFree(descriptor);
    return code;
}
