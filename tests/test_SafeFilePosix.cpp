// Saving the installation's own files never writes through what stands under their names: a
// link or a second name of an outside file is replaced by the new file and the outside file keeps
// its bytes.
#include "fixtures/FtpTestConnection.h"
#include "fixtures/InstallationSaves.h"
#include "platform/SafeFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

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
