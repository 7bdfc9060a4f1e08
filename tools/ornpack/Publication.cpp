#include "Publication.h"

#include "PackFile.h"

#include "release/FileHash.h"
#include "release/Manifest.h"
#include "release/PatchList.h"
#include "release/MinisignSignature.h"
#include "release/PublicationComment.h"
#include "release/ReleasePack.h"
#include "base/SafePaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSaveFile>

namespace {

// Removes Path when it exists; an empty text on success, else the error.
QString RemoveStale(const QString &Path)
{
    if (QFile::exists(Path) && !QFile::remove(Path))
        return QStringLiteral("cannot remove the old ") + Path;
    return QString();
}

}  // namespace

QString WriteWhole(const QString &Path, const QByteArray &Bytes)
{
    QSaveFile file(Path);
    if (file.open(QIODevice::WriteOnly) && file.write(Bytes) == Bytes.size() && file.commit())
        return QString();
    return QStringLiteral("cannot write %1: %2").arg(Path, file.errorString());
}

TPublicationReport WritePublication(const QString &OutputFolder, const TPublicationOptions &Options)
{
    TPublicationReport report;
    const QDir output(OutputFolder);
    TManifest manifest;
    manifest.Folder = Options.Folder;
    manifest.Sequence = Options.Sequence;
    manifest.Expires = Options.Expires;
    QDirIterator it(output.absolutePath(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = output.relativeFilePath(path);
        if (relative == kManifestName || relative == kManifestSignatureName || relative == kPackName
            || relative == kPatchListName || relative == kPatchListSignatureName || IsPatchPath(relative))
            continue;
        const std::optional<QByteArray> hash = FileSha256(path);
        if (!IsSafeRelativePath(relative) || !hash) {
            report.Problems.append(relative + (hash ? QStringLiteral(": left out of the manifest, unsafe name")
                                                    : QStringLiteral(": left out of the manifest, cannot be read")));
            continue;
        }
        manifest.Entries.append({relative, it.fileInfo().size(), *hash});
    }

    const QByteArray text = WriteManifest(manifest);
    report.Error = WriteWhole(output.filePath(kManifestName), text);
    const QString signaturePath = output.filePath(kManifestSignatureName);
    const QString packPath = output.filePath(kPackName);
    if (!report.Error.isEmpty())
        return report;
    if (!Options.SignWith) {
        report.Error = RemoveStale(signaturePath);
        if (report.Error.isEmpty())
            report.Error = RemoveStale(packPath);
        return report;
    }
    // The pack holds the files in the order the updater reads the manifest in, then the patches.
    // The manifest's signature announces the files' part only: an updater that knows no patches
    // finds the sizes it lists add up to it.
    std::optional<qint64> packBytes;
    if (Options.Pack) {
        const TManifest listed = *ReadManifest(text).Manifest;
        report.Error = WritePackFile(OutputFolder, listed.Entries + Options.PackedPatches);
        packBytes = 0;
        for (const TManifestEntry &entry : listed.Entries)
            *packBytes += entry.Size;
        report.PackBytes = *packBytes;
        for (const TManifestEntry &patch : Options.PackedPatches)
            *report.PackBytes += patch.Size;
    } else {
        report.Error = RemoveStale(packPath);
    }
    if (!report.Error.isEmpty())
        return report;
    const QByteArray comment = PublicationComment(Options.Sequence, Options.Now.toSecsSinceEpoch(), kManifestName, packBytes, Options.Mirrors);
    report.Error = WriteWhole(signaturePath, SignMinisign(text, *Options.SignWith, comment));
    return report;
}
