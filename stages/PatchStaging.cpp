#include "stages/PatchStaging.h"

#include "platform/SafeFile.h"
#include "release/FileHash.h"
#include "release/ListedFileCheck.h"
#include "release/PatchCodec.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

TPatchStaging Failed(const QString &Failure) { return {TStagedFile{}, Failure}; }

// Applies the patch at PatchPath to the installed file into a new file at Result; an empty text
// on success, else why not.
QString Apply(const QString &PatchPath, const QString &InstalledPath, const QString &Result, const TPatchEntry &Entry)
{
    QFile installed(InstalledPath);
    QFile patch(PatchPath);
    if (!installed.open(QIODevice::ReadOnly) || !patch.open(QIODevice::ReadOnly))
        return QStringLiteral("the installed file or the patch cannot be read");
    const uchar *base = installed.size() > 0 ? installed.map(0, installed.size()) : nullptr;
    if (installed.size() > 0 && !base)
        return QStringLiteral("the installed file cannot be read");
    QFile output;
    const QString opened = CreateNewFile(output, Result);
    if (!opened.isEmpty())
        return opened;
    const TPatchResult applied =
        ApplyPatch(QByteArrayView(reinterpret_cast<const char *>(base), installed.size()), patch, output, Entry.ResultSize);
    output.close();
    if (applied.Outcome != TPatchApplied::Applied)
        return PatchAppliedText(applied);
    if (applied.Written != Entry.ResultSize || FileSha256(Result) != Entry.ResultSha256)
        return QStringLiteral("the result is not the listed file");
    return QString();
}

}  // namespace

TPatchStaging StagePatch(const QString &LocalFolder, const QString &PatchName, const QString &InstalledPath,
                         const QString &FileName, const TPatchEntry &Entry)
{
    const QString patchPath = LocalFolder + PatchName;
    const struct RemovePatch {
        const QString &path;
        ~RemovePatch() { QFile::remove(path); }
    } removePatch{patchPath};
    const TListedFileCheck check = CheckListedFile(patchPath, Entry.Patch);
    if (check != TListedFileCheck::Matches)
        return Failed(ListedFileCheckText(check));
    auto staging = std::make_shared<QTemporaryDir>(LocalFolder + kStagingPrefix + QStringLiteral("XXXXXX"));
    if (!staging->isValid())
        return Failed(staging->errorString());
    const QString failure = Apply(patchPath, InstalledPath, staging->filePath(FileName), Entry);
    if (!failure.isEmpty())
        return Failed(failure);
    TPatchStaging result;
    result.Staged.Staging = std::move(staging);
    return result;
}
