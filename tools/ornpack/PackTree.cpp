#include "PackTree.h"

#include "base/FatDateTime.h"
#include "release/ArchiveName.h"
#include "release/InstallationStateFiles.h"
#include "base/SafePaths.h"
#include "platform/ProcessStart.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>

#include <limits>

namespace {

// The sorted paths, relative to Root, of every file below it; the output folder is left out
// when it lies inside the release.
QStringList ReleaseFiles(const QDir &Root, const QString &OutputFolder)
{
    const QString outputPrefix = QDir::cleanPath(QFileInfo(OutputFolder).absoluteFilePath()) + QLatin1Char('/');
    QStringList files;
    QDirIterator it(Root.absolutePath(), QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!QDir::cleanPath(path).startsWith(outputPrefix))
            files.append(Root.relativeFilePath(path));
    }
    files.sort();
    return files;
}

// Runs "7z a" on one file from inside its folder, so the archive holds the bare name.
// Returns an empty text on success, else what went wrong.
QString MakeArchive(const QString &SevenZip, const QString &ArchivePath, const QFileInfo &File)
{
    QFile::remove(ArchivePath);
    QProcess tool;
    tool.setWorkingDirectory(File.absolutePath());
    tool.setStandardInputFile(QProcess::nullDevice());
    tool.setProcessChannelMode(QProcess::MergedChannels);
    if (!StartProcess(tool, SevenZip,
                      {QStringLiteral("a"), QStringLiteral("-t7z"), QStringLiteral("-spd"), ArchivePath,
                       QStringLiteral("--"), File.fileName()}))
        return tool.errorString();
    tool.waitForFinished(-1);
    const QString output = QString::fromLocal8Bit(tool.readAll()).trimmed();
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        QFile::remove(ArchivePath);
        return QStringLiteral("7z failed (exit code %1): %2").arg(tool.exitCode()).arg(output);
    }
    return QString();
}

}  // namespace

QString UnpackableReason(const QString &RelativePath, const QString &FilePath)
{
    const QFileInfo file(FilePath);
    const QString folder = QFileInfo(RelativePath).path();
    if (file.isSymLink())
        return QStringLiteral("a symbolic link");
    if (RelativePath == file.fileName() && IsInstallationStateFile(file.fileName()))
        return QStringLiteral("the updater's own state file, kept by each installation");
    if (!IsSafeFileName(file.fileName()) || !IsSafeRelativeFolder(folder == QLatin1String(".") ? QString() : folder))
        return QStringLiteral("a name the updater would not install (separator or control character)");
    if (file.suffix().isEmpty())
        return QStringLiteral("no extension");
    if (file.size() > std::numeric_limits<int32_t>::max())
        return QStringLiteral("larger than 2147483647 bytes");
    const int year = file.lastModified().date().year();
    if (year < 1980 || year > 2107)
        return QStringLiteral("dated %1, outside 1980-2107").arg(year);
    return QString();
}

TPackReport PackTree(const QString &ReleaseFolder, const QString &OutputFolder, const QString &SevenZip)
{
    TPackReport report;
    const QDir root(ReleaseFolder);
    const QDir output(OutputFolder);
    for (const QString &relative : ReleaseFiles(root, OutputFolder)) {
        const QFileInfo file(root.filePath(relative));
        const QString reason = UnpackableReason(relative, file.filePath());
        if (!reason.isEmpty()) {
            report.Problems.append(relative + QStringLiteral(": skipped, ") + reason);
            continue;
        }
        const QString folder = QFileInfo(relative).path();
        const QString archive = QDir::cleanPath(folder + QLatin1Char('/')
                                                + EncodeArchiveName(file.completeBaseName(), file.suffix(),
                                                                    file.size(),
                                                                    FatFromLocalDateTime(file.lastModified())));
        if (!output.mkpath(folder)) {
            report.Problems.append(relative + QStringLiteral(": cannot create ") + output.filePath(folder));
            continue;
        }
        const QString failure = MakeArchive(SevenZip, output.absoluteFilePath(archive), file);
        if (failure.isEmpty()) {
            report.Written.append(archive);
            report.Sources.append(relative);
        } else
            report.Problems.append(relative + QStringLiteral(": ") + failure);
    }
    return report;
}
