// Installing one file from its archive with the real 7z: archives that hold anything but the one
// expected file are refused from their listing, and a failed or killed unpacking leaves the
// installed file, Update.bak and the rest of the folder exactly as they were.
#include "fixtures/ArchivePacking.h"
#include "fixtures/FtpTestConnection.h"
#include "fixtures/QtPrinters.h"
#include "base/RaisedError.h"
#include "install/ArchiveInstall.h"
#include "fixtures/TestSystem.h"
#include "platform/ExecutableName.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <thread>

namespace {

struct RefusalCase {
    const char *name;
    // Writes into the source folder and returns the members to pack.
    std::function<QStringList(const QString &Source)> prepare;
    QStringList switches;
    int64_t sizeInName;
    TArchiveRefusal refusal;
    // A link or a name that Windows cannot have (see kNoSymbolicLinks; no line breaks in names).
    bool posixOnly = false;
};

const RefusalCase kRefusals[] = {
    {"also ftp.ini, orn.txt and logdbupdate.txt",
     [](const QString &s) {
         for (const char *name : {"Report.dll", "ftp.ini", "orn.txt", "logdbupdate.txt"})
             WriteTestFile(s + QLatin1String(name), "from the archive: " + QByteArray(name));
         return QStringList{kFile, QStringLiteral("ftp.ini"), QStringLiteral("orn.txt"),
                            QStringLiteral("logdbupdate.txt")};
     },
     {}, 27, TArchiveRefusal::NotOneEntry},
    {"5000 files besides the expected one",
     [](const QString &s) {
         WriteTestFile(s + kFile, kNew);
         for (int i = 0; i < 5000; ++i)
             WriteTestFile(s + QStringLiteral("extra%1.txt").arg(i), QByteArray::number(i));
         return QStringList{QStringLiteral("*")};
     },
     {}, kNew.size(), TArchiveRefusal::NotOneEntry},
    {"a symbolic link of the expected name",
     [](const QString &s) {
         QFile::link(QStringLiteral("/etc/passwd"), s + kFile);
         return QStringList{kFile};
     },
     {QStringLiteral("-snl")}, 11, TArchiveRefusal::NotRegular, true},
    {"a folder of the expected name",
     [](const QString &s) {
         QDir().mkpath(s + kFile);
         return QStringList{kFile};
     },
     {}, 0, TArchiveRefusal::NotRegular},
    {"another file name",
     [](const QString &s) {
         WriteTestFile(s + QStringLiteral("Other.dll"), kNew);
         return QStringList{QStringLiteral("Other.dll")};
     },
     {}, kNew.size(), TArchiveRefusal::OtherName},
    {"the expected name inside a folder",
     [](const QString &s) {
         WriteTestFile(s + QStringLiteral("bin/") + kFile, kNew);
         return QStringList{QStringLiteral("bin/") + kFile};
     },
     {}, kNew.size(), TArchiveRefusal::OtherName},
    {"a name with a line break that repeats the expected name",
     [](const QString &s) {
         WriteTestFile(s + QStringLiteral("x\nPath = Report.dll"), kNew);
         return QStringList{QStringLiteral("x\nPath = Report.dll")};
     },
     {}, kNew.size(), TArchiveRefusal::OtherName, true},
    {"a size other than the name's",
     [](const QString &s) {
         WriteTestFile(s + kFile, kNew);
         return QStringList{kFile};
     },
     {}, kNew.size() + 1, TArchiveRefusal::OtherSize},
    {"a 1 GiB file in a small archive",
     [](const QString &s) {
         QFile big(s + kFile);
         big.open(QIODevice::WriteOnly);
         big.resize(qint64(1) << 30);  // sparse: no disk is used to make it
         return QStringList{kFile};
     },
     {}, kNew.size(), TArchiveRefusal::OtherSize},
};

TEST(ArchiveInstall, ArchivesNotHoldingExactlyTheExpectedFileAreRefusedBeforeUnpacking)
{
    for (const RefusalCase &c : kRefusals) {
        if (c.posixOnly && kWindowsSystem)
            continue;
        SCOPED_TRACE(c.name);
        Folders folders;
        const QString archive = ArchiveFor(kFile, c.sizeInName);
        Pack(folders.source, c.prepare(folders.source), folders.local + archive, c.switches);
        WriteTestFile(folders.local + kFile, kOld);
        for (const char *name : {"ftp.ini", "orn.txt", "logdbupdate.txt"})
            WriteTestFile(folders.local + QLatin1String(name), "installed " + QByteArray(name));
        const QMap<QString, QByteArray> before = Snapshot(folders.local);

        TArchiveInstaller installer(folders.local);
        const TInstallResult result = installer.Install(folders.local, archive, kFile, c.sizeInName);
        EXPECT_EQ(result.Outcome, TInstallOutcome::Refused);
        EXPECT_EQ(result.Refusal, c.refusal);
        EXPECT_TRUE(result.UnpackArguments.isEmpty()) << "the unpacking never ran";
        ExpectUnchanged(folders.local, before);
    }
}

TEST(ArchiveInstall, InstallsTheOneFileAndLeavesTheArchiveBeside)
{
    Folders folders;
    const QString archive = PackNewOverOld(folders);

    TArchiveInstaller installer(folders.local);
    const TInstallResult result = installer.Install(folders.local, archive, kFile, kNew.size());
    EXPECT_EQ(result.Outcome, TInstallOutcome::Installed);
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_FALSE(result.BackedUp);
    EXPECT_EQ(ReadTestFile(folders.local + kFile), kNew);
    EXPECT_EQ(FolderEntries(folders.local), (QStringList{archive, kFile}));
}

TEST(ArchiveInstall, FailedUnpackingLeavesTheInstalledFileAsItWas)
{
    struct Case {
        const char *name;
        std::function<void(const Folders &, const QString &Archive)> make;
        TInstallOutcome outcome;
        int exitCode;
    };
    const Case cases[] = {
        {"no archive at all", [](const Folders &F, const QString &A) { WriteTestFile(F.local + A, "7z\xBC\xAF\x27\x1C junk"); },
         TInstallOutcome::ListingFailed, 2},
        {"a zip archive", [](const Folders &F, const QString &A) {
             WriteTestFile(F.source + kFile, kNew);
             Pack(F.source, {kFile}, F.local + A + QStringLiteral(".zip"), {QStringLiteral("-tzip")});
             QFile::rename(F.local + A + QStringLiteral(".zip"), F.local + A);
         },
         TInstallOutcome::ListingFailed, 2},
        {"a CRC error", [](const Folders &F, const QString &A) { PackDamaged(F, kFile, A); },
         TInstallOutcome::UnpackFailed, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Folders folders;
        const QString archive = ArchiveFor(kFile, kNew.size());
        c.make(folders, archive);
        WriteTestFile(folders.local + kFile, kOld);
        const QMap<QString, QByteArray> before = Snapshot(folders.local);

        TArchiveInstaller installer(folders.local);
        const TInstallResult result = installer.Install(folders.local, archive, kFile, kNew.size());

        EXPECT_EQ(result.Outcome, c.outcome);
        EXPECT_EQ(result.ExitCode, c.exitCode);
        ExpectUnchanged(folders.local, before);
        EXPECT_FALSE(InstallFailureLine(result, folders.local, archive, kFile, [](const QString &k) { return k; })
                         .isEmpty());
    }
}

TEST(ArchiveInstall, StagingFoldersOfAKilledRunAreRemovedByTheNextInstallIntoTheirFolder)
{
    Folders folders;
    const QString archive = PackNewOverOld(folders);
    const QString stale = folders.local + kStagingPrefix + QStringLiteral("a1b2c3/");
    WriteTestFile(stale + kFile, kNew.left(100));
    QFile::link(QStringLiteral("/etc"), folders.local + kStagingPrefix + QStringLiteral("link"));

    TArchiveInstaller installer(folders.local);
    EXPECT_EQ(installer.Install(folders.local, archive, kFile, kNew.size()).Outcome, TInstallOutcome::Installed);
    EXPECT_EQ(FolderEntries(folders.local), (QStringList{archive, kFile}));
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral("/etc/passwd"))) << "a link is removed, not followed";
}

TEST(ArchiveInstall, FilesStagedOnSeveralThreadsChangeNoTargetUntilPlacedAndLeaveNoStagingFolder)
{
    Folders folders;
    const QStringList names{QStringLiteral("A.dll"), QStringLiteral("B.dll"), QStringLiteral("C.dll"),
                            QStringLiteral("Update.exe")};
    QStringList archives;
    for (const QString &name : names) {
        WriteTestFile(folders.source + name, kNew);
        archives << ArchiveFor(name, kNew.size());
        Pack(folders.source, {name}, folders.local + archives.last());
        WriteTestFile(folders.local + name, kOld);
    }
    TArchiveInstaller installer(folders.local);
    installer.SweepStaging(folders.local);
    {
        std::vector<TStagedFile> staged(size_t(names.size()));
        std::vector<std::thread> threads;
        for (int i = 0; i < names.size(); ++i)
            threads.emplace_back([&, i] { staged[size_t(i)] = installer.Stage(folders.local, archives[i], names[i], kNew.size()); });
        for (std::thread &thread : threads)
            thread.join();
        for (int i = 0; i < names.size(); ++i) {
            EXPECT_EQ(staged[size_t(i)].Result.Outcome, TInstallOutcome::Installed);
            EXPECT_EQ(ReadTestFile(folders.local + names[i]), kOld) << "staging leaves the target alone";
        }
        // Only the first is placed; the others are dropped as on a stop.
        EXPECT_EQ(TArchiveInstaller::Place(staged[0], folders.local, names[0]).Outcome, TInstallOutcome::Installed);
    }
    EXPECT_EQ(ReadTestFile(folders.local + names[0]), kNew);
    for (int i = 1; i < names.size(); ++i)
        EXPECT_EQ(ReadTestFile(folders.local + names[i]), kOld) << names[i].toStdString();
    QStringList expected = archives + names;
    expected.sort();
    EXPECT_EQ(FolderEntries(folders.local), expected) << "no staging folder and no Update.bak";
}

TEST(ArchiveInstall, SignedArchivesOfAFolderUnpackTogetherAndFallBackOneByOneWhenOneIsWrong)
{
    struct Case {
        const char *name;
        bool secondHoldsTwoFiles;  // the publisher signed an archive holding a stray file too
        bool together;             // one staging folder for all
        TInstallOutcome second;
    };
    const Case cases[] = {
        {"every archive as expected", false, true, TInstallOutcome::Installed},
        // Not refused from a listing (a signed archive is not listed), caught once unpacked.
        {"one archive with a second file", true, false, TInstallOutcome::StagedFileWrong},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Folders folders;
        const QStringList names{QStringLiteral("A.dll"), QStringLiteral("B.dll"), QStringLiteral("C.dll")};
        QVector<TArchiveToStage> archives;
        for (const QString &name : names) {
            WriteTestFile(folders.source + name, kNew);
            archives.append({ArchiveFor(name, kNew.size()), name, kNew.size()});
            QStringList members{name};
            if (c.secondHoldsTwoFiles && name == names[1]) {
                WriteTestFile(folders.source + QStringLiteral("stray.txt"), "stray");
                members << QStringLiteral("stray.txt");
            }
            Pack(folders.source, members, folders.local + archives.last().Archive);
            WriteTestFile(folders.local + name, kOld);
        }
        TArchiveInstaller installer(folders.local);
        installer.SweepStaging(folders.local);
        std::vector<TStagedFile> staged = installer.StageSigned(folders.local, archives);
        ASSERT_EQ(staged.size(), size_t(3));
        EXPECT_EQ(staged[0].Staging == staged[2].Staging, c.together);
        const TInstallOutcome expected[] = {TInstallOutcome::Installed, c.second, TInstallOutcome::Installed};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(staged[size_t(i)].Result.Outcome, expected[i]) << names[i].toStdString();
            EXPECT_EQ(ReadTestFile(folders.local + names[i]), kOld) << "staging leaves the target alone";
        }
        for (int i = 0; i < 3; ++i)
            TArchiveInstaller::Place(staged[size_t(i)], folders.local, names[i]);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(ReadTestFile(folders.local + names[i]), expected[i] == TInstallOutcome::Installed ? kNew : kOld)
                << names[i].toStdString();
        QStringList entries = names;
        for (const TArchiveToStage &archive : std::as_const(archives))
            entries << archive.Archive;
        entries.sort();
        EXPECT_EQ(FolderEntries(folders.local), entries) << "the shared staging folder goes with its last file";
    }
}

TEST(ArchiveInstall, SignedArchivesOfSeveralFoldersUnpackByOneRunUnlessTheirNamesMeet)
{
    struct Case {
        const char *name;
        QStringList files;  // below the local folder, one archive each
        bool together;      // one staging folder for all
    };
    const Case cases[] = {
        {"other names in other folders", {QStringLiteral("A.dll"), QStringLiteral("bin/B.dll"), QStringLiteral("bin/x64/C.dll")}, true},
        // One staging folder cannot hold both (nor could one on a case-blind file system).
        {"one name in two folders", {QStringLiteral("A.dll"), QStringLiteral("bin/a.DLL"), QStringLiteral("bin/C.dll")}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Folders folders;
        QStringList localFolders;
        QVector<TArchiveToStage> archives;
        for (const QString &file : c.files) {
            const QFileInfo info(file);
            const QString folder = folders.local + (info.path() == QStringLiteral(".") ? QString() : info.path() + QLatin1Char('/'));
            ASSERT_TRUE(QDir().mkpath(folder));
            WriteTestFile(folders.source + info.fileName(), kNew);
            archives.append({ArchiveFor(info.fileName(), kNew.size()), info.fileName(), kNew.size()});
            Pack(folders.source, {info.fileName()}, folder + archives.last().Archive);
            QFile::remove(folders.source + info.fileName());
            WriteTestFile(folder + info.fileName(), kOld);
            localFolders << folder;
        }
        TArchiveInstaller installer(folders.local);
        for (const QString &folder : std::as_const(localFolders))
            installer.SweepStaging(folder);
        std::vector<TStagedFile> staged = installer.StageSignedFolders(localFolders, archives);
        ASSERT_EQ(staged.size(), size_t(3));
        EXPECT_EQ(staged[0].Staging == staged[1].Staging, c.together);
        EXPECT_EQ(staged[0].Result.UnpackedTogether, c.together);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(staged[size_t(i)].Result.Outcome, TInstallOutcome::Installed) << c.files[i].toStdString();
            EXPECT_EQ(ReadTestFile(localFolders[i] + archives[i].FileName), kOld) << "staging leaves the target alone";
        }
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(TArchiveInstaller::Place(staged[size_t(i)], localFolders[i], archives[i].FileName).Outcome,
                      TInstallOutcome::Installed);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ReadTestFile(localFolders[i] + archives[i].FileName), kNew) << c.files[i].toStdString();
            for (const QString &entry : FolderEntries(localFolders[i]))
                EXPECT_FALSE(entry.startsWith(kStagingPrefix)) << "the shared staging folder goes with its last file";
        }
    }
}

TEST(ArchiveInstall, UpdateExeIsBackedUpOnlyOnceItsSuccessorIsStaged)
{
    struct Case {
        const char *name;
        QString fileName;    // the decoded name of the archive
        QString installed;   // the name the current updater has in the folder ("": none)
        bool olderBackup;    // an Update.bak of an earlier run is there
        bool damaged;        // the archive fails with a CRC error
        TInstallOutcome outcome;
        QByteArray exeAfter;
        QByteArray bakAfter;  // empty: no backup
    };
    const QByteArray current("current updater");
    const QByteArray older("older updater");
    const QString exe = QStringLiteral("Update.exe");
    const Case cases[] = {
        {"replaced: the current one becomes the backup", exe, exe, true, false, TInstallOutcome::Installed, kNew, current},
        {"repaired: the older backup stays", exe, QString(), true, false, TInstallOutcome::Installed, kNew, older},
        {"repaired without a backup", exe, QString(), false, false, TInstallOutcome::Installed, kNew, QByteArray()},
        {"damaged archive: nothing moves", exe, exe, true, true, TInstallOutcome::UnpackFailed, current, older},
        {"upper-case name", QStringLiteral("UPDATE.EXE"), QStringLiteral("UPDATE.EXE"), false, false,
         TInstallOutcome::Installed, kNew, current},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Folders folders;
        const QString archive = ArchiveFor(c.fileName, kNew.size());
        if (c.damaged) {
            PackDamaged(folders, c.fileName, archive);
        } else {
            WriteTestFile(folders.source + c.fileName, kNew);
            Pack(folders.source, {c.fileName}, folders.local + archive);
        }
        const QString backup = folders.local + c.fileName.left(c.fileName.size() - 4) + QStringLiteral(".bak");
        if (!c.installed.isEmpty())
            WriteTestFile(folders.local + c.installed, current);
        if (c.olderBackup)
            WriteTestFile(backup, older);

        TArchiveInstaller installer(folders.local);
        const TInstallResult result = installer.Install(folders.local, archive, c.fileName, kNew.size());
        EXPECT_EQ(result.Outcome, c.outcome);
        EXPECT_EQ(result.BackedUp, c.outcome == TInstallOutcome::Installed && !c.installed.isEmpty());
        EXPECT_EQ(ReadTestFile(folders.local + c.fileName), c.exeAfter);
        EXPECT_EQ(QFileInfo::exists(backup), !c.bakAfter.isEmpty());
        EXPECT_EQ(ReadTestFile(backup), c.bakAfter);
    }
}

TEST(ArchiveInstall, AToolDeliveredByAnArchiveNeverRunsInTheSameStage)
{
    Folders folders;
    const QString marker = folders.dir.filePath(QStringLiteral("fake 7z ran"));
    const QString toolName = ExecutableFileName(QStringLiteral("7z"));
    // The installation's own tool: a real 7-Zip program.
    const QString realTool = QStandardPaths::findExecutable(PackingTool());
    ASSERT_FALSE(realTool.isEmpty());
    ASSERT_TRUE(QFile::copy(realTool, folders.local + toolName));
    QFile::setPermissions(folders.local + toolName, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    // On Windows the delivered tool is no program: had it run, the second install would fail.
    const QByteArray fake = kWindowsSystem ? QByteArray("not a program") : "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\nexit 0\n";
    WriteTestFile(folders.source + toolName, fake);
    QFile::setPermissions(folders.source + toolName, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString toolArchive = ArchiveFor(toolName, fake.size());
    Pack(folders.source, {toolName}, folders.local + toolArchive);
    WriteTestFile(folders.source + kFile, kNew);
    const QString fileArchive = ArchiveFor(kFile, kNew.size());
    Pack(folders.source, {kFile}, folders.local + fileArchive);

    QString privateCopy;
    {
        TArchiveInstaller installer(folders.local);
        privateCopy = installer.Tool().Program();
        EXPECT_TRUE(installer.Tool().FromInstallFolder());
        EXPECT_EQ(installer.Tool().Found(), folders.local + toolName);
        EXPECT_FALSE(privateCopy.startsWith(folders.local));
        EXPECT_EQ(installer.Install(folders.local, toolArchive, toolName, fake.size()).Outcome,
                  TInstallOutcome::Installed);
        EXPECT_EQ(ReadTestFile(folders.local + toolName), fake) << "the archive did install its 7z";
        EXPECT_EQ(installer.Install(folders.local, fileArchive, kFile, kNew.size()).Outcome, TInstallOutcome::Installed);
    }
    EXPECT_EQ(ReadTestFile(folders.local + kFile), kNew);
    EXPECT_FALSE(QFileInfo::exists(marker)) << "the delivered 7z was run";
    EXPECT_FALSE(QFileInfo::exists(privateCopy)) << "the private copy outlived its stage";
}

TEST(ArchiveInstall, ListingTextsThatCouldHideASecondEntryAreNotWellFormed)
{
    const QByteArray head("Listing archive: a.7z\n\n--\nPath = a.7z\nType = 7z\n\n----------\n");
    const QByteArray entry("Path = Report.dll\nSize = 5\nAttributes = A -rw-r--r--\n");
    struct Case {
        const char *name;
        QByteArray text;
        bool wellFormed;
        int entries;
    };
    const Case cases[] = {
        {"one entry", head + entry, true, 1},
        {"one entry, CR LF line ends", QByteArray(head + entry).replace("\n", "\r\n"), true, 1},
        {"two entries", head + entry + "\n" + entry, true, 2},
        {"a key twice in one entry", head + entry + entry, false, 0},
        {"a line that is no property", head + "Report.dll\n" + entry, false, 0},
        {"no entries line", entry, false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TArchiveListing listing = ParseArchiveListing(c.text);
        EXPECT_EQ(listing.WellFormed, c.wellFormed);
        EXPECT_EQ(listing.Entries.size(), c.entries);
        if (c.wellFormed)
            EXPECT_EQ(listing.Type, QStringLiteral("7z"));
    }
}

TEST(ArchiveInstall, FailureLinesNameTheArchiveAndTheReason)
{
    const auto keys = [](const QString &key) { return QStringLiteral("<") + key + QStringLiteral(">"); };
    const QString local = QStringLiteral("/soft/bin/");
    const QString archive = QStringLiteral("10-3-Report.dll-5-1.7z");
    struct Case {
        TInstallResult result;
        QString line;
    };
    TInstallResult unpack;
    unpack.Outcome = TInstallOutcome::UnpackFailed;
    unpack.ExitCode = 2;
    TInstallResult refused;
    refused.Outcome = TInstallOutcome::Refused;
    refused.Refusal = TArchiveRefusal::NotOneEntry;
    TInstallResult placed;
    placed.Outcome = TInstallOutcome::PlaceFailed;
    placed.SystemText = QStringLiteral("Permission denied");
    TInstallResult wrong;
    wrong.Outcome = TInstallOutcome::StagedFileWrong;
    const Case cases[] = {
        {unpack, QStringLiteral("    <…Ошибка распаковки архива… - >/soft/bin/10-3-Report.dll-5-1.7z (<…код завершения…> 2)")},
        {refused, QStringLiteral("    <…Содержимое архива не такое, как ожидалось… - >/soft/bin/10-3-Report.dll-5-1.7z "
                                 "(<…в архиве не один файл…>)")},
        {placed, QStringLiteral("    <…Файл не заменён… - >/soft/bin/Report.dll (Permission denied)")},
        {wrong, QStringLiteral("    <…Размер установленного файла не совпадает… - >/soft/bin/Report.dll")},
        {TInstallResult(), QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(InstallFailureLine(c.result, local, archive, kFile, keys), c.line);
}

TEST(ArchiveInstall, AToolThatCannotStartRaisesTheSystemText)
{
    QTemporaryDir dir;
    const QString softdir = dir.path() + QStringLiteral("/");
    // An executable file that is no program: the system refuses to start it.
    const QString toolName = ExecutableFileName(QStringLiteral("7z"));
    WriteTestFile(softdir + toolName, "no program");
    QFile(softdir + toolName).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    TSevenZipTool tool(softdir);
    ASSERT_TRUE(tool.FromInstallFolder());
    try {
        tool.Run({QStringLiteral("l")});
        FAIL() << "no error raised";
    } catch (const RaisedError &error) {
        EXPECT_FALSE(error.text().isEmpty());
    }
}

}  // namespace
