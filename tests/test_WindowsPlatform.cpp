// What only Windows has, on the real system calls: the access entry a folder grant writes, read
// back from the folder's security descriptor; a file held open by another process, which cannot
// be replaced; the run lock, a named mutex per folder whatever the folder's spelling; the
// language settings in the registry; a program file held for a moment, started once it is free;
// the fallback language list in the resource library; a folder name beyond the ANSI code page on
// the command line and as the start folder.
#include "app/ClassSys.h"
#include "app/LanguageSettings.h"
#include "base/RaisedError.h"
#include "fixtures/ArchivePacking.h"
#include "fixtures/FtpServerFixture.h"
#include "fixtures/FtpTestConnection.h"
#include "fixtures/ProgramRun.h"
#include "fixtures/QtPrinters.h"
#include "fixtures/SecondInstance.h"
#include "fixtures/TestSystem.h"
#include "install/ArchiveInstall.h"
#include "platform/ProcessStart.h"
#include "platform/RunLock.h"
#include "platform/SafeFile.h"
#include "support/ClassLanguage.h"
#include "windows/SystemProbes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

TEST(WindowsFolderRights, TheGrantIsAnInheritedFullAccessEntryOfTheUser)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    EXPECT_TRUE(GrantFolderAccess(folder.path(), GetCurrentUserName()));
    const UserAccessEntry entry = CurrentUserEntry(folder.path());
    ASSERT_TRUE(entry.found) << "no entry of " << GetCurrentUserName().toStdString();
    EXPECT_TRUE(entry.fullAccess) << std::hex << entry.mask;
    EXPECT_TRUE(entry.inherited);
}

const char kHeldFile[] = "ORN_HELD_FILE";

// Run as a second process: opens the file kHeldFile names for reading, sharing nothing but
// reading (as a running program holds its DLL), says "file: held" and keeps it open until killed.
TEST(WindowsHeldFile, DISABLED_OpenAndKeep)
{
    const bool held = HoldOpen(qEnvironmentVariable(kHeldFile));
    std::printf(held ? "file: held\n" : "file: not opened\n");
    std::fflush(stdout);
    while (held)
        QThread::sleep(60);
}

TEST(WindowsHeldFile, AFileHeldOpenByAnotherProgramIsInUseAndStays)
{
    Folders folders;
    const QString archive = PackNewOverOld(folders);
    const QString target = folders.local + kFile;
    SecondInstance holder(QStringLiteral("WindowsHeldFile.DISABLED_OpenAndKeep"), QLatin1String(kHeldFile), target);
    ASSERT_EQ(holder.Answer(QStringLiteral("file: ")), QStringLiteral("held"));

    const QString replacement = folders.source + QStringLiteral("replacement");
    WriteTestFile(replacement, "new");
    const ReplaceResult replaced = ReplaceFile(replacement, target);
    EXPECT_TRUE(replaced.InUse) << replaced.Error.toStdString();
    EXPECT_FALSE(replaced.Error.isEmpty());

    TArchiveInstaller installer(folders.local);
    const TInstallResult result = installer.Install(folders.local, archive, kFile, kNew.size());
    EXPECT_EQ(result.Outcome, TInstallOutcome::InUse);
    EXPECT_FALSE(result.SystemText.isEmpty());
    EXPECT_EQ(ReadTestFile(target), kOld);
    EXPECT_EQ(FolderEntries(folders.local), (QStringList{archive, kFile})) << "no staging folder left";

    holder.Kill();
    EXPECT_EQ(installer.Install(folders.local, archive, kFile, kNew.size()).Outcome, TInstallOutcome::Installed)
        << "free again once the other program has ended";
    EXPECT_EQ(ReadTestFile(target), kNew);
}

TEST(WindowsProcessStart, AProgramFileHeldForAMomentStartsOnceItIsFree)
{
    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("7z.exe"));
    ASSERT_TRUE(QFile::copy(QStandardPaths::findExecutable(PackingTool()), program)) << PackingTool().toStdString();
    ASSERT_TRUE(HoldExclusivelyFor(program, 300));
    QProcess tool;
    tool.setStandardOutputFile(QProcess::nullDevice());
    ASSERT_TRUE(StartProcess(tool, program, {QStringLiteral("i")})) << tool.errorString().toStdString();
    EXPECT_TRUE(tool.waitForFinished(-1));
    EXPECT_EQ(tool.exitCode(), 0);

    QProcess missing;
    EXPECT_FALSE(StartProcess(missing, folder.filePath(QStringLiteral("none.exe")), {}));
    EXPECT_FALSE(missing.errorString().isEmpty());
}

TEST(WindowsRunLock, TheSameFolderInAnyCaseOrSeparatorIsOneLock)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    TRunLock lock(folder.path());
    ASSERT_EQ(lock.State(), TRunLockState::Held);
    const QString spellings[] = {
        folder.path(),
        QDir::toNativeSeparators(folder.path()),
        folder.path().toUpper(),
        folder.path().toLower() + QStringLiteral("\\"),
    };
    for (const QString &spelling : spellings)
        EXPECT_EQ(TRunLock(spelling).State(), TRunLockState::Busy) << spelling.toStdString();
}

const QString kKey = QStringLiteral("Software\\Pelmarotex");
const QString kSubKey = QStringLiteral("Software\\Pelmarotex\\ORN");

// HKEY_CURRENT_USER\Software\Pelmarotex, removed before and after each test.
class WindowsLanguageSettings : public ::testing::Test {
protected:
    void SetUp() override { DeleteUserKey(kKey); }
    void TearDown() override { DeleteUserKey(kKey); }
};

TEST_F(WindowsLanguageSettings, TheKeyIsCreatedWhenMissingAndTheSubKeyNever)
{
    const LanguageSettings settings = ReadLanguageSettings();
    EXPECT_EQ(settings.LangI, 1);
    EXPECT_EQ(settings.LangS, QStringLiteral("Rus"));
    EXPECT_TRUE(UserKeyExists(kKey));
    EXPECT_FALSE(UserKeyExists(kSubKey));
}

TEST_F(WindowsLanguageSettings, TextValuesOfEitherStringTypeAreRead)
{
    ASSERT_TRUE(StoreUserValue(kSubKey, QStringLiteral("LangI"), RegistryType::Text, QStringLiteral("2")));
    ASSERT_TRUE(StoreUserValue(kSubKey, QStringLiteral("LangS"), RegistryType::ExpandableText, QStringLiteral("%Eng%")));
    const LanguageSettings settings = ReadLanguageSettings();
    EXPECT_EQ(settings.LangI, 2);
    EXPECT_EQ(settings.LangS, QStringLiteral("%Eng%")) << "an expandable string is not expanded";
}

TEST_F(WindowsLanguageSettings, AValueOfAnotherTypeIsAnInvalidDataType)
{
    for (const QString name : {QStringLiteral("LangI"), QStringLiteral("LangS")}) {
        SCOPED_TRACE(name.toStdString());
        DeleteUserKey(kKey);
        ASSERT_TRUE(StoreUserValue(kSubKey, name, RegistryType::Number, QStringLiteral("2")));
        QString error;
        try {
            ReadLanguageSettings();
        } catch (const RaisedError &raised) {
            error = raised.text();
        }
        EXPECT_EQ(error, QStringLiteral("Invalid data type for '%1'").arg(name));
    }
}

TEST(WindowsLanguageFallback, TheListComesFromTheResourceLibraryWhenTheFileIsMissing)
{
    TClassLanguage fromFile;
    fromFile.SetLangFileName(QStringLiteral(ORN_SOURCE_DIR "/resources/orn.txt"));
    fromFile.LoadLangList();
    ASSERT_FALSE(fromFile.sl.isEmpty());

    // The library is found by the system's search, which takes in the current folder.
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORN_BUILD_DIR "/OrnRes.dll"), folder.filePath(QStringLiteral("OrnRes.dll"))));
    struct CurrentFolder {
        QString previous = QDir::currentPath();
        ~CurrentFolder() { QDir::setCurrent(previous); }
    } restored;
    QDir::setCurrent(folder.path());
    TClassLanguage fromLibrary;
    fromLibrary.SetLangFileName(folder.filePath(QStringLiteral("orn.txt")));
    fromLibrary.ResourceFolders = {};
    fromLibrary.LoadLangList();
    EXPECT_EQ(fromLibrary.sl, fromFile.sl);
}

// A folder named in Cyrillic with a letter that the ANSI code page (1251 under the tests'
// Russian locale) does not hold: only the UTF-16 command line and file names carry it whole.
QString BeyondAnsiFolderTemplate()
{
    return QDir::tempPath() + QStringLiteral("/Обновление ORN Ω-XXXXXX");
}

TEST(WindowsCommandLine, AFolderArgumentArrivesAsTyped)
{
    QTemporaryDir folder(BeyondAnsiFolderTemplate());
    ASSERT_TRUE(folder.isValid());
    const QString argument = QDir::toNativeSeparators(folder.path());
    // The program takes no folder argument: it refuses it, naming it as it arrived.
    const ProgramRun run = RunProgram(folder.path(), {argument}, folder.path(), QStringLiteral("127.0.0.1:1"));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errors.startsWith(QStringLiteral("OrnUpdate: unknown argument: ") + argument + PrintedLineEnd()))
        << run.errors.toStdString();
}

TEST(WindowsCommandLine, TheStartFolderIsTheFolderTheProgramWorksIn)
{
    QTemporaryDir server, install(BeyondAnsiFolderTemplate());
    ASSERT_TRUE(install.isValid());
    ASSERT_TRUE(QDir(server.path()).mkpath(QStringLiteral("db")));
    FtpServerFixture ftp(server.path());
    ASSERT_TRUE(ftp.isRunning());
    WriteTestFile(install.filePath(QStringLiteral("ftp.ini")), "/prog/\r\n/db/\r\n");
    // A script list that cannot be read, named in the log with the folder it is in.
    const QString list = install.filePath(QStringLiteral("logdbupdate.txt"));
    ASSERT_TRUE(QDir().mkpath(list));
    const ProgramRun run = RunProgram(install.path(), {QStringLiteral("--unattended"), QStringLiteral("--stages=3")},
                                      install.path(), QStringLiteral("127.0.0.1:%1").arg(ftp.port()));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.lines.contains(QStringLiteral("Не читается список скриптов - ") + QDir::toNativeSeparators(list)))
        << run.lines.join(QLatin1Char('\n')).toStdString();
}

}  // namespace
