#pragma once
// The signed-in user's name and the system's folder rights: an access entry that gives a user
// full, inherited rights on a folder. On POSIX systems the rights are access control lists
// (libacl) and result codes are errno values unless named below; on Windows they are the
// folder's security descriptor and result codes are Windows error codes.
#include <QString>
#include <QStringList>
#include <cstdint>

// AddAccessEntry arguments. Only these values are supported; any other gives EINVAL.
constexpr uint32_t SE_FILE_OBJECT = 1;          // object type: a file or folder
constexpr uint32_t GENERIC_ALL = 0x10000000;    // access rights: read, write and execute/search
constexpr uint32_t GRANT_ACCESS = 1;            // access mode: add to what the user already has
constexpr uint32_t NO_INHERITANCE = 0;          // the folder's own access list only
constexpr uint32_t OBJECT_INHERIT_ACE = 1;      // inherited by files created inside
constexpr uint32_t CONTAINER_INHERIT_ACE = 2;   // inherited by folders created inside
constexpr uint32_t FOLDER_TREE_INHERIT = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

// Result of AddAccessEntry when the trustee name maps to no account. It lies outside the errno
// range; SystemErrorText gives "No such user account" for it.
constexpr uint32_t ERROR_ACCOUNT_NOT_FOUND = 0x20000001;

// Longest user name kept by GetCurrentUserName, in UTF-16 characters.
constexpr int MaxUserNameLength = 254;

// The name of the account the process runs as (its effective user, the one that writes the
// files); "Unknown" when the system cannot give it or it is longer than MaxUserNameLength.
QString GetCurrentUserName();

// The account name as GetCurrentUserName reports it: the name itself, or "Unknown" when it is
// empty or longer than MaxUserNameLength.
QString UserNameOrUnknown(const QString &name);

// Gives the account TrusteeName read, write and execute rights on ObjectName (links followed):
// adds them to the user's entry in the access list (creating the entry if missing) and, with
// FOLDER_TREE_INHERIT, to the default list that files and folders created inside inherit (a
// folder without one gets one built from its owner, group and other entries). Entries of other
// users are kept; the mask is recomputed so the rights take effect; when the trustee owns the
// object its owner entries get the rights too. On a file system without access lists, an object
// owned by the trustee gets u+rwx in its mode instead. Returns 0 on success,
// ERROR_ACCOUNT_NOT_FOUND for an unknown name, EINVAL for unsupported arguments, else the errno
// of the failing call (EPERM when the caller may not change the object, ENOENT when it is
// missing, ENOTSUP for an object on a file system without access lists not owned by the trustee).
uint32_t AddAccessEntry(const QString &ObjectName, uint32_t ObjectType, const QString &TrusteeName,
                        uint32_t AccessRights, uint32_t AccessMode, uint32_t Inheritance);

// The system's text for a result code of AddAccessEntry, without trailing marks (TrimErrorText).
QString SystemErrorText(uint32_t code);

// text without its trailing control characters, blanks and full stops.
QString TrimErrorText(QString text);
