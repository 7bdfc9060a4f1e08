#include "install/InstallPaths.h"

#include "base/LibStr.h"
#include "platform/ExecutableName.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString kSlash = QStringLiteral("/");
const QString kDoubleSlash = QStringLiteral("//");
const QString kQuote = QStringLiteral("\"");

// Path with the system's separator ("\\" on Windows), runs of it collapsed.
QString LocalPath(const QString &Path)
{
    const QString separator = QDir::separator();
    return ReplaceStrRepeat(QDir::toNativeSeparators(Path), separator + separator, separator);
}

}  // namespace

QString ServerFolder(const QString &netdir, const QString &PathFTP)
{
    const QString slashed = ReplaceStrRepeat(netdir + kSlash + PathFTP + kSlash, QStringLiteral("\\"), kSlash);
    return ReplaceStrRepeat(slashed, kDoubleSlash, kSlash);
}

QString FolderToCreate(const QString &softdir, const QString &PathFTP)
{
    return softdir + PathFTP;
}

QString LocalFolder(const QString &softdir, const QString &PathDir)
{
    return LocalPath(softdir + PathDir + kSlash);
}

QString ToolPath(const QString &softdir)
{
    return LocalPath(softdir);
}

QString SevenZipCommandLine(const QString &ToolFolder, const QString &Local, const QString &ArchiveName)
{
    return kQuote + ToolFolder + QStringLiteral("7z") + kQuote + QStringLiteral(" ")
           + QStringLiteral("  e  -y  -o") + kQuote + Local + kQuote + QStringLiteral("  ") + kQuote
           + Local + ArchiveName + kQuote;
}

QString ToolCommandLine(const QString &Program, const QStringList &Arguments)
{
    QStringList parts;
    for (const QString &part : QStringList{Program} + Arguments)
        parts << (part.isEmpty() || part.contains(QLatin1Char(' ')) || part.contains(kQuote) ? kQuote + part + kQuote : part);
    return parts.join(QLatin1Char(' '));
}

TToolCall FindSevenZip(const QString &ToolFolder)
{
    TToolCall call;
    const QFileInfo bundled(ToolFolder + ExecutableFileName(QStringLiteral("7z")));
    if (bundled.isFile() && bundled.isExecutable()) {
        call.Program = bundled.filePath();
        call.FromInstallFolder = true;
    } else {
        // On the PATH the 7-Zip program itself (7zz) is preferred to the p7zip 7z, which is a
        // shell script that starts its program: one process less for every file.
        QString onPath = QStandardPaths::findExecutable(QStringLiteral("7zz"));
        if (onPath.isEmpty())
            onPath = QStandardPaths::findExecutable(QStringLiteral("7z"));
        call.Program = onPath.isEmpty() ? QStringLiteral("7z") : onPath;
    }
    return call;
}
