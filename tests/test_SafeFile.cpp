// Saving the installation's own files (the script list, the sequence record) never writes
// through what stands under their names: a link or a second name of an outside file is replaced
// by the new file and the outside file keeps its bytes; hidden files of a killed save are gone
// after the next one.
#include "fixtures/FtpTestConnection.h"
#include "install/ScriptList.h"
#include "platform/SafeFile.h"
#include "release/SequenceRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// One way of saving a file of the installation folder: saves into Path, returns true on success.
struct Save {
    const char *what;
    const char *fileName;
    std::function<bool(const QString &Path)> save;
};

const Save kSaves[] = {
    {"script list", "logdbupdate.txt",
     [](const QString &Path) {
         TScriptList list;
         list.Lines = QStringList{QStringLiteral("001.sql")};
         return SaveScriptList(Path, list);
     }},
    {"sequence record", "ornupdate.sequences",
     [](const QString &Path) {
         QString error;
         return RecordAcceptedSequence(Path, QStringLiteral("/prog/"), 7, &error);
     }},
};

struct Planted {
    const char *what;
    std::function<bool(const QString &name, const QString &outside)> plant;
};

const Planted kPlanted[] = {
    {"link to an outside file", [](const QString &name, const QString &outside) { return QFile::link(outside, name); }},
    {"second name of an outside file",
     [](const QString &name, const QString &outside) {
         return ::link(QFile::encodeName(outside).constData(), QFile::encodeName(name).constData()) == 0;
     }},
};

}  // namespace

TEST(SafeFile, SavesReplaceWhatStandsUnderTheNameAndLeaveTheOutsideFileAlone)
{
    for (const Save &save : kSaves) {
        for (const Planted &planted : kPlanted) {
            SCOPED_TRACE(std::string(save.what) + ", " + planted.what);
            QTemporaryDir installation, outsideDir;
            ASSERT_TRUE(installation.isValid() && outsideDir.isValid());
            const QString outside = outsideDir.path() + "/victim.txt";
            WriteTestFile(outside, "outside file\n");
            const QString path = installation.path() + "/" + save.fileName;
            ASSERT_TRUE(planted.plant(path, outside));

            EXPECT_TRUE(save.save(path));
            EXPECT_EQ(ReadTestFile(outside), QByteArray("outside file\n"));
            EXPECT_EQ(EntryKindOf(path), EntryKind::RegularFile);
            EXPECT_FALSE(ReadTestFile(path).isEmpty());
            EXPECT_EQ(FolderEntries(installation.path()), QStringList{save.fileName});
        }
    }
}

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
