#include "platform/FolderRights.h"

#include "base/RaisedError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <acl/libacl.h>
#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Owns one libacl list; address() serves the calls that may move it (acl_create_entry).
class AclList {
public:
    explicit AclList(acl_t list = nullptr) : list_(list) {}
    ~AclList() { reset(); }
    AclList(const AclList &) = delete;
    AclList &operator=(const AclList &) = delete;

    acl_t get() const { return list_; }
    acl_t *address() { return &list_; }
    explicit operator bool() const { return list_ != nullptr; }
    acl_t release()
    {
        const acl_t list = list_;
        list_ = nullptr;
        return list;
    }
    // Keeps errno, so a failing call's code survives the clean-up.
    void reset(acl_t list = nullptr)
    {
        const int error = errno;
        if (list_)
            acl_free(list_);
        list_ = list;
        errno = error;
    }

private:
    acl_t list_;
};

// Runs a getpw*_r look-up, growing the buffer while it is too small. Returns the look-up's
// result code; found is the entry, or nullptr when there is none.
template <typename LookUp>
int ReadAccount(LookUp lookUp, passwd &entry, std::vector<char> &buffer, passwd *&found)
{
    int rc;
    while ((rc = lookUp(&entry, buffer.data(), buffer.size(), &found)) == ERANGE
           && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return rc;
}

// The uid of the account name: 0 and uid set, ERROR_ACCOUNT_NOT_FOUND, or the look-up's errno.
uint32_t LookUpAccount(const QString &name, uid_t &uid)
{
    if (name.contains(QChar(0)))
        return ERROR_ACCOUNT_NOT_FOUND;
    const QByteArray encoded = name.toLocal8Bit();
    passwd entry{};
    passwd *found = nullptr;
    std::vector<char> buffer(4096);
    const int rc = ReadAccount(
        [&](passwd *e, char *b, size_t n, passwd **f) { return getpwnam_r(encoded.constData(), e, b, n, f); },
        entry, buffer, found);
    if (rc == 0 && found) {
        uid = found->pw_uid;
        return 0;
    }
    // getpwnam_r reports "no such name" as 0 or, depending on the name service, as one of these.
    if (rc == 0 || rc == ENOENT || rc == ESRCH || rc == EBADF || rc == EPERM)
        return ERROR_ACCOUNT_NOT_FOUND;
    return uint32_t(rc);
}

// Adds read, write and execute to the entry. Returns 0 or errno.
int AddFullRights(acl_entry_t entry)
{
    acl_permset_t rights;
    if (acl_get_permset(entry, &rights) != 0 || acl_add_perm(rights, ACL_READ | ACL_WRITE | ACL_EXECUTE) != 0
        || acl_set_permset(entry, rights) != 0)
        return errno;
    return 0;
}

// Gives uid full rights in the list: in its named entry (created when missing) and, when owner,
// in the owner entry; then recomputes the mask. Returns 0 or errno.
int AddUserRights(acl_t *list, uid_t uid, bool owner)
{
    bool named = false;
    acl_entry_t entry;
    int more;
    for (int which = ACL_FIRST_ENTRY; (more = acl_get_entry(*list, which, &entry)) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t tag;
        if (acl_get_tag_type(entry, &tag) != 0)
            return errno;
        bool grant = owner && tag == ACL_USER_OBJ;
        if (tag == ACL_USER) {
            void *qualifier = acl_get_qualifier(entry);
            if (!qualifier)
                return errno;
            grant = *static_cast<uid_t *>(qualifier) == uid;
            acl_free(qualifier);
            named = named || grant;
        }
        if (grant)
            if (const int error = AddFullRights(entry))
                return error;
    }
    if (more < 0)
        return errno;
    if (!named) {
        if (acl_create_entry(list, &entry) != 0 || acl_set_tag_type(entry, ACL_USER) != 0
            || acl_set_qualifier(entry, &uid) != 0)
            return errno;
        if (const int error = AddFullRights(entry))
            return error;
    }
    return acl_calc_mask(list) == 0 ? 0 : errno;
}

// A new list holding only the owner, group and other entries of source; nullptr (errno set) on
// failure. Seeds a default list for a folder that has none.
acl_t BaseEntriesOf(acl_t source)
{
    AclList base(acl_init(3));
    if (!base)
        return nullptr;
    acl_entry_t entry;
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(source, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t tag;
        if (acl_get_tag_type(entry, &tag) != 0)
            return nullptr;
        if (tag != ACL_USER_OBJ && tag != ACL_GROUP_OBJ && tag != ACL_OTHER)
            continue;
        acl_entry_t copy;
        if (acl_create_entry(base.address(), &copy) != 0 || acl_copy_entry(copy, entry) != 0)
            return nullptr;
    }
    return base.release();
}

// Gives uid full rights in the access list of path and, when inherit, in its default list.
// Both lists are prepared before either is written. Returns 0 or errno.
uint32_t GrantInAccessLists(const QByteArray &path, uid_t uid, bool owner, bool inherit)
{
    AclList access(acl_get_file(path.constData(), ACL_TYPE_ACCESS));
    if (!access)
        return errno;
    AclList inherited;
    if (inherit) {
        inherited.reset(acl_get_file(path.constData(), ACL_TYPE_DEFAULT));
        if (!inherited)
            return errno;
        if (acl_entries(inherited.get()) == 0) {
            inherited.reset(BaseEntriesOf(access.get()));
            if (!inherited)
                return errno;
        }
        if (const int error = AddUserRights(inherited.address(), uid, owner))
            return error;
    }
    if (const int error = AddUserRights(access.address(), uid, owner))
        return error;
    if (acl_set_file(path.constData(), ACL_TYPE_ACCESS, access.get()) != 0)
        return errno;
    if (inherit && acl_set_file(path.constData(), ACL_TYPE_DEFAULT, inherited.get()) != 0)
        return errno;
    return 0;
}

}  // namespace

QString GetCurrentUserName()
{
    const uid_t uid = geteuid();
    passwd entry{};
    passwd *found = nullptr;
    std::vector<char> buffer(4096);
    const int rc = ReadAccount(
        [uid](passwd *e, char *b, size_t n, passwd **f) { return getpwuid_r(uid, e, b, n, f); },
        entry, buffer, found);
    if (rc != 0 || !found)
        return UserNameOrUnknown(QString());
    return UserNameOrUnknown(QString::fromLocal8Bit(found->pw_name));
}

uint32_t AddAccessEntry(const QString &ObjectName, uint32_t ObjectType, const QString &TrusteeName,
                        uint32_t AccessRights, uint32_t AccessMode, uint32_t Inheritance)
{
    if (ObjectType != SE_FILE_OBJECT || AccessRights != GENERIC_ALL || AccessMode != GRANT_ACCESS
        || (Inheritance != NO_INHERITANCE && Inheritance != FOLDER_TREE_INHERIT))
        return EINVAL;
    uid_t uid = 0;
    if (const uint32_t code = LookUpAccount(TrusteeName, uid))
        return code;
    const QByteArray path = QFile::encodeName(ObjectName);
    struct stat info {};
    if (stat(path.constData(), &info) != 0)
        return errno;
    const bool owner = info.st_uid == uid;
    // Only folders have a default list; for a file the inheritance flags have nothing to act on.
    const bool inherit = Inheritance == FOLDER_TREE_INHERIT && S_ISDIR(info.st_mode);
    const uint32_t code = GrantInAccessLists(path, uid, owner, inherit);
    if ((code == ENOTSUP || code == EOPNOTSUPP) && owner)
        return chmod(path.constData(), (info.st_mode & 07777) | S_IRWXU) == 0 ? 0 : uint32_t(errno);
    return code;
}

QString SystemErrorText(uint32_t code)
{
    if (code == ERROR_ACCOUNT_NOT_FOUND)
        return QStringLiteral("No such user account");
    return TrimErrorText(QString::fromLocal8Bit(std::strerror(int(code))));
}
