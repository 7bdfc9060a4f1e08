// Stage 3: fetch the database scripts the installation does not hold yet and record them in
// logdbupdate.txt, for the main program to run at its next start.
#include "net/RaisedError.h"
#include "net/ResultCodes.h"
#include "net/ScanDir.h"
#include "stages/LibStr.h"
#include "stages/SafePaths.h"
#include "stages/ScriptList.h"
#include "stages/StageScope.h"
#include "stages/UpdateEngine.h"

#include <QHash>

namespace {

// Index of the first local entry of each name, ASCII letters compared case-blind.
QHash<QString, int32_t> FirstLocalByName(const QVector<TDataSearch> &local)
{
    QHash<QString, int32_t> index;
    index.reserve(local.size());
    for (int32_t j = 0; j < local.size(); ++j)
        if (!index.contains(AsciiLower(local[j].FileName)))
            index.insert(AsciiLower(local[j].FileName), j);
    return index;
}

}  // namespace

int TUpdateEngine::CheckChangeDb() { return ScriptStage(nullptr); }

int TUpdateEngine::ScriptStage(TCheckReport *check)
{
    StageConnection connection(*this);
    int r = 0;
    if (!OpenStage(connection, r))
        return r;
    MyDataFind.clear();
    const QString listPath = softdir + QStringLiteral("logdbupdate.txt");
    TScriptList scripts;
    if (LoadScriptList(listPath, scripts) == TScriptListLoad::Unreadable) {
        // A list that cannot be read is never replaced: nothing is fetched.
        AddLog(lStr(QStringLiteral("…Не читается список скриптов… - ")) + listPath);
        connection.Disconnect();
        return ResultCode::CheckChangeDbDone;
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
        r = ScanServerTree(connection, netDbdir, QStringLiteral("*.sql"));
        if (r <= 0) {
            connection.Disconnect();
            closing(false);
            return ResultCode::CheckChangeDbDone;
        }
        ScanLocalTree(QStringLiteral("*.sql"));
        AddLog(lStr(QStringLiteral("…Локальная папка программы просканирована…")));
        AddLog(lStr(QStringLiteral("…Проверка обновления БД…")));
        MyDataFind.clear();

        const QVector<TDataSearch> &server = ScanDir1->MyDataSearch;
        const QHash<QString, int32_t> localByName = FirstLocalByName(ScanDir2->MyDataSearch);
        for (int32_t i = 0; i < server.size(); ++i) {
            const QString &name = server[i].FileName;
            TDataFind entry;
            entry.IdFTP = i;
            entry.inst = 1;
            const auto local = localByName.constFind(AsciiLower(name));
            if (local != localByName.constEnd()) {
                entry.IdDir = *local;
                entry.inst = 0;
            }
            MyDataFind.append(entry);
            if (entry.inst == 0)
                continue;
            if (!IsSafeFileName(name)) {
                AddLog(lStr(QStringLiteral("…Небезопасный путь, пропущено… - ")) + server[i].Path + name);
                continue;
            }
            if (check) {
                check->scripts.append({server[i].Path + name});
                continue;
            }
            const int result = DownloadFileFTP(connection.hNet, connection.hFTP, connection.hFile, netDbdir, name,
                                               softdir + name);
            if (result > 0) {
                AddLog(lStr(QStringLiteral("  …Найден скрипт… - ")) + name);
                scripts.Lines.append(name);
                ++fetched;
                // Recorded at once, so that no fetched script can go unrecorded.
                QString error;
                if (!SaveScriptList(listPath, scripts, &error))
                    throw RaisedError(error);
            } else {
                LogDownloadFailure(result, netDbdir, name, softdir + name);
                AddLog(lStr(QStringLiteral("  …Ошибка загрузки скрипта… - ")) + name);
                ++notInstalled_;
            }
        }
    } catch (...) {
        closing(true);
        throw;
    }
    closing(false);
    connection.Disconnect();
    return ResultCode::CheckChangeDbDone;
}
