// ftp.ini: two folder lines, each required; the errors a missing file, an unreadable one and a
// missing folder line raise; the translations of the folder-line errors.
#include "base/RaisedError.h"
#include "stages/FtpIni.h"
#include "support/ClassLanguage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The folders read from bytes as "netdir|netDbdir", or the text of the error raised.
QString Parsed(const QByteArray &bytes)
{
    try {
        const FtpIniFolders folders = ParseFtpIni(bytes);
        return folders.netdir + u'|' + folders.netDbdir;
    } catch (const RaisedError &error) {
        return error.text();
    }
}

TEST(FtpIni, BothFolderLinesAreRequired)
{
    struct Case {
        const char *what;
        QByteArray bytes;
        QString expected;
    };
    const QString both = QStringLiteral("/prog/|/db/");
    const Case cases[] = {
        {"CR LF lines", "/prog/\r\n/db/\r\n", both},
        {"LF lines, no final line end", "/prog/\n/db/", both},
        {"blanks and tabs around", "  /prog/\t\r\n\t/db/  \r\n", both},
        {"further lines ignored", "/prog/\n/db/\n/other/\n", both},
        {"Cyrillic folder", QStringLiteral("/программа/\n/база/\n").toLocal8Bit(), QStringLiteral("/программа/|/база/")},
        {"empty file", "", kFtpIniNoProgramFolder},
        {"one line", "/prog/\r\n", kFtpIniNoScriptFolder},
        {"one line without line end", "/prog/", kFtpIniNoScriptFolder},
        {"empty first line", "\r\n/db/\r\n", kFtpIniNoProgramFolder},
        {"blank first line", " \t\r\n/db/\r\n", kFtpIniNoProgramFolder},
        {"empty second line", "/prog/\r\n\r\n/db/\r\n", kFtpIniNoScriptFolder},
        {"control characters only", "\x01\x02\n\x7f\n", kFtpIniNoProgramFolder},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Parsed(c.bytes), c.expected) << c.what;
}

TEST(FtpIni, AFileThatIsMissingOrCannotBeReadRaisesItsError)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("ftp.ini");
    const auto read = [&]() -> QString {
        try {
            const FtpIniFolders folders = ReadFtpIni(path);
            return folders.netdir + u'|' + folders.netDbdir;
        } catch (const RaisedError &error) {
            return error.text();
        }
    };
    EXPECT_EQ(read(), "The specified file was not found");
    ASSERT_TRUE(QDir(dir.path()).mkdir("ftp.ini"));
    EXPECT_EQ(read(), "File access denied");
    ASSERT_TRUE(QDir(dir.path()).rmdir("ftp.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("/prog/\r\n");
    file.close();
    EXPECT_EQ(read(), kFtpIniNoScriptFolder);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("/db/\r\n");
    file.close();
    EXPECT_EQ(read(), "/prog/|/db/");
}

TEST(FtpIni, FolderLineErrorsAreTranslated)
{
    TClassLanguage language;
    language.SetLangFileName(QStringLiteral(ORN_BUILD_DIR "/orn.txt"));
    language.SetLngNameReturn(QStringLiteral("Eng"));
    language.LoadLangList();
    EXPECT_EQ(language.lStr(kFtpIniNoProgramFolder), "ftp.ini names no server folder of the program (line 1)");
    EXPECT_EQ(language.lStr(kFtpIniNoScriptFolder), "ftp.ini names no server folder of the database scripts (line 2)");
    language.SetLngNameReturn(QStringLiteral("Rus"));
    EXPECT_EQ(language.lStr(kFtpIniNoProgramFolder), kFtpIniNoProgramFolder.mid(1).chopped(1));
}

}  // namespace
