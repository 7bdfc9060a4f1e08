// A fetched file against its manifest entry: size first, then the SHA-256 of the whole file
// read in blocks.
#include "fixtures/FtpTestConnection.h"
#include "release/FileHash.h"
#include "release/ListedFileCheck.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FileHash, Sha256OfFilesAcrossBlockBoundaries)
{
    QTemporaryDir dir;
    for (const int size : {0, 1, 65535, 65536, 65537, 300000}) {
        const QString path = dir.filePath(QString::number(size));
        const QByteArray bytes = TestBytes(size);
        WriteTestFile(path, bytes);
        EXPECT_EQ(FileSha256(path), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)) << size;
    }
    EXPECT_EQ(FileSha256(dir.filePath(QStringLiteral("missing"))), std::nullopt);
    EXPECT_EQ(FileSha256(dir.path()), std::nullopt) << "a folder";
}

TEST(ListedFileCheck, SizeThenHash)
{
    QTemporaryDir dir;
    const QByteArray bytes = TestBytes(70000);
    const QString path = dir.filePath(QStringLiteral("a.7z"));
    WriteTestFile(path, bytes);
    const QByteArray hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    QByteArray otherHash = hash;
    otherHash[31] = char(otherHash[31] ^ 1);
    const struct {
        const char *name;
        QString path;
        TManifestEntry entry;
        TListedFileCheck check;
    } cases[] = {
        {"as listed", path, {QStringLiteral("a.7z"), 70000, hash}, TListedFileCheck::Matches},
        {"one byte longer listed", path, {QStringLiteral("a.7z"), 70001, hash}, TListedFileCheck::SizeDiffers},
        {"one byte shorter listed", path, {QStringLiteral("a.7z"), 69999, hash}, TListedFileCheck::SizeDiffers},
        {"other content, same size", path, {QStringLiteral("a.7z"), 70000, otherHash}, TListedFileCheck::HashDiffers},
        {"missing file", dir.filePath(QStringLiteral("b.7z")), {QStringLiteral("b.7z"), 0, hash},
         TListedFileCheck::Unreadable},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(CheckListedFile(c.path, c.entry), c.check) << c.name;
        EXPECT_EQ(ListedFileCheckText(c.check).isEmpty(), c.check == TListedFileCheck::Matches) << c.name;
    }
}

}  // namespace
