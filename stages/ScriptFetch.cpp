#include "stages/ScriptFetch.h"

#include "base/FileMask.h"
#include "base/RaisedError.h"
#include "net/ResultCodes.h"
#include "base/LibStr.h"
#include "base/SafePaths.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryFile>


const QString kScriptTempPrefix = QStringLiteral(".ornupdate-script-");

namespace {

bool IsRecorded(const TScriptList &Scripts, const QString &Name)
{
    for (const QString &line : Scripts.Lines)
        if (AsciiSameText(line, Name))
            return true;
    return false;
}

// A new empty file under a unique temporary name in Folder. Its path, or the empty text when it
// cannot be created.
QString ReserveTempName(const QString &Folder)
{
    QTemporaryFile file(Folder + kScriptTempPrefix + QStringLiteral("XXXXXX"));
    file.setAutoRemove(false);
    return file.open() ? file.fileName() : QString();
}

// Downloads, records and places one script. True when it stands in the folder and in the list.
bool FetchOne(const QString &Name, const TScriptFolders &Folders, TScriptList &Scripts, const TScriptDownload &Download,
              TScriptReport &Report)
{
    const QString temp = ReserveTempName(Folders.softdir);
    int result = ResultCode::DownloadLocalFailed;
    if (!temp.isEmpty()) {
        try {
            result = Download(Folders.netDbdir, Name, temp);
        } catch (...) {
            QFile::remove(temp);
            throw;
        }
    }
    if (result <= 0) {
        if (!temp.isEmpty())
            QFile::remove(temp);
        Report.FetchFailed(Name, result);
        return false;
    }
    if (!IsRecorded(Scripts, Name)) {
        Scripts.Lines.append(Name);
        QString error;
        if (!SaveScriptList(Folders.ListPath, Scripts, &error)) {
            Scripts.Lines.removeLast();
            QFile::remove(temp);
            throw RaisedError(error);
        }
    }
    const QString target = Folders.softdir + Name;
    const QString error = ReplaceFile(temp, target).Error;
    if (!error.isEmpty()) {
        QFile::remove(temp);
        throw RaisedError(error);
    }
    Report.Fetched(Name);
    return true;
}

}  // namespace

void RemoveStaleScriptTemps(const QString &Folder)
{
    const QDir folder(Folder);
    // The temporary scripts, and what a cut download of one left beside it (".<name>...").
    const QStringList stale = folder.entryList({kScriptTempPrefix + QLatin1Char('*'),
                                                QLatin1Char('.') + kScriptTempPrefix + QLatin1Char('*')},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : stale)
        QFile::remove(folder.filePath(name));
}

bool IsScriptName(const QString &Name) { return FileMaskMatches(Name, QStringLiteral("*.sql")); }

TDataFindList PairScripts(const QVector<TDataSearch> &Server, const QVector<TDataSearch> &Local)
{
    // The first local script of each name, in listing order.
    QHash<QString, int32_t> localByName;
    localByName.reserve(Local.size());
    for (int32_t j = 0; j < Local.size(); ++j)
        if (IsScriptName(Local[j].FileName) && !localByName.contains(AsciiLower(Local[j].FileName)))
            localByName.insert(AsciiLower(Local[j].FileName), j);
    TDataFindList work;
    for (int32_t i = 0; i < Server.size(); ++i) {
        if (!IsScriptName(Server[i].FileName))
            continue;
        TDataFind entry;
        entry.IdFTP = i;
        entry.inst = 1;
        const auto local = localByName.constFind(AsciiLower(Server[i].FileName));
        if (local != localByName.constEnd()) {
            entry.IdDir = *local;
            entry.inst = 0;
        }
        work.append(entry);
    }
    return work;
}

int FetchScripts(const TDataFindList &Work, const QVector<TDataSearch> &Server, const TScriptFolders &Folders,
                 TScriptList &Scripts, const TScriptDownload &Download, TScriptReport &Report)
{
    int fetched = 0;
    for (const TDataFind &entry : Work) {
        const TDataSearch &script = Server.at(entry.IdFTP);
        if (entry.inst == 0 || !IsScriptName(script.FileName))
            continue;
        if (!IsSafeFileName(script.FileName)) {
            Report.Unsafe(script);
            continue;
        }
        if (FetchOne(script.FileName, Folders, Scripts, Download, Report))
            ++fetched;
    }
    return fetched;
}
