#pragma once
// The Windows security calls behind the folder rights, apart from FolderRights.h, whose names of
// the access constants the system's own headers define as macros.
#include <QString>
#include <cstdint>

// GetUserNameW: the signed-in user's name, or the empty text when the system cannot give it.
QString WindowsUserName();

// Adds one explicit access entry for the account TrusteeName to ObjectName's access list, with
// the system's own object type, rights, access mode and inheritance values
// (BuildExplicitAccessWithNameW, SetEntriesInAclW, SetNamedSecurityInfoW). Returns 0 or the
// Windows error code of the failing call.
uint32_t GrantExplicitAccess(const QString &ObjectName, uint32_t ObjectType, const QString &TrusteeName,
                             uint32_t AccessRights, uint32_t AccessMode, uint32_t Inheritance);
