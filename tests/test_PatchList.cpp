// The patch list of a server folder: what ornpack writes reads back, anything malformed refuses
// the whole list, and the list is taken only signed by a release key, for its folder and for the
// manifest it names.
#include "fixtures/MinisignTool.h"
#include "fixtures/ReleaseFixture.h"
#include "release/MinisignSignature.h"
#include "release/PatchList.h"
#include "release/PatchListTrust.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Hash(char c) { return QByteArray(32, c); }

TPatchList SampleList()
{
    TPatchEntry entry;
    entry.ArchivePath = QStringLiteral("bin dir/6-3-Report.dll-5000-1487555520.7z");
    entry.Patch = {QStringLiteral("bin dir/") + PatchFileName(Hash('r'), Hash('b')), 120, Hash('p')};
    entry.BaseSize = 4000;
    entry.BaseSha256 = Hash('b');
    entry.ResultSize = 5000;
    entry.ResultSha256 = Hash('r');
    TPatchEntry top = entry;
    top.ArchivePath = QStringLiteral("3-3-ORN.exe-12-1487555520.7z");
    top.Patch.Path = PatchFileName(Hash('s'), Hash('b'));
    return {QStringLiteral("/prog/"), Hash('m'), {entry, top}};
}

TEST(PatchList, WhatIsWrittenReadsBackInItsOrder)
{
    const TPatchList list = SampleList();
    const QByteArray text = WritePatchList(list);
    const TPatchListRead read = ReadPatchList(text);
    ASSERT_TRUE(read.List) << read.Error.toStdString();
    ASSERT_EQ(read.List->Entries.size(), 2);
    EXPECT_EQ(read.List->Folder, list.Folder);
    EXPECT_EQ(read.List->ManifestSha256, list.ManifestSha256);
    for (int i = 0; i < 2; ++i) {
        const TPatchEntry &a = read.List->Entries.at(i);
        const TPatchEntry &b = list.Entries.at(i);
        EXPECT_EQ(a.ArchivePath, b.ArchivePath);
        EXPECT_EQ(a.Patch.Path, b.Patch.Path);
        EXPECT_EQ(a.Patch.Size, b.Patch.Size);
        EXPECT_EQ(a.Patch.Sha256, b.Patch.Sha256);
        EXPECT_EQ(a.BaseSize, b.BaseSize);
        EXPECT_EQ(a.BaseSha256, b.BaseSha256);
        EXPECT_EQ(a.ResultSize, b.ResultSize);
        EXPECT_EQ(a.ResultSha256, b.ResultSha256);
    }
    EXPECT_EQ(PatchNameOf(read.List->Entries.at(0)), PatchFileName(Hash('r'), Hash('b')));
    EXPECT_EQ(PatchFileName(Hash('r'), Hash('b')), QStringLiteral("7272727272727272.6262626262626262.ornpatch"));
}

TEST(PatchList, AMalformedListIsRefusedWhole)
{
    const QByteArray good = WritePatchList(SampleList());
    const QByteArray line = good.mid(good.indexOf("patch "), good.indexOf('\n', good.indexOf("patch ")) - good.indexOf("patch ") + 1);
    const auto withLine = [&](const QByteArray &replacement) { return QByteArray(good).replace(line, replacement); };
    const struct {
        const char *name;
        QByteArray text;
    } cases[] = {
        {"another header", QByteArray(good).replace("ornupdate-patches 1", "ornupdate-patches 2")},
        {"no line feed at the end", good.chopped(1)},
        {"no manifest line", QByteArray(good).replace("manifest ", "manifesto ")},
        {"no folder line", QByteArray(good).replace("folder /prog/\n", "")},
        {"a second folder line", good + "folder /prog/\n"},
        {"an unknown line", good + "comment hello\n"},
        {"a patch listed twice", good + line},
        {"a size with a sign", withLine(QByteArray(line).replace("patch 120 ", "patch +120 "))},
        {"an upper-case SHA-256", withLine(QByteArray(line).replace(QByteArray("70").repeated(32), QByteArray(64, 'A')))},
        {"a patch name of an archive", withLine(QByteArray(line).replace(".ornpatch ", ".7z "))},
        {"a patch name with a folder", withLine(QByteArray(line).replace(" 7272727272727272.", " x/7272727272727272."))},
        {"an archive path with ..", withLine(QByteArray(line).replace(" bin dir/", " ../"))},
        {"no archive path", withLine(line.left(line.indexOf(".ornpatch") + 9) + "\n")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const TPatchListRead read = ReadPatchList(c.text);
        EXPECT_FALSE(read.List);
        EXPECT_FALSE(read.Error.isEmpty());
    }
}

TEST(PatchList, OnlyASignedListOfItsFolderAndManifestIsTaken)
{
    QTemporaryDir dir;
    const MinisignKeyFiles key = MakeMinisignKey(dir.path(), QStringLiteral("release"));
    const MinisignKeyFiles stranger = MakeMinisignKey(dir.path(), QStringLiteral("stranger"));
    const QVector<TMinisignPublicKey> keys = ParseTrustedKeys(key.publicKeyLine).value();
    const QByteArray text = WritePatchList(SampleList());
    // Signed by the minisign tool itself: the list is a file minisign can verify.
    const auto signedBy = [&](const MinisignKeyFiles &signer, const QByteArray &bytes) {
        const QString path = dir.filePath(QStringLiteral("ornupdate.patches"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        EXPECT_TRUE(MinisignSign(signer, path, QStringLiteral("file:ornupdate.patches")));
        return FileBytes(path + QStringLiteral(".minisig"));
    };
    const QByteArray otherFolder = QByteArray(text).replace("folder /prog/", "folder /db/");
    const struct {
        const char *name;
        QByteArray list;
        std::optional<QByteArray> signature;
        QString folder;
        QByteArray manifest;
        bool taken;
    } cases[] = {
        {"signed, its folder and manifest", text, signedBy(key, text), QStringLiteral("/prog"), Hash('m'), true},
        {"no signature", text, std::nullopt, QStringLiteral("/prog/"), Hash('m'), false},
        {"signed by a stranger", text, signedBy(stranger, text), QStringLiteral("/prog/"), Hash('m'), false},
        {"changed after signing", text + "folder /x/\n", signedBy(key, text), QStringLiteral("/prog/"), Hash('m'), false},
        {"read from another folder", text, signedBy(key, text), QStringLiteral("/db/"), Hash('m'), false},
        {"published for another folder", otherFolder, signedBy(key, otherFolder), QStringLiteral("/prog/"), Hash('m'), false},
        {"of another manifest", text, signedBy(key, text), QStringLiteral("/prog/"), Hash('n'), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const TPatchListTrust trust = CheckPatchListTrust(c.list, c.signature, keys, c.folder, c.manifest);
        EXPECT_EQ(bool(trust.List), c.taken) << trust.Refusal.toStdString();
        EXPECT_EQ(trust.Refusal.isEmpty(), c.taken);
    }
}

}  // namespace
