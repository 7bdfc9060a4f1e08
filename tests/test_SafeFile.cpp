// Saving the installation's own files (the script list, the sequence record): hidden files of a
// killed save are gone after the next one; a folder standing under the name is refused.
#include "fixtures/FtpTestConnection.h"
#include "fixtures/InstallationSaves.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SafeFile, TheNextSaveRemovesWhatAKilledSaveLeftBehind)
{
    for (const Save &save : kSaves) {
        SCOPED_TRACE(save.what);
        QTemporaryDir installation;
        ASSERT_TRUE(installation.isValid());
        const QString left = installation.path() + "/" + SaveTemporaryPrefix(save.fileName) + "Ab12Cd";
        WriteTestFile(left, "half");
        // Not a name the save makes: kept.
        const QString other = installation.path() + "/" + save.fileName + ".backup";
        WriteTestFile(other, "kept");

        EXPECT_TRUE(save.save(installation.path() + "/" + save.fileName));
        EXPECT_EQ(FolderEntries(installation.path()),
                  (QStringList{save.fileName, QString(save.fileName) + ".backup"}));
    }
}

TEST(SafeFile, AFolderUnderTheNameIsRefusedWithItsName)
{
    QTemporaryDir installation;
    ASSERT_TRUE(installation.isValid());
    const QString path = installation.path() + "/.Report.dll.7z.ornpart";
    ASSERT_TRUE(QDir().mkdir(path));
    QFile file;
    const QString error = OpenForAppend(file, path);
    EXPECT_TRUE(error.startsWith(path)) << error.toStdString();
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(EntryKindOf(path), EntryKind::Folder);
}
