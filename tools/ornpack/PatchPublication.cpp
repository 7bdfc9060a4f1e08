#include "PatchPublication.h"

#include "release/FileHash.h"
#include "release/MinisignSignature.h"
#include "release/PatchCodec.h"
#include "release/PublicationComment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

// The bytes of a file opened and mapped for reading; empty for an empty file.
class MappedFile {
public:
    explicit MappedFile(const QString &Path) : file_(Path)
    {
        if (!file_.open(QIODevice::ReadOnly))
            return;
        opened_ = true;
        if (file_.size() > 0)
            data_ = file_.map(0, file_.size());
    }
    bool IsRead() const { return opened_ && (data_ || file_.size() == 0); }
    QByteArrayView Bytes() const
    {
        return data_ ? QByteArrayView(reinterpret_cast<const char *>(data_), file_.size()) : QByteArrayView();
    }

private:
    QFile file_;
    bool opened_ = false;
    uchar *data_ = nullptr;
};

}  // namespace

QString RemoveOldPatches(const QString &OutputFolder)
{
    const QDir output(OutputFolder);
    QStringList old = {output.filePath(kPatchListName), output.filePath(kPatchListSignatureName)};
    QDirIterator it(output.absolutePath(), {QLatin1Char('*') + kPatchExtension}, QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        old.append(it.next());
    for (const QString &path : std::as_const(old))
        if (QFileInfo::exists(path) && !QFile::remove(path))
            return QStringLiteral("cannot remove the old patch ") + path;
    return QString();
}

TPatchReport WritePatches(const QString &ReleaseFolder, const QStringList &PreviousFolders,
                          const QString &OutputFolder, const TPackReport &Packed)
{
    TPatchReport report;
    const QDir output(OutputFolder);
    for (int i = 0; i < Packed.Written.size(); ++i) {
        const QString &archive = Packed.Written.at(i);
        const QString &source = Packed.Sources.at(i);
        const MappedFile result(QDir(ReleaseFolder).filePath(source));
        if (!result.IsRead()) {
            report.Problems.append(source + QStringLiteral(": cannot be read for its patches"));
            continue;
        }
        const QByteArray resultSha256 = BytesSha256(result.Bytes());
        const qint64 archiveSize = QFileInfo(output.filePath(archive)).size();
        QSet<QByteArray> bases;
        for (const QString &previous : PreviousFolders) {
            const QString basePath = QDir(previous).filePath(source);
            if (!QFileInfo(basePath).isFile() || QFileInfo(basePath).isSymLink())
                continue;
            const MappedFile base(basePath);
            const QByteArray baseSha256 = BytesSha256(base.Bytes());
            if (!base.IsRead() || baseSha256 == resultSha256 || bases.contains(baseSha256))
                continue;
            bases.insert(baseSha256);
            if (!PatchWindowLog(base.Bytes().size(), result.Bytes().size()))
                continue;  // too large for one window: the archive alone is published
            const std::optional<QByteArray> patch = MakePatch(base.Bytes(), result.Bytes());
            if (!patch) {
                report.Problems.append(source + QStringLiteral(": no patch from ") + basePath);
                continue;
            }
            if (patch->size() * 2 > archiveSize)
                continue;
            TPatchEntry entry;
            entry.ArchivePath = archive;
            entry.Patch.Path = QDir::cleanPath(QFileInfo(archive).path() + QLatin1Char('/')
                                               + PatchFileName(resultSha256, baseSha256));
            entry.Patch.Size = patch->size();
            entry.Patch.Sha256 = BytesSha256(*patch);
            entry.BaseSize = base.Bytes().size();
            entry.BaseSha256 = baseSha256;
            entry.ResultSize = result.Bytes().size();
            entry.ResultSha256 = resultSha256;
            const QString error = WriteWhole(output.filePath(entry.Patch.Path), *patch);
            if (!error.isEmpty()) {
                report.Problems.append(source + QStringLiteral(": ") + error);
                continue;
            }
            report.Entries.append(entry);
            report.Written.append(entry.Patch.Path);
        }
    }
    return report;
}

QString WritePatchListFiles(const QString &OutputFolder, const QVector<TPatchEntry> &Entries,
                            const TPublicationOptions &Options, std::optional<qint64> PackBytes)
{
    const QDir output(OutputFolder);
    const std::optional<QByteArray> manifestSha256 = FileSha256(output.filePath(kManifestName));
    if (!manifestSha256 || !Options.Folder || !Options.SignWith)
        return QStringLiteral("the patch list needs a signed manifest that names its folder");
    const QByteArray text = WritePatchList({*Options.Folder, *manifestSha256, Entries});
    const QString error = WriteWhole(output.filePath(kPatchListName), text);
    if (!error.isEmpty())
        return error;
    const QByteArray comment = PublicationComment(Options.Sequence, Options.Now.toSecsSinceEpoch(), kPatchListName, PackBytes);
    return WriteWhole(output.filePath(kPatchListSignatureName), SignMinisign(text, *Options.SignWith, comment));
}
