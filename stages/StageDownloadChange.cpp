// Stage 2: fetch the archive of every work-list entry and unpack it in place with 7-Zip.
#include "net/EventPump.h"
#include "net/PartialDownload.h"
#include "net/ResultCodes.h"
#include "net/ServerSettings.h"
#include "net/ScanDir.h"
#include "install/ArchiveInstall.h"
#include "install/InstallPaths.h"
#include "release/ListedFileCheck.h"
#include "net/ProgressThrottle.h"
#include "base/SafePaths.h"
#include "stages/Pairing.h"
#include "stages/PatchStaging.h"
#include "stages/StageScope.h"
#include "net/TransferPool.h"
#include "stages/UpdateEngine.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>
#include <algorithm>
#include <exception>
#include <vector>

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
        AddLog(lStr(QStringLiteral("…Не открывается локальный файл… - ")) + QDir::toNativeSeparators(localFile));
        break;
    case ResultCode::DownloadIncomplete:
        AddLog(lStr(QStringLiteral("…Файл загружен не полностью… - ")) + serverFolder + serverName);
        break;
    default:
        break;
    }
}

bool TUpdateEngine::InstallArchive(TStagedFile &staged, const QString &localFolder, const QString &archive,
                                   const QString &fileName, const QString &commandLine)
{
    // The file is replaced whole or not at all; Update.exe becomes Update.bak only then.
    const TInstallResult result = TArchiveInstaller::Place(staged, localFolder, fileName);
    if (!commandLine.isEmpty())
        AddLog(QStringLiteral("    ") + commandLine);
    if (result.Outcome == TInstallOutcome::Installed)
        return true;
    AddLog(InstallFailureLine(result, localFolder, archive, fileName, [this](const QString &key) { return lStr(key); }));
    // An archive that did not install is of no further use; on a nearly full disk it would take
    // the room that the next attempt needs.
    QFile::remove(localFolder + archive);
    return false;
}

int TUpdateEngine::DownloadChange()
{
    const QString toolFolder = ToolPath(softdir);
    int downloaded = 0;
    int installed = 0;
    bool toolLogged = false;
    QString lastTogether;  // the command line of the last run that unpacked archives together

    StageConnection connection(*this);
    int r = 0;
    if (!OpenStage(connection, r))
        return r;
    // The tool is found once, before any archive of the stage could replace it.
    TArchiveInstaller installer(toolFolder);
    AddLog(lStr(QStringLiteral("…Загрузка обновлений…")));

    // The work list's files in its order; those with a safe path become the pool's jobs.
    struct StageFile {
        const TDataSearch *server;
        QString serverFolder;
        QString localFolder;
        const TManifestEntry *listed;  // the archive's manifest entry; none without a manifest
        int job = -1;  // -1: an unsafe path, skipped
        const TPatchEntry *patch = nullptr;  // fetched instead of the archive: its base is installed
        QString installed;                   // the installed file, when a patch list was read
    };
    QVector<StageFile> files;
    QVector<TransferJob> jobs;
    QHash<QString, QSet<QString>> targetsByFolder;
    const bool signedRelease = programManifest && programManifest->Signed;
    // Patches are taken from a signed release only, and only when some file has a base installed.
    const bool anyChanged = std::any_of(MyDataFind.cbegin(), MyDataFind.cend(),
                                        [](const TDataFind &entry) { return !IsNewFile(entry); });
    const std::optional<TPatchChoice> patches =
        signedRelease && anyChanged ? TakePatchList(connection) : std::optional<TPatchChoice>();
    for (const TDataFind &entry : std::as_const(MyDataFind)) {
        const TDataSearch &serverEntry = ScanDir1->MyDataSearch.at(entry.IdFTP);
        StageFile file{&serverEntry, ServerFolder(netdir, entry.PathFTP), LocalFolder(softdir, entry.PathDir),
                       programManifest ? &programManifest->Entries.at(entry.IdFTP) : nullptr};
        if (IsSafeRelativeFolder(entry.PathFTP) && IsSafeRelativeFolder(entry.PathDir)
            && IsSafeFileName(serverEntry.FileName) && IsSafeFileName(serverEntry.Comment)) {
            const QString folderToCreate = FolderToCreate(softdir, entry.PathFTP);
            if (!QFileInfo(folderToCreate).isDir())
                QDir().mkpath(folderToCreate);
            file.job = int(jobs.size());
            targetsByFolder[file.localFolder].insert(serverEntry.FileName);
            if (patches && !IsNewFile(entry)) {
                const TDataSearch &local = ScanDir2->MyDataSearch.at(entry.IdDir);
                file.installed = local.Path + local.FileName;
                file.patch = patches->ForInstalled(file.listed->Path, serverEntry.Size, file.installed);
            }
            if (file.patch) {
                const QString patchName = PatchNameOf(*file.patch);
                jobs.append({file.serverFolder, patchName, file.localFolder + patchName, uint64_t(file.patch->Patch.Size),
                             uint64_t(file.patch->Patch.Size)});
                TakePatchPackPlace(jobs.last(), *patches, *file.patch);
                targetsByFolder[file.localFolder].insert(patchName);
            } else {
                jobs.append({file.serverFolder, serverEntry.FileName, file.localFolder + serverEntry.FileName,
                             file.listed ? std::optional<uint64_t>(file.listed->Size) : std::nullopt,
                             uint64_t(std::max<int64_t>(serverEntry.Size, 0))});
                TakePackPlace(jobs.last(), entry.IdFTP);
            }
        }
        files.append(file);
    }
    // What earlier runs left of archives that are no longer to be fetched goes.
    // So are the staging folders of killed runs, before any file is staged beside them.
    for (auto it = targetsByFolder.cbegin(); it != targetsByFolder.cend(); ++it) {
        RemovePartialFilesExcept(it.key(), it.value());
        installer.SweepStaging(it.key());
    }

    // What a connection's thread does to a run of files right after fetching them: the manifest
    // check and, when that passes, the unpacking into staging folders (the signed archives of a
    // folder by one run of the tool). The target changes only when the file's turn comes on
    // this thread; staging folders not placed go with `ready` (after the pool has ended).
    struct ReadyFile {
        TListedFileCheck check = TListedFileCheck::Matches;
        TStagedFile staged;
        std::exception_ptr error;  // the tool could not be started: thrown at the file's turn
        QString patchFailure;      // why the patch fetched for the file did not give it
    };
    std::vector<ReadyFile> ready(size_t(jobs.size()));
    std::vector<const StageFile *> fileOfJob(size_t(jobs.size()));
    for (const StageFile &file : std::as_const(files))
        if (file.job >= 0)
            fileOfJob[size_t(file.job)] = &file;
    // Stages the archives of jobs into their slots: signed ones (vouched) of any folders
    // together, else one alone.
    const auto stage = [&](const QVector<int> &stagedJobs, bool vouched) {
        QStringList localFolders;
        QVector<TArchiveToStage> archives;
        for (const int job : stagedJobs) {
            const TDataSearch &server = *fileOfJob[size_t(job)]->server;
            localFolders.append(fileOfJob[size_t(job)]->localFolder);
            archives.append({server.FileName, server.Comment, server.Size});
        }
        try {
            std::vector<TStagedFile> staged;
            if (vouched)
                staged = installer.StageSignedFolders(localFolders, archives);
            else
                staged.push_back(installer.Stage(localFolders.first(), archives.first().Archive, archives.first().FileName,
                                                 archives.first().Size));
            for (int i = 0; i < stagedJobs.size(); ++i)
                ready[size_t(stagedJobs.at(i))].staged = std::move(staged.at(size_t(i)));
        } catch (...) {
            for (const int job : stagedJobs)
                ready[size_t(job)].error = std::current_exception();
        }
    };
    const auto prepare = [&](const std::vector<TransferPool::Fetched> &run) {
        QVector<int> signedJobs;
        for (const TransferPool::Fetched &fetched : run) {
            if (fetched.result <= 0)
                continue;
            const StageFile &file = *fileOfJob[size_t(fetched.index)];
            if (file.patch) {
                TPatchStaging patched = StagePatch(file.localFolder, PatchNameOf(*file.patch), file.installed,
                                                   file.server->Comment, *file.patch);
                ready[size_t(fetched.index)].staged = std::move(patched.Staged);
                ready[size_t(fetched.index)].patchFailure = patched.Failure;
                continue;
            }
            if (file.listed) {
                ReadyFile &slot = ready[size_t(fetched.index)];
                slot.check = CheckListedFile(file.localFolder + file.server->FileName, *file.listed);
                if (slot.check != TListedFileCheck::Matches)
                    continue;
            }
            if (file.listed && signedRelease)
                signedJobs.append(fetched.index);
            else
                stage({fetched.index}, false);
        }
        if (!signedJobs.isEmpty())
            stage(signedJobs, true);
    };

    // A file whose archive (or patch) arrived whole and checked: the same log lines and counters
    // either way (logFetched), then its staged file takes its place (placeFetched).
    const auto logFetched = [&](const StageFile &file) {
        AddLog(QStringLiteral("    ") + file.server->FileName + lStr(QStringLiteral(" - …загружен…")));
        SetCounter(Counter::Download, ++downloaded);
        if (!toolLogged) {
            AddLog(lStr(QStringLiteral("    …Программа распаковки… - ")) + QDir::toNativeSeparators(installer.Tool().Found()));
            toolLogged = true;
        }
    };
    const auto placeFetched = [&](const StageFile &file, TStagedFile &staged, const QString &command) {
        const QString &fileName = file.server->Comment;
        if (InstallArchive(staged, file.localFolder, file.server->FileName, fileName, command)) {
            SetCounter(Counter::Install, ++installed);
            AddLog(QStringLiteral("    ") + fileName + lStr(QStringLiteral(" …установлен…")));
        } else {
            ++notInstalled_;
        }
    };
    // The file from its fetched patch, logged as from its archive with one line more; false
    // (logged) when the patch did not give the listed file: the archive is fetched after the others.
    const auto takePatch = [&](const StageFile &file, int result, ReadyFile &slot) {
        const QString patch = file.serverFolder + PatchNameOf(*file.patch);
        if (result > 0 && slot.patchFailure.isEmpty()) {
            AddLog(lStr(QStringLiteral("    …Загружено исправление вместо архива… - ")) + patch
                   + QStringLiteral(" (%1 ").arg(file.patch->Patch.Size) + lStr(QStringLiteral("…байт…")) + QLatin1Char(')'));
            logFetched(file);
            placeFetched(file, slot.staged, QString());
            return true;
        }
        LogDownloadFailure(result, file.serverFolder, PatchNameOf(*file.patch), file.localFolder + file.server->Comment);
        AddLog(lStr(QStringLiteral("    …Исправление не подошло, загружается архив… - ")) + patch
               + (slot.patchFailure.isEmpty() ? QString() : QStringLiteral(" (") + lStr(slot.patchFailure) + QLatin1Char(')')));
        return false;
    };
    QVector<const StageFile *> fallbacks;
    FetchFromMirrors(jobs);
    {
        const ServerAddress address = UpdateServerAddress();
        TransferPool pool(
            jobs, connection.hFTP, ParallelTransfers(),
            [&](HINTERNET &hNet, HINTERNET &hFTP) {
                return OpenFTP(hNet, hFTP, address.host, QString::fromLatin1(kFtpUser),
                               QString::fromLatin1(kFtpPassword), address.port);
            },
            prepare, ProgramPack());
        for (const StageFile &file : std::as_const(files)) {
            const QString &archive = file.server->FileName;
            const QString &fileName = file.server->Comment;
            const QString &localFolder = file.localFolder;
            if (file.job < 0) {
                AddLog(lStr(QStringLiteral("    …Небезопасный путь, пропущено… - ")) + file.server->Path + archive);
                ++notInstalled_;
                continue;
            }
            // The bar and the file label follow the file that is unpacked next.
            ProgressThrottle progress(
                [&](uint32_t received, uint32_t size) { emit fileProgress(archive, received, size); });
            int result = pool.Wait(file.job, [&](uint32_t received, uint32_t size) { progress.Update(received, size); });
            progress.Finish();
            const QString rangeFailure = pool.RangeFailure(file.job);
            if (!rangeFailure.isEmpty())
                LogRangeFailure(*ProgramPack(), rangeFailure);
            ReadyFile &slot = ready[size_t(file.job)];
            if (file.patch) {
                if (!takePatch(file, result, slot))
                    fallbacks.append(&file);
                CheckStop();
                continue;
            }
            // With a manifest the archive must be the one it lists before anything counts.
            if (result > 0 && file.listed && !AcceptChecked(slot.check, localFolder + archive, archive))
                result = ResultCode::DownloadRejected;
            if (result > 0) {
                logFetched(file);
                if (slot.error) {
                    QFile::remove(localFolder + archive);
                    std::rethrow_exception(slot.error);
                }
                // The log shows the command that unpacked the file: that of one archive unpacked
                // alone, or, once, the run that unpacked it together with others.
                QString command = SevenZipCommandLine(toolFolder, localFolder, archive);
                if (slot.staged.Result.UnpackedTogether) {
                    const QString together = ToolCommandLine(QDir::toNativeSeparators(installer.Tool().Found()),
                                                                   slot.staged.Result.UnpackArguments);
                    command = together == lastTogether ? QString() : together;
                    lastTogether = together;
                }
                placeFetched(file, slot.staged, command);
            } else {
                // A local file that would not open is named as the file's (by its decoded name),
                // unless the download's partial file was to blame.
                const QString target = localFolder + archive;
                const QString unopened = result == ResultCode::DownloadLocalFailed ? UnopenedDownloadFile(target) : QString();
                LogDownloadFailure(result, file.serverFolder, archive,
                                   unopened.isEmpty() || unopened == target ? localFolder + fileName : unopened);
                ++notInstalled_;
            }
            CheckStop();
        }
    }
    // The archives of the files whose patch failed, one after the other on the stage's connection.
    for (const StageFile *file : std::as_const(fallbacks)) {
        const QString &archive = file->server->FileName;
        const int result = FetchListed(connection, file->serverFolder, archive, file->localFolder + archive, file->listed);
        if (result > 0) {
            logFetched(*file);
            TStagedFile staged = installer.Stage(file->localFolder, archive, file->server->Comment, file->server->Size,
                                                 TArchiveOrigin::Signed);
            placeFetched(*file, staged, SevenZipCommandLine(toolFolder, file->localFolder, archive));
        } else {
            LogDownloadFailure(result, file->serverFolder, archive, file->localFolder + file->server->Comment);
            ++notInstalled_;
        }
        CheckStop();
    }
    AddLog(lStr(QStringLiteral("…Обновления загружены…")));
    connection.Disconnect();
    return ResultCode::DownloadChangeDone;
}
