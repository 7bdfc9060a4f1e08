// Folders and the unpacking command of one work-list entry.
#include "install/InstallPaths.h"
#include "fixtures/QtPrinters.h"
#include "fixtures/TestSystem.h"
#include "platform/ExecutableName.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

const QString kArchive = QStringLiteral("6-3-Report.dll-48152-1417904835.7z");

TEST(InstallPaths, FoldersOfTheWorkedExample)
{
    struct FolderCase {
        QString netdir, softdir, pathFtp, pathDir;
        QString server, create, local;
    };
    const FolderCase cases[] = {
        {"/prog/", "/home/user/Prog/", "bin", "bin", "/prog/bin/", "/home/user/Prog/bin", "/home/user/Prog/bin/"},
        {"/prog/", "/home/user/Prog/", "", "", "/prog/", "/home/user/Prog/", "/home/user/Prog/"},
        {"/prog", "/home/user/Prog/", "bin/x64", "bin/x64", "/prog/bin/x64/", "/home/user/Prog/bin/x64",
         "/home/user/Prog/bin/x64/"},
        {"\\prog\\\\", "/home/user/Prog/", "bin", "Bin", "/prog/bin/", "/home/user/Prog/bin", "/home/user/Prog/Bin/"},
        // a share path loses one of its two leading separators, as the collapsing does everywhere
        {"/prog/", "//server/share/", "bin", "bin", "/prog/bin/", "//server/share/bin", "/server/share/bin/"},
    };
    for (const FolderCase &c : cases) {
        EXPECT_EQ(ServerFolder(c.netdir, c.pathFtp), c.server) << c.netdir.toStdString() << " " << c.pathFtp.toStdString();
        EXPECT_EQ(FolderToCreate(c.softdir, c.pathFtp), c.create);
        EXPECT_EQ(LocalFolder(c.softdir, c.pathDir), QDir::toNativeSeparators(c.local));
    }
    EXPECT_EQ(ToolPath(QStringLiteral("//server//share/")), QDir::toNativeSeparators(QStringLiteral("/server/share/")));
}

TEST(InstallPaths, CommandLineOfTheWorkedExample)
{
    EXPECT_EQ(SevenZipCommandLine(QStringLiteral("/home/user/Prog/"), QStringLiteral("/home/user/Prog/bin/"), kArchive),
              QStringLiteral("\"/home/user/Prog/7z\"   e  -y  -o\"/home/user/Prog/bin/\"  "
                             "\"/home/user/Prog/bin/6-3-Report.dll-48152-1417904835.7z\""));
}

TEST(InstallPaths, ToolFromTheInstallationFolderWhenItIsExecutable)
{
    QTemporaryDir dir;
    const QString softdir = dir.path() + QStringLiteral("/");

    const TToolCall fromPath = FindSevenZip(softdir);
    EXPECT_FALSE(fromPath.FromInstallFolder);
    const QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7zz"));
    EXPECT_EQ(fromPath.Program, sevenZip.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("7z")) : sevenZip);

    QFile tool(softdir + ExecutableFileName(QStringLiteral("7z")));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.close();
    // Windows runs a file by its name alone: there is no execute right to withhold.
    if (!kWindowsSystem) {
        EXPECT_FALSE(FindSevenZip(softdir).FromInstallFolder) << "not executable";
        ASSERT_TRUE(tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser));
    }
    const TToolCall bundled = FindSevenZip(softdir);
    EXPECT_TRUE(bundled.FromInstallFolder);
    EXPECT_EQ(bundled.Program, tool.fileName());
}

}  // namespace
