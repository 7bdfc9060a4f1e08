// The script list file: round trips in every encoding, line ends, and files that must not be
// overwritten because they cannot be read.
#include "install/ScriptList.h"
#include "fixtures/TestSystem.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

QByteArray ReadBytes(const QString &Path)
{
    QFile file(Path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << Path.toStdString();
    return file.readAll();
}

void WriteBytes(const QString &Path, const QByteArray &Bytes)
{
    QFile file(Path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(Bytes), Bytes.size());
}

struct EncodingCase {
    TTextEncoding encoding;
    QByteArray mark;
    QStringConverter::Encoding converter;
    const char *label;
};

TEST(ScriptList, RoundTripKeepsEncodingOrderAndDuplicates)
{
    const EncodingCase cases[] = {
        {TTextEncoding::Local8Bit, QByteArray(), QStringConverter::System, "local 8-bit"},
        {TTextEncoding::Utf8Bom, QByteArray("\xEF\xBB\xBF"), QStringConverter::Utf8, "UTF-8 with mark"},
        {TTextEncoding::Utf16LE, QByteArray("\xFF\xFE"), QStringConverter::Utf16LE, "UTF-16 LE"},
        {TTextEncoding::Utf16BE, QByteArray("\xFE\xFF"), QStringConverter::Utf16BE, "UTF-16 BE"},
    };
    const QStringList original = {QStringLiteral("001_init.sql"), QStringLiteral("002_отчёт.sql"),
                                  QStringLiteral("001_init.sql")};
    for (const EncodingCase &c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("logdbupdate.txt"));
        QStringEncoder encoder(c.converter);
        WriteBytes(path, c.mark + encoder.encode(original.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));

        TScriptList list;
        ASSERT_EQ(LoadScriptList(path, list), TScriptListLoad::Loaded) << c.label;
        EXPECT_EQ(list.Encoding, c.encoding) << c.label;
        EXPECT_EQ(list.Lines, original) << c.label;

        list.Lines.append(QStringLiteral("003_новый.sql"));
        ASSERT_TRUE(SaveScriptList(path, list)) << c.label;
        const QStringList expected = original + QStringList{QStringLiteral("003_новый.sql")};
        EXPECT_EQ(ReadBytes(path),
                  c.mark + encoder.encode(expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")))
            << c.label;
    }
}

TEST(ScriptList, ReadsAnyLineEndAndWritesCrLf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("logdbupdate.txt"));
    WriteBytes(path, QByteArray("a.sql\nb.sql\rc.sql\r\n\r\nd.sql"));
    TScriptList list;
    ASSERT_EQ(LoadScriptList(path, list), TScriptListLoad::Loaded);
    EXPECT_EQ(list.Lines, QStringList({"a.sql", "b.sql", "c.sql", "", "d.sql"}));
    ASSERT_TRUE(SaveScriptList(path, list));
    EXPECT_EQ(ReadBytes(path), QByteArray("a.sql\r\nb.sql\r\nc.sql\r\n\r\nd.sql\r\n"));
}

TEST(ScriptList, ALoneSurrogateDoesNotJoinTheLines)
{
    // Found by fuzz_ScriptList: UTF-16 text with half a surrogate pair came back as one line
    // holding every line break, and would have been written back that way.
    TScriptList list;
    const QByteArray bytes("\xFF\xFE" "a\0\n\0\x0A\xD8" "b\0\r\0\n\0" "c\0", 16);
    ASSERT_EQ(ParseScriptList(bytes, list), TScriptListLoad::Loaded);
    EXPECT_EQ(list.Lines, (QStringList{QStringLiteral("a"), QChar(0xD80A) + QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(list.Encoding, TTextEncoding::Utf16LE);
}

TEST(ScriptList, MissingFileGivesAnEmptyListSavedAsAnEmptyFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("logdbupdate.txt"));
    TScriptList list;
    list.Lines = {QStringLiteral("left over")};
    ASSERT_EQ(LoadScriptList(path, list), TScriptListLoad::Missing);
    EXPECT_TRUE(list.Lines.isEmpty());
    EXPECT_EQ(list.Encoding, TTextEncoding::Local8Bit);
    ASSERT_TRUE(SaveScriptList(path, list));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(ReadBytes(path).isEmpty());
}

TEST(ScriptList, FilesThatCannotBeReadAreReportedAndLeftAlone)
{
    struct UnreadableCase {
        const char *label;
        QByteArray bytes;  // empty: a folder stands at the path
        bool localUtf8 = false;  // unreadable only where the local code page is UTF-8
    };
    const UnreadableCase cases[] = {
        {"a folder", QByteArray()},
        {"bytes that are no text in the local code page", QByteArray("a.sql\r\n\xFF\xFE\xC3(\r\n"), true},
        {"a UTF-8 mark before broken bytes", QByteArray("\xEF\xBB\xBF" "a.sql\xC0\x80\r\n")},
        {"UTF-16 of an odd length", QByteArray("\xFF\xFE" "a\0b", 5)},
    };
    for (const UnreadableCase &c : cases) {
        // Windows reads the list in its ANSI code page, a single-byte one (1251 here) in which
        // every byte is a character.
        if (c.localUtf8 && kWindowsSystem)
            continue;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("logdbupdate.txt"));
        if (c.bytes.isEmpty())
            ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("logdbupdate.txt")));
        else
            WriteBytes(path, c.bytes);
        TScriptList list;
        EXPECT_EQ(LoadScriptList(path, list), TScriptListLoad::Unreadable) << c.label;
        EXPECT_TRUE(list.Lines.isEmpty()) << c.label;
        if (!c.bytes.isEmpty()) {
            EXPECT_EQ(ReadBytes(path), c.bytes) << c.label;
        }
    }
}

TEST(ScriptList, SaveFailureIsReportedAndLeavesNoFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing-folder/logdbupdate.txt"));
    TScriptList list;
    list.Lines = {QStringLiteral("a.sql")};
    QString error;
    EXPECT_FALSE(SaveScriptList(path, list, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
