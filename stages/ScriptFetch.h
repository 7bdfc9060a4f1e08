#pragma once
// The fetch loop of the database-script check, ordered so that a kill at any instant leaves no
// script in the installation folder that logdbupdate.txt does not name: each script is
// downloaded under a hidden temporary name, its name recorded (the list replaced at once), and
// only then renamed into place. A name is recorded once; temporary files of killed runs are
// removed when the next run starts.
#include "net/DataSearch.h"
#include "stages/DataFind.h"
#include "install/ScriptList.h"

#include <QString>
#include <QVector>
#include <functional>

// Fetches the server file ServerFolder + Name into LocalPath; returns the download's result
// code (ResultCode::Downloaded, or -1 to -5 as DownloadFileFTP does). May throw (stop, disk full).
using TScriptDownload = std::function<int(const QString &ServerFolder, const QString &Name, const QString &LocalPath)>;

// What the loop reports, for the log. The engine words the lines.
class TScriptReport {
public:
    virtual ~TScriptReport() = default;
    // Name was fetched and stands in the folder and in the list: "  …Найден скрипт… - " + Name.
    virtual void Fetched(const QString &Name) = 0;
    // Name could not be fetched (Result -1 to -5): the download failure line, then
    // "  …Ошибка загрузки скрипта… - " + Name.
    virtual void FetchFailed(const QString &Name, int Result) = 0;
    // The server entry's name cannot stand as a file name: "…Небезопасный путь, пропущено… - "
    // + Entry.Path + Entry.FileName.
    virtual void Unsafe(const TDataSearch &Entry) = 0;
};

// Where the loop works.
struct TScriptFolders {
    QString netDbdir;  // the server's script folder, as configured
    QString softdir;   // the installation folder, ending in "/"; the scripts go right into it
    QString ListPath;  // softdir + "logdbupdate.txt"
};

// Prefix of the temporary names the scripts are downloaded under.
extern const QString kScriptTempPrefix;

// Removes from Folder every file whose name begins with kScriptTempPrefix, or with "." and that
// prefix (a partial download of one), left by a killed run.
void RemoveStaleScriptTemps(const QString &Folder);

// True when Name counts as a database script: it ends in ".sql" (ASCII letters in any case).
bool IsScriptName(const QString &Name);

// The work list of the stage: one entry per server script (IdFTP), with inst 0 and IdDir set when
// a local script of the same name (ASCII letters compared case-blind) exists, inst 1 otherwise.
// Server and local entries that are no scripts are left out.
TDataFindList PairScripts(const QVector<TDataSearch> &Server, const QVector<TDataSearch> &Local);

// For each work-list entry with inst 1 that names a script, in order: skips (and reports) an
// unsafe name, downloads the script to a temporary name in softdir, appends its name to Scripts
// unless Scripts names it already (case-blind) and saves the list to ListPath, then renames the
// script into place. Returns the number of scripts fetched. Throws RaisedError with the
// system's text when the list cannot be saved or the script cannot be renamed (its temporary
// file removed first), and lets the download's exceptions through (the temporary file removed).
int FetchScripts(const TDataFindList &Work, const QVector<TDataSearch> &Server, const TScriptFolders &Folders,
                 TScriptList &Scripts, const TScriptDownload &Download, TScriptReport &Report);
