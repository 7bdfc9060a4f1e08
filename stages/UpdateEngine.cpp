#include "stages/UpdateEngine.h"

#include "net/EventPump.h"
#include "base/RaisedError.h"
#include "net/ScanDir.h"
#include "stages/FtpIni.h"
#include "base/LibStr.h"
#include "net/ServerSettings.h"
#include "net/TransferPool.h"
#include "platform/RunLock.h"
#include "stages/StageScope.h"

#include <QDir>
#include <QScopeGuard>

TUpdateEngine::TUpdateEngine(QObject *owner) : QObject(owner)
{
    ScanDir1 = new TScanDir(this);
    ScanDir1->setObjectName(QStringLiteral("ScanDir1"));
    ScanDir2 = new TScanDir(this);
    ScanDir2->setObjectName(QStringLiteral("ScanDir2"));
    for (TScanDir *scanner : {ScanDir1, ScanDir2}) {
        scanner->setSearchMask(QStringLiteral("*.*"));
        scanner->setSearchInSubDir(true);
    }
}

TUpdateEngine::~TUpdateEngine() = default;

QString TUpdateEngine::lStr(const QString &text) const { return translator_ ? translator_(text) : text; }

void TUpdateEngine::SetStageChosen(int stage, bool chosen)
{
    if (stage >= 1 && stage <= 3)
        stageChosen_[stage - 1] = chosen;
}

bool TUpdateEngine::StageChosen(int stage) const { return stage >= 1 && stage <= 3 && stageChosen_[stage - 1]; }

void TUpdateEngine::RequestStop() { ::RequestStop(); }

TUpdateEngine::Outcome TUpdateEngine::Guarded(const std::function<Outcome()> &run)
{
    ClearStopRequest();
    try {
        return run();
    } catch (const RunStopped &) {
        return Outcome::Stopped;
    } catch (const RaisedError &error) {
        // Errors of the program's own (ftp.ini without a folder, say) carry marked keys.
        emit boxShown(BoxKind::Error, lStr(error.text()));
    } catch (const std::exception &error) {
        emit boxShown(BoxKind::Error, QString::fromLocal8Bit(error.what()));
    }
    return StopRequested() ? Outcome::Stopped : Outcome::Error;
}

void TUpdateEngine::StartRun(const QString &pathField)
{
    // Nothing changes when ftp.ini cannot be read.
    const FtpIniFolders folders = ReadFtpIni(currentdir + QStringLiteral("/ftp.ini"));
    // A setting of the environment that cannot be used ends the run before it starts, rather
    // than giving way to the default unseen.
    for (const auto &[name, valid] : {std::pair{"ORN_FTP_SERVER", ServerOverrideIsValid()},
                                      std::pair{"ORN_PARALLEL_TRANSFERS", ParallelTransfersSettingIsValid()}})
        if (!valid)
            throw RaisedError(QStringLiteral("…Неверное значение переменной окружения… ") + QLatin1String(name)
                              + QLatin1Char('=') + qEnvironmentVariable(name));
    netdir = folders.netdir;
    netDbdir = folders.netDbdir;
    softdir = QDir::toNativeSeparators(TrimControl(pathField));
    if (!softdir.endsWith(QDir::separator()))
        softdir += QDir::separator();
    MyDataFind.clear();
    notInstalled_ = 0;
    emit logCleared();
}

TUpdateEngine::Outcome TUpdateEngine::Run(const QString &pathField)
{
    return Guarded([&] {
        StartRun(pathField);
        // One run per installation folder: a second one says so and touches nothing.
        const TRunLock lock(softdir);
        if (lock.State() == TRunLockState::Busy) {
            ShowMessage(lStr(TRunLock::BusyKey()));
            return Outcome::Error;
        }
        return RunStages();
    });
}

TUpdateEngine::Outcome TUpdateEngine::RunStages()
{
    // Stage 2 installs what stage 1 finds: alone it would have nothing to do, and say nothing.
    if (StageChosen(2) && !StageChosen(1)) {
        ShowMessage(lStr(QStringLiteral("…Установка обновлений требует проверки обновлений…")));
        return Outcome::StageFailed;
    }
    AddLog(QStringLiteral("---"));
    if (StageChosen(1) && CheckChange() <= 0) {
        ShowMessage(lStr(QStringLiteral("…Ошибка проверки обновлений…")));
        return Outcome::StageFailed;
    }
    AddLog(QStringLiteral("---"));
    if (StageChosen(2) && DownloadChange() <= 0) {
        ShowMessage(lStr(QStringLiteral("…Ошибка загрузки файлов…")));
        return Outcome::StageFailed;
    }
    AddLog(QStringLiteral("---"));
    if (StageChosen(3) && CheckChangeDb() <= 0) {
        ShowMessage(lStr(QStringLiteral("…Ошибка проверки обновлений…")));
        return Outcome::StageFailed;
    }
    ShowMessage(lStr(QStringLiteral("…Обновление завершено…")));
    return Outcome::Completed;
}

TUpdateEngine::Outcome TUpdateEngine::Check(const QString &pathField, TCheckReport &report)
{
    report = {};
    checkOnly_ = true;
    const auto runsAgain = qScopeGuard([this] { checkOnly_ = false; });
    return Guarded([&] {
        StartRun(pathField);
        if (StageChosen(1)) {
            if (CheckChange() <= 0)
                return Outcome::StageFailed;
            ReportWorkList(report);
        }
        if (StageChosen(3) && ScriptStage(&report) <= 0)
            return Outcome::StageFailed;
        return Outcome::Completed;
    });
}

bool TUpdateEngine::OpenStage(StageConnection &connection, int &r)
{
    r = connection.Connect();
    if (r > 0)
        return true;
    ShowMessage(lStr(QStringLiteral("…Ошибка подключения к серверу…")));
    return false;
}
