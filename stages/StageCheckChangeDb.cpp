// Stage 3: fetch the database scripts the installation does not hold yet and record them in
// logdbupdate.txt, for the main program to run at its next start.
#include "base/RaisedError.h"
#include "net/ResultCodes.h"
#include "net/ScanDir.h"
#include "base/SafePaths.h"
#include "stages/ScriptFetch.h"
#include "install/ScriptList.h"
#include "platform/SafeFile.h"
#include "stages/StageScope.h"
#include "stages/UpdateEngine.h"

#include <QFile>
#include <QHash>
#include <QScopeGuard>


void TUpdateEngine::Fetched(const QString &name) { AddLog(lStr(QStringLiteral("  …Найден скрипт… - ")) + name); }

void TUpdateEngine::FetchFailed(const QString &name, int result)
{
    LogDownloadFailure(result, netDbdir, name, softdir + name);
    AddLog(lStr(QStringLiteral("  …Ошибка загрузки скрипта… - ")) + name);
    ++notInstalled_;
}

void TUpdateEngine::Unsafe(const TDataSearch &entry)
{
    AddLog(lStr(QStringLiteral("…Небезопасный путь, пропущено… - ")) + entry.Path + entry.FileName);
}

int TUpdateEngine::CheckChangeDb() { return ScriptStage(nullptr); }

int TUpdateEngine::ScriptStage(TCheckReport *check)
{
    StageConnection connection(*this);
    int r = 0;
    if (!OpenStage(connection, r))
        return r;
    MyDataFind.clear();
    const QString listPath = softdir + QStringLiteral("logdbupdate.txt");
    if (!check) {
        RemoveStaleScriptTemps(softdir);
        RemoveStaleSaves(listPath);
    }
    TScriptList scripts;
    if (LoadScriptList(listPath, scripts) == TScriptListLoad::Unreadable) {
        // A list that cannot be read is never replaced: nothing is fetched, and the stage fails,
        // for no script it should fetch can be recorded.
        AddLog(lStr(QStringLiteral("…Не читается список скриптов… - ")) + listPath);
        connection.Disconnect();
        return ResultCode::StageFailed;
    }
    int fetched = 0;
    // Closing steps, also when an error ends the stage: the list written back, the
    // found-scripts message, the connection closed. A check writes nothing.
    auto closing = [&](bool unwinding) {
        if (check)
            return;
        QString error;
        const bool saved = SaveScriptList(listPath, scripts, &error);
        SetCounter(Counter::Scripts, fetched);
        if (!unwinding && !saved)
            throw RaisedError(error);
        if (!scripts.Lines.isEmpty())
            ShowMessage(lStr(QStringLiteral(
                "…Найдены скрипты обновления БД…. …При следующем запуске программы ORN база данных программы будет обновлена….")));
    };

    try {
        std::optional<TManifestListing> manifest;
        // The scripts go right into the installation folder under their own names, fetched from
        // netDbdir itself: a manifest that lists one in a sub-folder names a file the stage
        // would not fetch from where it is listed, so it is refused (ornpack never writes one).
        r = ScanServerTree(connection, netDbdir, QStringLiteral("*.sql"), true, manifest);
        if (r == 0)
            return r;  // the folder's manifest was refused: nothing is fetched, nothing written
        if (r < 0) {
            connection.Disconnect();
            closing(false);
            return ResultCode::CheckChangeDbDone;
        }
        ScanLocalTree(QStringLiteral("*.sql"));
        AddLog(lStr(QStringLiteral("…Локальная папка программы просканирована…")));
        AddLog(lStr(QStringLiteral("…Проверка обновления БД…")));
        const QVector<TDataSearch> &server = ScanDir1->MyDataSearch;
        MyDataFind = PairScripts(server, ScanDir2->MyDataSearch);
        if (check) {
            for (const TDataFind &entry : std::as_const(MyDataFind)) {
                if (entry.inst == 0)
                    continue;
                if (IsSafeFileName(server[entry.IdFTP].FileName))
                    check->scripts.append({server[entry.IdFTP].Path + server[entry.IdFTP].FileName});
                else
                    Unsafe(server[entry.IdFTP]);
            }
        } else {
            // With a manifest, each script must be the one it lists before it is recorded.
            QHash<QString, int32_t> listed;
            for (int32_t i = 0; manifest && i < server.size(); ++i)
                listed.insert(server[i].Path + server[i].FileName, i);
            QHash<QString, QString> fromPack = manifest ? FetchScriptsFromPack(connection, *manifest) : QHash<QString, QString>();
            const auto removeUnused = qScopeGuard([&fromPack] {
                for (const QString &path : std::as_const(fromPack))
                    QFile::remove(path);
            });
            fetched = FetchScripts(MyDataFind, server, TScriptFolders{netDbdir, softdir, listPath}, scripts,
                                   [&](const QString &folder, const QString &name, const QString &local) {
                                       // A script cut from the pack was checked against the manifest already.
                                       if (folder == netDbdir && fromPack.contains(name)
                                           && ReplaceFile(fromPack.value(name), local).Error.isEmpty()) {
                                           fromPack.remove(name);
                                           return int(ResultCode::Downloaded);
                                       }
                                       const TManifestEntry *entry =
                                           manifest ? &manifest->Entries[listed.value(folder + name)] : nullptr;
                                       return FetchListed(connection, folder, name, local, entry);
                                   },
                                   *this);
        }
    } catch (...) {
        closing(true);
        throw;
    }
    closing(false);
    connection.Disconnect();
    return ResultCode::CheckChangeDbDone;
}
