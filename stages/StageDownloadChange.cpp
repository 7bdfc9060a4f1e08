// Stage 2: fetch the archive of every work-list entry and unpack it in place with 7-Zip.
#include "net/EventPump.h"
#include "net/ResultCodes.h"
#include "net/ScanDir.h"
#include "stages/ArchiveInstall.h"
#include "stages/InstallPaths.h"
#include "stages/SafePaths.h"
#include "stages/StageScope.h"
#include "stages/UpdateEngine.h"

#include <QDir>
#include <QFileInfo>

void TUpdateEngine::LogDownloadFailure(int r, const QString &serverFolder, const QString &serverName,
                                       const QString &localFile)
{
    switch (r) {
    case ResultCode::DownloadFolderMissing:
        AddLog(lStr(QStringLiteral("…Не найдена папка… - ")) + serverFolder);
        break;
    case ResultCode::DownloadFileMissing:
        AddLog(lStr(QStringLiteral("…Не найден файл… - ")) + serverFolder + serverName);
        break;
    case ResultCode::DownloadOpenFailed:
        AddLog(lStr(QStringLiteral("…Не открывается сетевой файл… - ")) + serverFolder + serverName);
        break;
    case ResultCode::DownloadLocalFailed:
        AddLog(lStr(QStringLiteral("…Не открывается локальный файл… - ")) + localFile);
        break;
    case ResultCode::DownloadIncomplete:
        AddLog(lStr(QStringLiteral("…Файл загружен не полностью… - ")) + serverFolder + serverName);
        break;
    default:
        break;
    }
}

bool TUpdateEngine::InstallArchive(TArchiveInstaller &installer, const QString &localFolder, const QString &archive,
                                   const QString &fileName, int32_t size, const QString &toolFolder)
{
    // The file is replaced whole or not at all; Update.exe becomes Update.bak only then.
    const TInstallResult result = installer.Install(localFolder, archive, fileName, size);
    AddLog(QStringLiteral("    ") + SevenZipCommandLine(toolFolder, localFolder, archive));
    if (result.Outcome == TInstallOutcome::Installed)
        return true;
    AddLog(InstallFailureLine(result, localFolder, archive, fileName, [this](const QString &key) { return lStr(key); }));
    return false;
}

int TUpdateEngine::DownloadChange()
{
    const QString toolFolder = ToolPath(softdir);
    int downloaded = 0;
    int installed = 0;
    bool toolLogged = false;

    StageConnection connection(*this);
    int r = 0;
    if (!OpenStage(connection, r))
        return r;
    // The tool is found once, before any archive of the stage could replace it.
    TArchiveInstaller installer(toolFolder);
    AddLog(lStr(QStringLiteral("…Загрузка обновлений…")));

    for (const TDataFind &entry : std::as_const(MyDataFind)) {
        const TDataSearch &serverEntry = ScanDir1->MyDataSearch.at(entry.IdFTP);
        const QString &archive = serverEntry.FileName;
        const QString &fileName = serverEntry.Comment;
        if (!IsSafeRelativeFolder(entry.PathFTP) || !IsSafeRelativeFolder(entry.PathDir) || !IsSafeFileName(archive)
            || !IsSafeFileName(fileName)) {
            AddLog(lStr(QStringLiteral("    …Небезопасный путь, пропущено… - ")) + serverEntry.Path + archive);
            ++notInstalled_;
            continue;
        }
        const QString serverFolder = ServerFolder(netdir, entry.PathFTP);
        const QString folderToCreate = FolderToCreate(softdir, entry.PathFTP);
        if (!QFileInfo(folderToCreate).isDir())
            QDir().mkpath(folderToCreate);
        const QString localFolder = LocalFolder(softdir, entry.PathDir);

        const int result = DownloadFileFTP(connection.hNet, connection.hFTP, connection.hFile, serverFolder, archive,
                                           localFolder + archive);
        if (result > 0) {
            AddLog(QStringLiteral("    ") + archive + lStr(QStringLiteral(" - …загружен…")));
            SetCounter(Counter::Download, ++downloaded);
            if (!toolLogged) {
                AddLog(lStr(QStringLiteral("    …Программа распаковки… - ")) + installer.Tool().Found());
                toolLogged = true;
            }
            if (InstallArchive(installer, localFolder, archive, fileName, serverEntry.Size, toolFolder)) {
                SetCounter(Counter::Install, ++installed);
                AddLog(QStringLiteral("    ") + fileName + lStr(QStringLiteral(" …установлен…")));
            } else {
                ++notInstalled_;
            }
        } else {
            LogDownloadFailure(result, serverFolder, archive, localFolder + fileName);
            ++notInstalled_;
        }
        CheckStop();
    }
    AddLog(lStr(QStringLiteral("…Обновления загружены…")));
    connection.Disconnect();
    return ResultCode::DownloadChangeDone;
}
