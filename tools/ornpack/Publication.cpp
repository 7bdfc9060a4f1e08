#include "Publication.h"

#include "release/FileHash.h"
#include "release/Manifest.h"
#include "release/PatchList.h"
#include "release/MinisignSignature.h"
#include "release/PublicationComment.h"
#include "base/SafePaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSaveFile>

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
        if (relative == kManifestName || relative == kManifestSignatureName || relative == kPatchListName
            || relative == kPatchListSignatureName || IsPatchPath(relative))
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
    if (!report.Error.isEmpty())
        return report;
    if (!Options.SignWith) {
        if (QFile::exists(signaturePath) && !QFile::remove(signaturePath))
            report.Error = QStringLiteral("cannot remove the old signature ") + signaturePath;
        return report;
    }
    const QByteArray comment = PublicationComment(Options.Sequence, Options.Now.toSecsSinceEpoch());
    report.Error = WriteWhole(signaturePath, SignMinisign(text, *Options.SignWith, comment));
    return report;
}
