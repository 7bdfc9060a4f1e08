// ornpack --previous: a Zstandard patch for each file that changed since each previous release,
// beside its archive and only when clearly smaller than it, listed in a signed patch list bound
// to the manifest; the manifest itself stays as older updaters read it.
#include "fixtures/MinisignTool.h"
#include "fixtures/PatchData.h"
#include "fixtures/ReleaseFixture.h"
#include "release/FileHash.h"
#include "release/Manifest.h"
#include "release/PatchCodec.h"
#include "release/PatchList.h"
#include "release/MinisignSignature.h"
#include "release/PatchListTrust.h"
#include "release/PublicationComment.h"
#include "release/ReleasePack.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kOrnpack = QStringLiteral(ORN_BUILD_DIR "/tools/ornpack");
const QDateTime kDay(QDate(2025, 3, 1), QTime(9, 0));

int RunOrnpack(const QStringList &Arguments, QString *Errors = nullptr)
{
    QProcess tool;
    tool.start(kOrnpack, Arguments);
    EXPECT_TRUE(tool.waitForFinished(-1));
    if (Errors)
        *Errors = QString::fromUtf8(tool.readAllStandardError());
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

QStringList FilesEndingIn(const QString &Root, const QString &Ending)
{
    QStringList files;
    QDirIterator it(Root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir(Root).relativeFilePath(it.next());
        if (path.endsWith(Ending))
            files.append(path);
    }
    files.sort();
    return files;
}

class OrnpackPatches : public ::testing::Test {
protected:
    void SetUp() override
    {
        key = MakeMinisignKey(dir.path(), QStringLiteral("release"));
        report0 = RandomBytes(300000, 1);
        report1 = ChangedBlocks(report0, 2);
        report2 = ChangedBlocks(report1, 3);
        WriteRelease(QStringLiteral("v0"), report0, RandomBytes(50000, 4));
        WriteRelease(QStringLiteral("v1"), report1, RandomBytes(50000, 5));
        WriteRelease(QStringLiteral("v2"), report2, RandomBytes(50000, 6));
        WriteDatedFile(Folder(QStringLiteral("v2")), QStringLiteral("New.dll"), "only in v2", kDay);
    }

    void WriteRelease(const QString &name, const QByteArray &report, const QByteArray &lang)
    {
        WriteDatedFile(Folder(name), QStringLiteral("ORN.exe"), QByteArray(20000, 'o'), kDay);
        WriteDatedFile(Folder(name), QStringLiteral("bin/Report.dll"), report, kDay);
        WriteDatedFile(Folder(name), QStringLiteral("bin/Lang.dll"), lang, kDay);  // nothing shared: no patch pays
    }

    QString Folder(const QString &name) const { return dir.filePath(name); }
    QString Output() const { return dir.filePath(QStringLiteral("server")); }

    int Publish(const QStringList &previous, QString *errors = nullptr)
    {
        QStringList arguments = {QStringLiteral("--sign"), key.secretKeyFile, QStringLiteral("--folder"),
                                 QStringLiteral("/prog/")};
        for (const QString &p : previous)
            arguments << QStringLiteral("--previous") << Folder(p);
        return RunOrnpack(arguments << Folder(QStringLiteral("v2")) << Output(), errors);
    }

    QTemporaryDir dir;
    MinisignKeyFiles key;
    QByteArray report0, report1, report2;
};

TEST_F(OrnpackPatches, EachPreviousReleaseGivesItsPatchOfAChangedFile)
{
    QString errors;
    ASSERT_EQ(Publish({QStringLiteral("v1"), QStringLiteral("v0")}, &errors), 0) << errors.toStdString();
    const QStringList patches = FilesEndingIn(Output(), kPatchExtension);
    ASSERT_EQ(patches.size(), 2) << patches.join(QLatin1Char(' ')).toStdString();

    // The list is signed (the minisign tool agrees), names the folder and the manifest as written.
    const QString listPath = Output() + QLatin1Char('/') + kPatchListName;
    EXPECT_TRUE(MinisignAccepts(key, listPath));
    const QByteArray manifestBytes = FileBytes(Output() + QLatin1Char('/') + kManifestName);
    const TPatchListTrust trust =
        CheckPatchListTrust(FileBytes(listPath), FileBytes(listPath + QStringLiteral(".minisig")),
                            ParseTrustedKeys(key.publicKeyLine).value(), QStringLiteral("/prog/"), BytesSha256(manifestBytes));
    ASSERT_TRUE(trust.List) << trust.Refusal.toStdString();
    ASSERT_EQ(trust.List->Entries.size(), 2);

    // The manifest lists the archives alone, as an updater that knows no patches expects.
    const TManifestRead manifest = ReadManifest(manifestBytes);
    ASSERT_TRUE(manifest.Manifest);
    EXPECT_EQ(manifest.Manifest->Entries.size(), 4);
    for (const TManifestEntry &entry : manifest.Manifest->Entries)
        EXPECT_TRUE(entry.Path.endsWith(QStringLiteral(".7z"))) << entry.Path.toStdString();

    // Each patch, from v1 then from v0, is in the archive's folder and gives v2's file.
    const QByteArray bases[] = {report1, report0};
    for (int i = 0; i < 2; ++i) {
        const TPatchEntry &entry = trust.List->Entries.at(i);
        EXPECT_TRUE(entry.ArchivePath.startsWith(QStringLiteral("bin/6-3-Report.dll-300000-"))) << entry.ArchivePath.toStdString();
        EXPECT_EQ(entry.Patch.Path, QStringLiteral("bin/") + PatchFileName(BytesSha256(report2), BytesSha256(bases[i])));
        EXPECT_EQ(entry.BaseSha256, BytesSha256(bases[i]));
        EXPECT_EQ(entry.ResultSha256, BytesSha256(report2));
        const QByteArray patch = FileBytes(Output() + QLatin1Char('/') + entry.Patch.Path);
        EXPECT_EQ(BytesSha256(patch), entry.Patch.Sha256);
        EXPECT_LT(patch.size() * 20, report2.size()) << "a few scattered blocks cost a few per cent";
        QBuffer input;
        input.setData(patch);
        input.open(QIODevice::ReadOnly);
        QByteArray result;
        QBuffer output(&result);
        output.open(QIODevice::WriteOnly);
        EXPECT_EQ(ApplyPatch(bases[i], input, output, entry.ResultSize).Outcome, TPatchApplied::Applied);
        EXPECT_TRUE(result == report2);
    }

    // The pack holds the archives in the manifest's order, then the patches in the list's order.
    // The manifest's signature announces the archives' part, which older updaters read, and the
    // list's signature the whole pack.
    const QByteArray pack = FileBytes(Output() + QLatin1Char('/') + kPackName);
    QByteArray expected;
    for (const TManifestEntry &entry : manifest.Manifest->Entries)
        expected += FileBytes(Output() + QLatin1Char('/') + entry.Path);
    const qint64 archives = expected.size();
    for (const TPatchEntry &entry : trust.List->Entries)
        expected += FileBytes(Output() + QLatin1Char('/') + entry.Patch.Path);
    EXPECT_TRUE(pack == expected);
    const std::optional<TMinisignSignature> manifestSignature =
        ParseMinisignSignature(FileBytes(Output() + QLatin1Char('/') + kManifestSignatureName));
    ASSERT_TRUE(manifestSignature);
    EXPECT_EQ(PackSizeOfComment(manifestSignature->TrustedComment), archives);
    EXPECT_EQ(trust.PackSize, pack.size());
    const std::optional<QVector<qint64>> offsets = PatchPackOffsets(*trust.List, archives, pack.size());
    ASSERT_TRUE(offsets);
    EXPECT_EQ(*offsets, QVector<qint64>({archives, archives + trust.List->Entries.first().Patch.Size}));

    // Published again without --previous: the patches and their list are gone.
    ASSERT_EQ(RunOrnpack({QStringLiteral("--sign"), key.secretKeyFile, QStringLiteral("--folder"), QStringLiteral("/prog/"),
                          Folder(QStringLiteral("v2")), Output()}),
              0);
    EXPECT_TRUE(FilesEndingIn(Output(), kPatchExtension).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(listPath));
}

TEST_F(OrnpackPatches, PreviousNeedsASignedProgramTree)
{
    const struct {
        const char *name;
        QStringList arguments;
    } cases[] = {
        {"without --sign", {QStringLiteral("--previous"), Folder(QStringLiteral("v1")), Folder(QStringLiteral("v2")), Output()}},
        {"with --scripts",
         {QStringLiteral("--scripts"), QStringLiteral("--sign"), key.secretKeyFile, QStringLiteral("--folder"),
          QStringLiteral("/db/"), QStringLiteral("--previous"), Folder(QStringLiteral("v1")), Folder(QStringLiteral("v2")),
          Output()}},
        {"a previous release that is no folder",
         {QStringLiteral("--sign"), key.secretKeyFile, QStringLiteral("--folder"), QStringLiteral("/prog/"),
          QStringLiteral("--previous"), Folder(QStringLiteral("none")), Folder(QStringLiteral("v2")), Output()}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QString errors;
        EXPECT_EQ(RunOrnpack(c.arguments, &errors), 2);
        EXPECT_TRUE(errors.startsWith(QStringLiteral("ornpack: "))) << errors.toStdString();
        EXPECT_FALSE(QFileInfo::exists(Output() + QLatin1Char('/') + kPatchListName));
    }
}

}  // namespace
