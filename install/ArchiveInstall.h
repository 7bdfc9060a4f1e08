#pragma once
// Installing one file from its downloaded archive so that it is replaced whole or not at all:
// the archive is listed first and refused unless it holds exactly the one expected regular file,
// unpacked into a hidden staging folder beside the target, checked there, and renamed over the
// target. Update.exe is moved to Update.bak only once its successor is staged and checked.
#include "install/ArchiveListing.h"
#include "install/SevenZipTool.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum class TInstallOutcome {
    Installed,        // the target now holds the archive's file
    ListingFailed,    // the tool could not list the archive (damaged, not an archive): ExitCode
    Refused,          // the listing is not one regular file of the expected name and size: Refusal
    StagingFailed,    // the staging folder could not be made: SystemText
    UnpackFailed,     // the tool failed while unpacking (CRC error, killed, disk full): ExitCode
    StagedFileWrong,  // the unpacked result is not one regular file of the expected size
    PlaceFailed,      // the staged file could not be renamed over the target: SystemText
    InUse,            // another program holds the target open (Windows): SystemText
};

struct TInstallResult {
    TInstallOutcome Outcome = TInstallOutcome::Installed;
    TArchiveRefusal Refusal = TArchiveRefusal::None;
    int ExitCode = 0;          // the tool's exit code; -1 when it crashed or was killed
    QString SystemText;        // the system's text for StagingFailed and PlaceFailed
    bool BackedUp = false;     // Update.exe: the previous updater is now Update.bak
    QStringList UnpackArguments;  // the arguments the unpacking ran with (empty when it did not run)
    bool UnpackedTogether = false;  // that run unpacked several archives at once (StageSigned)
};

// A file unpacked and checked in its staging folder, not yet placed. The staging folder (which
// files unpacked together share) is removed when the last of them is placed or destroyed, so a
// file that is never placed leaves nothing behind.
struct TStagedFile {
    TInstallResult Result;                   // Installed when staged, else the failure
    std::shared_ptr<QTemporaryDir> Staging;  // holds the checked file; none after a failure
};

// One archive to stage: LocalFolder + Archive, holding FileName of Size bytes.
struct TArchiveToStage {
    QString Archive;
    QString FileName;
    int64_t Size = 0;
};

// Who vouches for an archive's bytes: nobody (anyone on the way to the server could have
// written them), or the publisher (their SHA-256 matched a manifest with a valid signature).
enum class TArchiveOrigin { Unverified, Signed };

// Prefix of the staging folders; a folder of this name left by a killed run is removed.
extern const QString kStagingPrefix;

// The installer of one stage: holds the stage's 7-Zip tool (found and copied once) and the
// folders already cleared of stale staging folders.
class TArchiveInstaller {
public:
    // Finds the tool for ToolFolder (see TSevenZipTool). Throws RaisedError as TSevenZipTool does.
    explicit TArchiveInstaller(const QString &ToolFolder);

    const TSevenZipTool &Tool() const { return tool_; }

    // Installs FileName (Size bytes) from LocalFolder + Archive into LocalFolder (ending in "/").
    // On every outcome but Installed the target and Update.bak are as they were and no staging
    // folder is left. Update.exe (ASCII letters in any case): when it exists it becomes
    // LocalFolder + base + ".bak", replacing an older backup, just before the new file takes
    // its place; a missing Update.exe is installed and leaves an older backup untouched.
    // Throws RaisedError with the system's text when the tool cannot be started.
    TInstallResult Install(const QString &LocalFolder, const QString &Archive, const QString &FileName, int64_t Size);

    // The first half of Install, safe to run on several threads at once (after SweepStaging of
    // LocalFolder): lists, unpacks into a new staging folder and checks the staged file. The
    // target is not touched. A signed archive is not listed first: the publisher made it, and
    // what it unpacks is checked all the same. Throws RaisedError as Install does.
    TStagedFile Stage(const QString &LocalFolder, const QString &Archive, const QString &FileName, int64_t Size,
                      TArchiveOrigin Origin = TArchiveOrigin::Unverified) const;
    // Stage for archives of LocalFolder that the publisher signed, one result per archive in
    // their order: unpacked by one run of the tool into one staging folder when it gives every
    // expected file and nothing else, else each on its own as Stage does (same results).
    std::vector<TStagedFile> StageSigned(const QString &LocalFolder, const QVector<TArchiveToStage> &Archives) const;

    // StageSigned for the signed archives of several folders, Archives[i] in LocalFolders[i], one
    // result per archive in their order: unpacked by one run of the tool into one staging folder
    // (in the first folder) when their file names differ, their folders lie on the volume of that
    // staging folder and the run gives every expected file and nothing else; else each folder's
    // archives as StageSigned stages them (same results).
    std::vector<TStagedFile> StageSignedFolders(const QStringList &LocalFolders,
                                                const QVector<TArchiveToStage> &Archives) const;
    // The second half: places a staged file over LocalFolder + FileName (with the Update.exe
    // backup) and removes its staging folder. Returns Staged.Result when it was not staged.
    static TInstallResult Place(TStagedFile &Staged, const QString &LocalFolder, const QString &FileName);

    // Removes the staging folders that earlier runs left in Folder, once per folder and stage.
    void SweepStaging(const QString &Folder);

private:
    // Archives unpacked together and checked; empty when that failed in any way.
    // Archives[i] lies in LocalFolders[i]; the staging folder is made in the first of them.
    std::vector<TStagedFile> StageTogether(const QStringList &LocalFolders, const QVector<TArchiveToStage> &Archives) const;

    TSevenZipTool tool_;
    QSet<QString> swept_;
};

// The text a key of the language file stands for, in the language shown (lStr).
using TTranslate = std::function<QString(const QString &Key)>;

// The log line of a failed install (four spaces first), for an Outcome other than Installed:
// "…Ошибка распаковки архива… - <local><archive> (…код завершения… N)" for ListingFailed and
// UnpackFailed, "…Содержимое архива не такое, как ожидалось… - <local><archive> (<reason>)" for
// Refused, "…Размер установленного файла не совпадает… - <local><file>" for StagedFileWrong,
// "…Файл не заменён… - <local><file> (<system text>)" for StagingFailed and PlaceFailed.
QString InstallFailureLine(const TInstallResult &Result, const QString &LocalFolder, const QString &Archive,
                           const QString &FileName, const TTranslate &Translate);
