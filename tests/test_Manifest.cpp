// ornupdate.manifest: what the writer writes the reader reads back, and the reader refuses
// every malformed line and every path that could lead outside the installation folder.
#include "release/Manifest.h"
#include "base/SafePaths.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kHash = QByteArray(64, 'a');  // hexadecimal text of a SHA-256
const QByteArray kHead = "ornupdate-manifest 1\nsequence 5\n";

QByteArray FileLine(const QByteArray &path, const QByteArray &size = "10")
{
    return "file " + size + " " + kHash + " " + path + "\n";
}

TEST(Manifest, WrittenManifestReadsBack)
{
    TManifest manifest;
    manifest.Folder = QStringLiteral("/prog/");
    manifest.Sequence = 1765340000;
    manifest.Expires = QDateTime(QDate(2027, 1, 9), QTime(4, 21, 47), Qt::UTC);
    manifest.Entries = {{QStringLiteral("bin/x64/2-3-my lib.so-3-1417904835.7z"), 120, QByteArray(32, '\x11')},
                        {QStringLiteral("Отчёт.7z"), 0, QByteArray(32, '\xfe')},
                        {QStringLiteral("a.7z"), 9223372036854775807LL, QByteArray(32, '\0')}};
    const QByteArray text = WriteManifest(manifest);
    EXPECT_EQ(text.left(text.indexOf("file ")),
              QByteArray("ornupdate-manifest 1\nfolder /prog/\nsequence 1765340000\nexpires 2027-01-09T04:21:47Z\n"));
    EXPECT_TRUE(text.contains("file 0 " + QByteArray(32, '\xfe').toHex() + " Отчёт.7z\n")) << text.toStdString();

    const TManifestRead read = ReadManifest(text);
    ASSERT_TRUE(read.Manifest.has_value()) << read.Error.toStdString();
    EXPECT_EQ(read.Manifest->Sequence, manifest.Sequence);
    EXPECT_EQ(read.Manifest->Folder, manifest.Folder);
    EXPECT_EQ(read.Manifest->Expires, manifest.Expires);
    QStringList paths;
    for (const TManifestEntry &entry : read.Manifest->Entries)
        paths << entry.Path;
    EXPECT_EQ(paths, QStringList({"a.7z", "bin/x64/2-3-my lib.so-3-1417904835.7z", "Отчёт.7z"})) << "path order";
    EXPECT_EQ(read.Manifest->Entries.at(0).Size, 9223372036854775807LL);
    EXPECT_EQ(read.Manifest->Entries.at(1).Sha256, QByteArray(32, '\x11'));
    EXPECT_EQ(WriteManifest(*read.Manifest), text);

    const TManifestRead bare = ReadManifest(kHead);
    ASSERT_TRUE(bare.Manifest.has_value()) << "no files, no folder and no expiry";
    EXPECT_FALSE(bare.Manifest->Folder.has_value());
    EXPECT_FALSE(bare.Manifest->Expires.has_value());
    EXPECT_TRUE(bare.Manifest->Entries.isEmpty());
}

TEST(Manifest, MalformedManifestsAreRefusedWhole)
{
    const struct {
        QByteArray text;
        const char *error;  // start of the error text
    } cases[] = {
        {"", "line 1: not"},
        {"ornupdate-manifest 1\nsequence 5", "line 2: the last line"},
        {"ornupdate-manifest 2\nsequence 5\n", "line 1: not"},
        {"\xef\xbb\xbfornupdate-manifest 1\nsequence 5\n", "line 1: not"},
        {"ornupdate-manifest 1\r\nsequence 5\r\n", "line 1: not"},
        {"ornupdate-manifest 1\n", "line 1: no sequence line"},
        {kHead + "sequence 6\n", "line 3: a second sequence"},
        {"ornupdate-manifest 1\nsequence -5\n", "line 2: the sequence is not"},
        {"ornupdate-manifest 1\nsequence 05\n", "line 2: the sequence is not"},
        {"ornupdate-manifest 1\nsequence 9223372036854775808\n", "line 2: the sequence is not"},
        {kHead + "expires 2027-01-09\n", "line 3: the expiry"},
        {kHead + "expires 2027-02-30T00:00:00Z\n", "line 3: the expiry"},
        {kHead + "expires 2027-01-09T04:21:47+01:00\n", "line 3: the expiry"},
        {kHead + "expires 2027-01-09T04:21:47Z\nexpires 2027-01-10T04:21:47Z\n", "line 4: a second expires"},
        {kHead + "folder /prog/\nfolder /prog/\n", "line 4: a second folder"},
        {kHead + "folder \n", "line 3: the folder is empty"},
        {kHead + "folder /pr\tog/\n", "line 3: the folder is empty or holds a control"},
        {kHead + "\n", "line 3: unknown line"},
        {kHead + "comment hello\n", "line 3: unknown line"},
        {kHead + "file 10 " + kHash + "\n", "line 3: a file line needs"},
        {kHead + FileLine("a.7z", "+10"), "line 3: the size"},
        {kHead + FileLine("a.7z", "1e3"), "line 3: the size"},
        {kHead + "file 10 " + kHash.toUpper() + " a.7z\n", "line 3: the SHA-256"},
        {kHead + "file 10 " + kHash.left(63) + " a.7z\n", "line 3: the SHA-256"},
        {kHead + FileLine("a.7z") + FileLine("b.7z") + FileLine("a.7z"), "line 5: \"a.7z\" is listed twice"},
        {kHead + FileLine("a\xff.7z"), "not UTF-8"},
    };
    for (const auto &c : cases) {
        const TManifestRead read = ReadManifest(c.text);
        EXPECT_FALSE(read.Manifest.has_value()) << c.text.toStdString();
        EXPECT_TRUE(read.Error.startsWith(QString::fromUtf8(c.error)))
            << c.text.toStdString() << " gave: " << read.Error.toStdString();
    }
}

TEST(Manifest, AnyPathThatCouldLeaveTheFolderRefusesTheManifest)
{
    const QByteArray safe[] = {"a.7z", "bin/a.7z", ".hidden/..x.7z", "dir with space/a b.7z", "Отчёт/файл.7z"};
    const QByteArray unsafe[] = {
        "/etc/a.7z", "../a.7z",    "bin/../../a.7z", "bin/./a.7z", "bin//a.7z", "bin/",  "bin\\a.7z",
        "..",        ".",          "a\t.7z",         "a\r.7z",     "bin/a\x1b.7z", "a\x7f.7z"};
    for (const QByteArray &path : safe) {
        const TManifestRead read = ReadManifest(kHead + FileLine(path));
        EXPECT_TRUE(read.Manifest.has_value()) << path.toStdString() << ": " << read.Error.toStdString();
        EXPECT_TRUE(IsSafeRelativePath(QString::fromUtf8(path))) << path.toStdString();
    }
    for (const QByteArray &path : unsafe) {
        const TManifestRead read = ReadManifest(kHead + FileLine("good.7z") + FileLine(path));
        EXPECT_FALSE(read.Manifest.has_value()) << path.toStdString();
        EXPECT_TRUE(read.Error.startsWith(QStringLiteral("line 4: unsafe path"))) << read.Error.toStdString();
        EXPECT_FALSE(IsSafeRelativePath(QString::fromUtf8(path))) << path.toStdString();
    }
}

}  // namespace
