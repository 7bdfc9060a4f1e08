// User name and folder access on real folders in a temporary directory; access lists are read
// back with libacl. Parts that need a second account or a private mount run only as root (as in
// CI): a forked child then drops to the system account ornacltest.
#include "app/ClassSys.h"
#include "base/RaisedError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <acl/libacl.h>
#include <cerrno>
#include <cstring>
#include <functional>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <sched.h>
#include <sys/acl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

static void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QString TestAccountName = QStringLiteral("ornacltest");
const QString OtherAccountName = QStringLiteral("nobody");

struct Account {
    QString name;
    uid_t uid;
    gid_t gid;
};

std::optional<Account> FindAccount(const QString &name)
{
    const passwd *entry = getpwnam(name.toLocal8Bit().constData());
    if (!entry)
        return std::nullopt;
    return Account{name, entry->pw_uid, entry->pw_gid};
}

// The unprivileged system account of these tests, created when missing (needs root).
Account TestAccount()
{
    if (!FindAccount(TestAccountName))
        QProcess::execute(QStringLiteral("useradd"), {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                                                      QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"),
                                                      TestAccountName});
    const std::optional<Account> account = FindAccount(TestAccountName);
    if (!account)
        throw std::runtime_error("could not create the test account");
    return *account;
}

Account OtherAccount()
{
    const std::optional<Account> account = FindAccount(OtherAccountName);
    if (!account)
        throw std::runtime_error("no account named nobody");
    return *account;
}

// The entries of a path's access or default list as "tag:id:rwx" texts (numeric ids), sorted;
// a single "error: ..." entry when the list cannot be read.
QStringList AclEntries(const QString &path, acl_type_t type)
{
    const acl_t list = acl_get_file(QFile::encodeName(path).constData(), type);
    if (!list)
        return {QStringLiteral("error: ") + QString::fromLocal8Bit(std::strerror(errno))};
    char *text = acl_to_any_text(list, nullptr, ',', TEXT_NUMERIC_IDS);
    QStringList entries = QString::fromLocal8Bit(text).split(QLatin1Char(','), Qt::SkipEmptyParts);
    acl_free(text);
    acl_free(list);
    entries.sort();
    return entries;
}

QStringList Sorted(QStringList entries)
{
    entries.sort();
    return entries;
}

void SetAcl(const QString &path, acl_type_t type, const char *text)
{
    const acl_t list = acl_from_text(text);
    ASSERT_NE(list, nullptr) << text;
    ASSERT_EQ(acl_set_file(QFile::encodeName(path).constData(), type, list), 0) << std::strerror(errno);
    acl_free(list);
}

bool HasNamedEntry(const QString &path, acl_type_t type, uid_t uid)
{
    return AclEntries(path, type).contains(QStringLiteral("user:%1:rwx").arg(uid));
}

void MakeFolder(const QString &path, QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                             | QFile::ReadGroup | QFile::ExeGroup)
{
    ASSERT_TRUE(QDir().mkpath(path)) << path.toStdString();
    ASSERT_TRUE(QFile::setPermissions(path, mode)) << path.toStdString();
}

// Runs body in a forked child and returns the lines it reports; an escaping exception is
// reported as "exception: <text>". The child ends with _exit, leaving the test program alone.
QStringList RunInChild(const std::function<QStringList()> &body)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {QStringLiteral("pipe failed")};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        QByteArray report;
        try {
            report = body().join(QLatin1Char('\n')).toUtf8();
        } catch (const std::exception &error) {
            report = QByteArray("exception: ") + error.what();
        }
        for (qsizetype sent = 0; sent < report.size();) {
            const ssize_t n = write(channel[1], report.constData() + sent, size_t(report.size() - sent));
            if (n <= 0)
                break;
            sent += n;
        }
        _exit(0);
    }
    close(channel[1]);
    QByteArray report;
    char block[4096];
    for (ssize_t n; (n = read(channel[0], block, sizeof block)) > 0;)
        report.append(block, n);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return {QStringLiteral("child died")};
    return QString::fromUtf8(report).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// In a child: drops every privilege to account. Returns false when that fails.
bool BecomeAccount(const Account &account)
{
    return setgroups(0, nullptr) == 0 && setgid(account.gid) == 0 && setuid(account.uid) == 0;
}

// The report line of one AddAccessEntry or grant: "code=<n> text=<SystemErrorText>".
QString CodeLine(uint32_t code)
{
    return QStringLiteral("code=%1 text=%2").arg(code).arg(SystemErrorText(code));
}

QString GrantLine(const std::function<void()> &grant)
{
    try {
        grant();
        return QStringLiteral("granted");
    } catch (const RaisedError &error) {
        return QStringLiteral("raised: ") + error.text();
    }
}

class ClassSysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.isValid());
        other_ = OtherAccount();
        // The folder must be reachable by the second account of the root-only tests.
        ASSERT_TRUE(QFile::setPermissions(temp_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                           | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                                           | QFile::ExeOther));
    }

    QString Path(const QString &relative) const { return temp_.filePath(relative); }

    QTemporaryDir temp_;
    Account other_{};
};

// Tests that switch to the second account in a forked child, or mount in a private namespace.
class ClassSysRootTest : public ClassSysTest {
protected:
    void SetUp() override
    {
        ClassSysTest::SetUp();
        if (HasFatalFailure())
            return;
        if (geteuid() != 0)
            GTEST_SKIP() << "needs root: creates a second account and switches to it";
        account_ = TestAccount();
    }

    Account account_{};
};

TEST(ClassSysUser, CurrentUserNameIsTheEffectiveAccount)
{
    QProcess id;
    id.start(QStringLiteral("id"), {QStringLiteral("-un")});
    ASSERT_TRUE(id.waitForFinished());
    EXPECT_EQ(GetCurrentUserName(), QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed());
}

TEST(ClassSysErrors, SystemTextsOfErrorNumbers)
{
    EXPECT_EQ(SystemErrorText(EPERM), QStringLiteral("Operation not permitted"));
    EXPECT_EQ(SystemErrorText(ENOENT), QStringLiteral("No such file or directory"));
    EXPECT_EQ(SystemErrorText(ENOTSUP), QStringLiteral("Operation not supported"));
    EXPECT_EQ(SystemErrorText(ERROR_ACCOUNT_NOT_FOUND), QStringLiteral("No such user account"));
}

TEST_F(ClassSysTest, GrantAddsTheEntryToAccessAndDefaultLists)
{
    const QString folder = Path(QStringLiteral("orn"));
    MakeFolder(folder);
    GrantFolderAccess(folder, OtherAccountName);

    const QStringList expected = Sorted({QStringLiteral("user::rwx"), QStringLiteral("user:%1:rwx").arg(other_.uid),
                                         QStringLiteral("group::r-x"), QStringLiteral("mask::rwx"),
                                         QStringLiteral("other::---")});
    EXPECT_EQ(AclEntries(folder, ACL_TYPE_ACCESS), expected);
    EXPECT_EQ(AclEntries(folder, ACL_TYPE_DEFAULT), expected);
}

TEST_F(ClassSysTest, FilesAndFoldersCreatedInsideInheritTheEntry)
{
    const QString folder = Path(QStringLiteral("orn"));
    MakeFolder(folder);
    GrantFolderAccess(folder, OtherAccountName);

    QFile file(folder + QStringLiteral("/Report.dll"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("bin")));
    const QString subFolder = folder + QStringLiteral("/bin");

    EXPECT_TRUE(HasNamedEntry(file.fileName(), ACL_TYPE_ACCESS, other_.uid));
    EXPECT_TRUE(HasNamedEntry(subFolder, ACL_TYPE_ACCESS, other_.uid));
    EXPECT_TRUE(HasNamedEntry(subFolder, ACL_TYPE_DEFAULT, other_.uid));
    EXPECT_TRUE(AclEntries(subFolder, ACL_TYPE_ACCESS).contains(QStringLiteral("mask::rwx")));
}

TEST_F(ClassSysTest, GrantAddsToTheUsersRightsAndKeepsOtherEntries)
{
    const QString folder = Path(QStringLiteral("orn"));
    MakeFolder(folder);
    const QByteArray access = QStringLiteral("u::rwx,u:4242:r-x,u:%1:r--,g::r-x,m::r-x,o::---").arg(other_.uid).toLatin1();
    SetAcl(folder, ACL_TYPE_ACCESS, access.constData());
    SetAcl(folder, ACL_TYPE_DEFAULT, "u::rwx,u:4243:--x,g::---,m::--x,o::---");

    GrantFolderAccess(folder, OtherAccountName);

    const QString granted = QStringLiteral("user:%1:rwx").arg(other_.uid);
    EXPECT_EQ(AclEntries(folder, ACL_TYPE_ACCESS),
              Sorted({QStringLiteral("user::rwx"), QStringLiteral("user:4242:r-x"), granted, QStringLiteral("group::r-x"),
                      QStringLiteral("mask::rwx"), QStringLiteral("other::---")}));
    EXPECT_EQ(AclEntries(folder, ACL_TYPE_DEFAULT),
              Sorted({QStringLiteral("user::rwx"), QStringLiteral("user:4243:--x"), granted, QStringLiteral("group::---"),
                      QStringLiteral("mask::rwx"), QStringLiteral("other::---")}));
}

TEST_F(ClassSysTest, OwnerGrantingThemselvesGetsTheOwnerEntry)
{
    // A named entry for the owner does not count in the access check: the owner entry must carry the rights.
    const QString folder = Path(QStringLiteral("orn"));
    MakeFolder(folder, QFile::ReadOwner | QFile::ExeOwner);
    GrantFolderAccess(folder, GetCurrentUserName());

    const QStringList expected = Sorted({QStringLiteral("user::rwx"), QStringLiteral("user:%1:rwx").arg(geteuid()),
                                         QStringLiteral("group::---"), QStringLiteral("mask::rwx"),
                                         QStringLiteral("other::---")});
    EXPECT_EQ(AclEntries(folder, ACL_TYPE_ACCESS), expected);
    EXPECT_EQ(AclEntries(folder, ACL_TYPE_DEFAULT), expected);
    EXPECT_TRUE(QFileInfo(folder).isWritable());
}

TEST_F(ClassSysTest, ArgumentsDecideWhatIsWritten)
{
    const QString folder = Path(QStringLiteral("orn"));
    const QString file = Path(QStringLiteral("orn/Update.exe"));
    MakeFolder(folder);
    QFile created(file);
    ASSERT_TRUE(created.open(QIODevice::WriteOnly));
    created.close();
    const QStringList folderBefore = AclEntries(folder, ACL_TYPE_ACCESS);
    const QString granted = QStringLiteral("user:%1:rwx").arg(other_.uid);

    const struct {
        const char *what;
        QString object;
        uint32_t type, rights, mode, inheritance;
        uint32_t code;
        bool accessEntry, defaultEntry;
    } cases[] = {
        {"unsupported object type", folder, 2, GENERIC_ALL, GRANT_ACCESS, FOLDER_TREE_INHERIT, EINVAL, false, false},
        {"rights other than all", folder, SE_FILE_OBJECT, 0x80000000, GRANT_ACCESS, FOLDER_TREE_INHERIT, EINVAL, false, false},
        {"mode other than grant", folder, SE_FILE_OBJECT, GENERIC_ALL, 2, FOLDER_TREE_INHERIT, EINVAL, false, false},
        {"files only inheritance", folder, SE_FILE_OBJECT, GENERIC_ALL, GRANT_ACCESS, OBJECT_INHERIT_ACE, EINVAL, false, false},
        {"missing object", Path(QStringLiteral("gone")), SE_FILE_OBJECT, GENERIC_ALL, GRANT_ACCESS, FOLDER_TREE_INHERIT, ENOENT, false, false},
        {"no inheritance", folder, SE_FILE_OBJECT, GENERIC_ALL, GRANT_ACCESS, NO_INHERITANCE, 0, true, false},
        {"plain file", file, SE_FILE_OBJECT, GENERIC_ALL, GRANT_ACCESS, FOLDER_TREE_INHERIT, 0, true, false},
    };
    for (const auto &row : cases) {
        SetAcl(folder, ACL_TYPE_ACCESS, "u::rwx,g::r-x,o::---");
        ASSERT_EQ(acl_delete_def_file(QFile::encodeName(folder).constData()), 0);
        EXPECT_EQ(AddAccessEntry(row.object, row.type, OtherAccountName, row.rights, row.mode, row.inheritance), row.code)
            << row.what;
        if (row.code != 0) {
            EXPECT_EQ(AclEntries(folder, ACL_TYPE_ACCESS), folderBefore) << row.what;
            continue;
        }
        EXPECT_EQ(AclEntries(row.object, ACL_TYPE_ACCESS).contains(granted), row.accessEntry) << row.what;
        if (QFileInfo(row.object).isDir()) {
            EXPECT_EQ(AclEntries(row.object, ACL_TYPE_DEFAULT).contains(granted), row.defaultEntry) << row.what;
        }
    }
}

TEST_F(ClassSysTest, InstallationGrantsExistingFoldersInOrder)
{
    EXPECT_EQ(GrantedFolders(QStringLiteral("/opt/orn")),
              QStringList({QStringLiteral("/opt/orn"), QStringLiteral("/opt/orn/Images"),
                           QStringLiteral("/opt/orn/Images/classic_d"), QStringLiteral("/opt/orn/Video")}));

    // Layouts: which of Images, Images/classic_d, Video exist. A link is never followed: its
    // target (here outside the installation) gets nothing, and the link is reported.
    const struct {
        const char *what;
        QStringList folders;
        QStringList links;  // "name>target": name is a link to target (relative to the case's folder)
        QStringList granted;
        QStringList skipped;  // reported as links
    } cases[] = {
        {"installation folder only", {}, {}, {QStringLiteral(".")}, {}},
        {"classic_d missing",
         {QStringLiteral("Images"), QStringLiteral("Video")},
         {},
         {QStringLiteral("."), QStringLiteral("Images"), QStringLiteral("Video")},
         {}},
        {"all four",
         {QStringLiteral("Images/classic_d"), QStringLiteral("Video")},
         {},
         {QStringLiteral("."), QStringLiteral("Images"), QStringLiteral("Images/classic_d"), QStringLiteral("Video")},
         {}},
        {"links",
         {QStringLiteral("Images"), QStringLiteral("../media")},
         {QStringLiteral("Video>../media"), QStringLiteral("Images/classic_d>../gone")},
         {QStringLiteral("."), QStringLiteral("Images")},
         {QStringLiteral("Images/classic_d"), QStringLiteral("Video")}},
    };
    int index = 0;
    for (const auto &row : cases) {
        const QString root = Path(QStringLiteral("case%1/orn").arg(index++));
        MakeFolder(root);
        for (const QString &folder : row.folders)
            MakeFolder(QDir(root).filePath(folder));
        for (const QString &link : row.links) {
            const QStringList parts = link.split(QLatin1Char('>'));
            ASSERT_TRUE(QFile::link(QDir(root).filePath(parts[1]), QDir(root).filePath(parts[0]))) << row.what;
        }
        QStringList skipped;
        for (const QString &folder : row.skipped)
            skipped << QDir(root).filePath(folder);
        EXPECT_EQ(GrantInstallationAccess(root, OtherAccountName), skipped) << row.what;
        for (const QString &folder : row.granted) {
            const QString path = QDir::cleanPath(QDir(root).filePath(folder));
            EXPECT_TRUE(HasNamedEntry(path, ACL_TYPE_ACCESS, other_.uid)) << row.what << ": " << folder.toStdString();
            EXPECT_TRUE(HasNamedEntry(path, ACL_TYPE_DEFAULT, other_.uid)) << row.what << ": " << folder.toStdString();
        }
        const QString outside = QDir::cleanPath(QDir(root).filePath(QStringLiteral("../media")));
        if (QFileInfo::exists(outside))
            EXPECT_FALSE(HasNamedEntry(outside, ACL_TYPE_ACCESS, other_.uid)) << row.what;
    }
}

TEST_F(ClassSysTest, UnknownAccountRaisesAndGrantsNothing)
{
    const QString root = Path(QStringLiteral("orn"));
    MakeFolder(root + QStringLiteral("/Images/classic_d"));
    MakeFolder(root + QStringLiteral("/Video"));
    MakeFolder(root + QStringLiteral("/Images"));
    MakeFolder(root);
    QStringList before;
    for (const QString &folder : GrantedFolders(root))
        before << AclEntries(folder, ACL_TYPE_ACCESS).join(',') << AclEntries(folder, ACL_TYPE_DEFAULT).join(',');

    QStringList names = {QStringLiteral("orn-no-such-account"), QString(), QStringLiteral("nobody\x01")};
    if (!FindAccount(QStringLiteral("Unknown")))
        names << QStringLiteral("Unknown");
    for (const QString &name : names) {
        EXPECT_EQ(GrantLine([&] { GrantInstallationAccess(root, name); }), QStringLiteral("raised: No such user account"))
            << name.toStdString();
        QStringList after;
        for (const QString &folder : GrantedFolders(root))
            after << AclEntries(folder, ACL_TYPE_ACCESS).join(',') << AclEntries(folder, ACL_TYPE_DEFAULT).join(',');
        EXPECT_EQ(after, before) << name.toStdString();
    }
}

TEST_F(ClassSysRootTest, SecondAccountReportsItsOwnName)
{
    const Account account = account_;
    EXPECT_EQ(RunInChild([&] {
                  if (!BecomeAccount(account))
                      return QStringList{QStringLiteral("could not switch account")};
                  return QStringList{GetCurrentUserName()};
              }),
              QStringList{TestAccountName});
}

TEST_F(ClassSysRootTest, SecondAccountMayNotChangeRootsFolder)
{
    const QString folder = Path(QStringLiteral("orn"));
    MakeFolder(folder);
    const QStringList before = AclEntries(folder, ACL_TYPE_ACCESS);
    const Account account = account_;

    const QStringList report = RunInChild([&] {
        if (!BecomeAccount(account))
            return QStringList{QStringLiteral("could not switch account")};
        return QStringList{CodeLine(AddAccessEntry(folder, SE_FILE_OBJECT, TestAccountName, GENERIC_ALL, GRANT_ACCESS,
                                                   FOLDER_TREE_INHERIT)),
                           GrantLine([&] { GrantFolderAccess(folder, TestAccountName); })};
    });
    EXPECT_EQ(report, QStringList({CodeLine(EPERM), QStringLiteral("raised: Operation not permitted")}));
    EXPECT_EQ(AclEntries(folder, ACL_TYPE_ACCESS), before);
    EXPECT_EQ(AclEntries(folder, ACL_TYPE_DEFAULT), QStringList());
}

TEST_F(ClassSysRootTest, SecondAccountGrantsInOrderAndStopsAtTheFirstRefusal)
{
    const QString root = Path(QStringLiteral("orn"));
    for (const QString &folder : {QStringLiteral("/Images/classic_d"), QStringLiteral("/Video")})
        MakeFolder(root + folder);
    const QStringList folders = GrantedFolders(root);
    for (const QString &folder : folders)
        ASSERT_EQ(chown(QFile::encodeName(folder).constData(), account_.uid, account_.gid), 0);
    ASSERT_EQ(chown(QFile::encodeName(folders[2]).constData(), 0, 0), 0);  // classic_d stays root's
    const Account account = account_;

    const QStringList report = RunInChild([&] {
        if (!BecomeAccount(account))
            return QStringList{QStringLiteral("could not switch account")};
        return QStringList{GrantLine([&] { GrantInstallationAccess(root, OtherAccountName); })};
    });
    EXPECT_EQ(report, QStringList{QStringLiteral("raised: Operation not permitted")});
    const bool expected[] = {true, true, false, false};
    for (int i = 0; i < folders.size(); ++i) {
        EXPECT_EQ(HasNamedEntry(folders[i], ACL_TYPE_ACCESS, other_.uid), expected[i]) << folders[i].toStdString();
        EXPECT_EQ(HasNamedEntry(folders[i], ACL_TYPE_DEFAULT, other_.uid), expected[i]) << folders[i].toStdString();
    }
}

TEST_F(ClassSysRootTest, GrantedAccountCanWriteTheTree)
{
    const QString folder = Path(QStringLiteral("orn"));
    MakeFolder(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const Account account = account_;
    // In a child running as the second account: "<relative path> made|refused" for each file to create.
    const auto create = [&](const QStringList &files) {
        return RunInChild([&] {
            if (!BecomeAccount(account))
                return QStringList{QStringLiteral("could not switch account")};
            QStringList report;
            for (const QString &name : files) {
                QFile file(QDir(folder).filePath(name));
                report << name + (file.open(QIODevice::WriteOnly) ? QStringLiteral(" made") : QStringLiteral(" refused"));
            }
            return report;
        });
    };

    EXPECT_EQ(create({QStringLiteral("new.dll")}), QStringList{QStringLiteral("new.dll refused")});
    GrantFolderAccess(folder, TestAccountName);
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("bin")));  // root's, created after the grant
    EXPECT_EQ(create({QStringLiteral("new.dll"), QStringLiteral("bin/Report.dll")}),
              QStringList({QStringLiteral("new.dll made"), QStringLiteral("bin/Report.dll made")}));
}

TEST_F(ClassSysRootTest, FileSystemWithoutAccessListsFallsBackToTheOwnersMode)
{
    const QString mountPoint = Path(QStringLiteral("ramfs"));
    MakeFolder(mountPoint);
    const Account account = account_;

    // ramfs keeps no access lists; it is mounted in a private mount namespace of the child only.
    const QStringList report = RunInChild([&] {
        const QByteArray point = QFile::encodeName(mountPoint);
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount("ramfs", point.constData(), "ramfs", 0, "mode=755") != 0)
            return QStringList{QStringLiteral("mount failed: ") + QString::fromLocal8Bit(std::strerror(errno))};
        const QString owned = mountPoint + QStringLiteral("/owned");
        const QString rootsOwn = mountPoint + QStringLiteral("/roots");
        mkdir(QFile::encodeName(owned).constData(), 0500);
        mkdir(QFile::encodeName(rootsOwn).constData(), 0755);
        if (chmod(QFile::encodeName(owned).constData(), 0500) != 0
            || chown(QFile::encodeName(owned).constData(), account.uid, account.gid) != 0)
            return QStringList{QStringLiteral("set-up failed")};
        const auto mode = [](const QString &path) {
            struct stat info {};
            stat(QFile::encodeName(path).constData(), &info);
            return QStringLiteral("mode %1").arg(info.st_mode & 07777, 0, 8);
        };
        const auto add = [&](const QString &path) {
            return CodeLine(AddAccessEntry(path, SE_FILE_OBJECT, TestAccountName, GENERIC_ALL, GRANT_ACCESS,
                                           FOLDER_TREE_INHERIT));
        };
        return QStringList{add(owned), mode(owned), add(rootsOwn), mode(rootsOwn),
                           GrantLine([&] { GrantFolderAccess(rootsOwn, TestAccountName); })};
    });
    EXPECT_EQ(report, QStringList({CodeLine(0), QStringLiteral("mode 700"), CodeLine(ENOTSUP), QStringLiteral("mode 755"),
                                   QStringLiteral("raised: Operation not supported")}));
}

}  // namespace
