#include "install/ArchiveInstall.h"

#include "base/LibStr.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <algorithm>

const QString kStagingPrefix = QStringLiteral(".ornupdate-staging-");

namespace {

const QString kUpdateExe = QStringLiteral("Update.exe");

// True when Path itself (a link not followed) exists.
bool EntryExists(const QString &Path) { return EntryKindOf(Path) != EntryKind::Missing; }

// True when Folder holds the files of Expected (FileName and Size) and nothing else, each a
// regular file (not a link).
bool StagedAsExpected(const QString &Folder, const QVector<TArchiveToStage> &Expected)
{
    QStringList entries =
        QDir(Folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QStringList names;
    for (const TArchiveToStage &file : Expected)
        names << file.FileName;
    entries.sort();
    names.sort();
    if (entries != names)
        return false;
    for (const TArchiveToStage &file : Expected) {
        const QString path = Folder + QLatin1Char('/') + file.FileName;
        if (EntryKindOf(path) != EntryKind::RegularFile || QFileInfo(path).size() != file.Size)
            return false;
    }
    return true;
}

// True when Attempt replaced its file; otherwise false, with the outcome and the system's text in
// Result.
bool Replaced(const ReplaceResult &Attempt, TInstallResult &Result)
{
    if (Attempt.Error.isEmpty())
        return true;
    Result.Outcome = Attempt.InUse ? TInstallOutcome::InUse : TInstallOutcome::PlaceFailed;
    Result.SystemText = Attempt.Error;
    return false;
}

// True when the folders of Folders lie on one volume (one folder does).
bool OnOneVolume(const QStringList &Folders)
{
    const QSet<QString> distinct(Folders.cbegin(), Folders.cend());
    if (distinct.size() == 1)
        return true;
    const QString volume = QStorageInfo(Folders.first()).rootPath();
    return !volume.isEmpty() && std::all_of(distinct.cbegin(), distinct.cend(), [&volume](const QString &folder) {
        return QStorageInfo(folder).rootPath() == volume;
    });
}

TInstallResult Failure(TInstallOutcome Outcome)
{
    TInstallResult result;
    result.Outcome = Outcome;
    return result;
}

QString RefusalKey(TArchiveRefusal Refusal)
{
    switch (Refusal) {
    case TArchiveRefusal::NotSevenZip:
        return QStringLiteral("…не архив 7-Zip…");
    case TArchiveRefusal::NotOneEntry:
        return QStringLiteral("…в архиве не один файл…");
    case TArchiveRefusal::NotRegular:
        return QStringLiteral("…файл в архиве не обычный…");
    case TArchiveRefusal::OtherName:
        return QStringLiteral("…другое имя файла…");
    case TArchiveRefusal::OtherSize:
        return QStringLiteral("…другой размер файла…");
    case TArchiveRefusal::None:
        break;
    }
    return QString();
}

}  // namespace

TArchiveInstaller::TArchiveInstaller(const QString &ToolFolder) : tool_(ToolFolder) {}

void TArchiveInstaller::SweepStaging(const QString &Folder)
{
    if (swept_.contains(Folder))
        return;
    swept_.insert(Folder);
    const QFileInfoList stale = QDir(Folder).entryInfoList({kStagingPrefix + QLatin1Char('*')},
                                                           QDir::AllEntries | QDir::Hidden | QDir::System
                                                               | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : stale) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

TInstallResult TArchiveInstaller::Install(const QString &LocalFolder, const QString &Archive, const QString &FileName,
                                          int64_t Size)
{
    SweepStaging(LocalFolder);
    TStagedFile staged = Stage(LocalFolder, Archive, FileName, Size);
    return Place(staged, LocalFolder, FileName);
}

TStagedFile TArchiveInstaller::Stage(const QString &LocalFolder, const QString &Archive, const QString &FileName,
                                     int64_t Size, TArchiveOrigin Origin) const
{
    TStagedFile staged;
    TInstallResult &result = staged.Result;
    const QString archivePath = LocalFolder + Archive;
    // The listing keeps an archive of many entries (or of another file) from ever being
    // unpacked; one the publisher signed is spared that second run of the tool.
    if (Origin == TArchiveOrigin::Unverified) {
        QByteArray listingText;
        const int listed = tool_.Run({QStringLiteral("l"), QStringLiteral("-slt"), QStringLiteral("-t7z"),
                                      QStringLiteral("--"), archivePath},
                                     0, &listingText);
        if (listed != 0) {
            result = Failure(TInstallOutcome::ListingFailed);
            result.ExitCode = listed;
            return staged;
        }
        const TArchiveRefusal refusal = CheckSingleFile(ParseArchiveListing(listingText), FileName, Size);
        if (refusal != TArchiveRefusal::None) {
            result = Failure(TInstallOutcome::Refused);
            result.Refusal = refusal;
            return staged;
        }
    }

    auto staging = std::make_shared<QTemporaryDir>(LocalFolder + kStagingPrefix + QStringLiteral("XXXXXX"));
    if (!staging->isValid()) {
        result = Failure(TInstallOutcome::StagingFailed);
        result.SystemText = staging->errorString();
        return staged;
    }
    result.UnpackArguments = {QStringLiteral("e"), QStringLiteral("-y"), QStringLiteral("-t7z"),
                              QStringLiteral("-o") + QDir::toNativeSeparators(staging->path()), QStringLiteral("--"), archivePath};
    // No file the tool writes can grow past the size the archive name carries.
    result.ExitCode = tool_.Run(result.UnpackArguments, Size);
    if (result.ExitCode != 0) {
        result.Outcome = TInstallOutcome::UnpackFailed;
        return staged;
    }
    if (!StagedAsExpected(staging->path(), {{Archive, FileName, Size}})) {
        result.Outcome = TInstallOutcome::StagedFileWrong;
        return staged;
    }
    staged.Staging = std::move(staging);
    return staged;
}

std::vector<TStagedFile> TArchiveInstaller::StageSigned(const QString &LocalFolder,
                                                        const QVector<TArchiveToStage> &Archives) const
{
    if (Archives.size() > 1) {
        std::vector<TStagedFile> together = StageTogether(QStringList(Archives.size(), LocalFolder), Archives);
        if (!together.empty())
            return together;
    }
    std::vector<TStagedFile> staged;
    for (const TArchiveToStage &archive : Archives)
        staged.push_back(Stage(LocalFolder, archive.Archive, archive.FileName, archive.Size, TArchiveOrigin::Signed));
    return staged;
}

std::vector<TStagedFile> TArchiveInstaller::StageSignedFolders(const QStringList &LocalFolders,
                                                               const QVector<TArchiveToStage> &Archives) const
{
    // One run of the tool costs about as much as unpacking a small file: a run of files spread
    // over many folders is unpacked at once. The staged files are then renamed into folders
    // other than the staging folder's, which needs one volume (and, on a case-blind file system,
    // names that differ in more than case).
    QSet<QString> names;
    for (const TArchiveToStage &archive : Archives)
        names.insert(archive.FileName.toLower());
    if (Archives.size() > 1 && names.size() == Archives.size() && OnOneVolume(LocalFolders)) {
        std::vector<TStagedFile> together = StageTogether(LocalFolders, Archives);
        if (!together.empty())
            return together;
    }
    std::vector<TStagedFile> staged(size_t(Archives.size()));
    QMap<QString, QVector<int>> byFolder;
    for (int i = 0; i < Archives.size(); ++i)
        byFolder[LocalFolders.at(i)].append(i);
    for (auto it = byFolder.cbegin(); it != byFolder.cend(); ++it) {
        QVector<TArchiveToStage> ofFolder;
        for (const int i : it.value())
            ofFolder.append(Archives.at(i));
        std::vector<TStagedFile> folderStaged = StageSigned(it.key(), ofFolder);
        for (int j = 0; j < it.value().size(); ++j)
            staged[size_t(it.value().at(j))] = std::move(folderStaged.at(size_t(j)));
    }
    return staged;
}

std::vector<TStagedFile> TArchiveInstaller::StageTogether(const QStringList &LocalFolders,
                                                          const QVector<TArchiveToStage> &Archives) const
{
    auto staging = std::make_shared<QTemporaryDir>(LocalFolders.first() + kStagingPrefix + QStringLiteral("XXXXXX"));
    if (!staging->isValid())
        return {};
    QStringList arguments = {QStringLiteral("e"), QStringLiteral("-y"), QStringLiteral("-t7z"),
                             QStringLiteral("-o") + QDir::toNativeSeparators(staging->path()), QStringLiteral("-an")};
    int64_t largest = 0;
    for (int i = 0; i < Archives.size(); ++i) {
        const TArchiveToStage &archive = Archives.at(i);
        // The tool reads * and ? in an archive path given this way as wildcards.
        const QString path = LocalFolders.at(i) + archive.Archive;
        if (path.contains(QLatin1Char('*')) || path.contains(QLatin1Char('?')))
            return {};
        arguments << QStringLiteral("-ai!") + path;
        largest = std::max(largest, archive.Size);
    }
    if (tool_.Run(arguments, largest) != 0 || !StagedAsExpected(staging->path(), Archives))
        return {};
    std::vector<TStagedFile> staged(size_t(Archives.size()));
    for (TStagedFile &file : staged) {
        file.Result.UnpackArguments = arguments;
        file.Result.UnpackedTogether = true;
        file.Staging = staging;
    }
    return staged;
}

TInstallResult TArchiveInstaller::Place(TStagedFile &Staged, const QString &LocalFolder, const QString &FileName)
{
    TInstallResult result = Staged.Result;
    const std::shared_ptr<QTemporaryDir> staging = std::move(Staged.Staging);  // removed with its last file
    if (!staging)
        return result;
    const QString target = LocalFolder + FileName;
    const QString backup = LocalFolder + FileName.left(FileName.size() - 4) + QStringLiteral(".bak");
    if (AsciiSameText(FileName, kUpdateExe) && EntryExists(target)) {
        if (!Replaced(ReplaceFile(target, backup), result))
            return result;
        result.BackedUp = true;
    }
    if (!Replaced(ReplaceFile(staging->filePath(FileName), target), result) && result.BackedUp) {
        ReplaceFile(backup, target);
        result.BackedUp = false;
    }
    return result;
}

QString InstallFailureLine(const TInstallResult &Result, const QString &LocalFolder, const QString &Archive,
                           const QString &FileName, const TTranslate &Translate)
{
    const QString indent = QStringLiteral("    ");
    switch (Result.Outcome) {
    case TInstallOutcome::ListingFailed:
    case TInstallOutcome::UnpackFailed:
        return indent + Translate(QStringLiteral("…Ошибка распаковки архива… - ")) + LocalFolder + Archive
               + QStringLiteral(" (") + Translate(QStringLiteral("…код завершения…")) + QLatin1Char(' ')
               + QString::number(Result.ExitCode) + QLatin1Char(')');
    case TInstallOutcome::Refused:
        return indent + Translate(QStringLiteral("…Содержимое архива не такое, как ожидалось… - ")) + LocalFolder
               + Archive + QStringLiteral(" (") + Translate(RefusalKey(Result.Refusal)) + QLatin1Char(')');
    case TInstallOutcome::StagedFileWrong:
        return indent + Translate(QStringLiteral("…Размер установленного файла не совпадает… - ")) + LocalFolder
               + FileName;
    case TInstallOutcome::StagingFailed:
    case TInstallOutcome::PlaceFailed:
        return indent + Translate(QStringLiteral("…Файл не заменён… - ")) + LocalFolder + FileName
               + QStringLiteral(" (") + Result.SystemText + QLatin1Char(')');
    case TInstallOutcome::InUse:
        return indent + Translate(QStringLiteral("…Файл занят другой программой, закройте ORN и повторите обновление… - "))
               + LocalFolder + FileName + QStringLiteral(" (") + Result.SystemText + QLatin1Char(')');
    case TInstallOutcome::Installed:
        break;
    }
    return QString();
}
