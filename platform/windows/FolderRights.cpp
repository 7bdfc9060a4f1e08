#include "platform/FolderRights.h"

#include "platform/windows/AccountSecurity.h"
#include "platform/windows/WindowsText.h"

QString GetCurrentUserName() { return UserNameOrUnknown(WindowsUserName()); }

uint32_t AddAccessEntry(const QString &ObjectName, uint32_t ObjectType, const QString &TrusteeName,
                        uint32_t AccessRights, uint32_t AccessMode, uint32_t Inheritance)
{
    // The arguments are the system's own values: handed on as they are.
    return GrantExplicitAccess(ObjectName, ObjectType, TrusteeName, AccessRights, AccessMode, Inheritance);
}

QString SystemErrorText(uint32_t code) { return WindowsErrorText(code); }
