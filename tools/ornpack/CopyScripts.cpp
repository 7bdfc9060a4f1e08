#include "CopyScripts.h"

#include "base/FileMask.h"
#include "base/SafePaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TPackReport CopyScripts(const QString &ScriptsFolder, const QString &OutputFolder)
{
    TPackReport report;
    const QDir output(OutputFolder);
    const QFileInfoList entries = QDir(ScriptsFolder).entryInfoList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &source : entries) {
        const QString name = source.fileName();
        if (source.isDir() || !FileMaskMatches(name, QStringLiteral("*.sql")) || !IsSafeFileName(name)) {
            report.Problems.append(name + QStringLiteral(": skipped, not a .sql script"));
            continue;
        }
        const QString target = output.filePath(name);
        QFile::remove(target);
        QFile copy(target);
        if (!QFile::copy(source.filePath(), target) || !copy.open(QIODevice::ReadWrite)
            || !copy.setFileTime(source.lastModified(), QFileDevice::FileModificationTime)) {
            report.Problems.append(name + QStringLiteral(": cannot copy to ") + target);
            continue;
        }
        report.Written.append(name);
    }
    return report;
}
