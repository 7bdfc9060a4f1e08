// Stage 1: list the server and local trees, decode the archive names and build the work list
// of new and changed files.
#include "net/EventPump.h"
#include "base/RaisedError.h"
#include "base/FatDateTime.h"
#include "net/ResultCodes.h"
#include "net/ScanDir.h"
#include "stages/DecodeListing.h"
#include "stages/ManifestFetch.h"
#include "release/ManifestTrust.h"
#include "stages/FolderTrust.h"
#include "stages/Pairing.h"
#include "release/ReleaseKeys.h"
#include "release/SequenceRecord.h"
#include "stages/StageScope.h"
#include "stages/UpdateEngine.h"

#include <QDir>
#include <QLocale>

namespace {

// The user's date separator: the first punctuation of the locale's short date format, "/"
// where it has none.
QChar DateSeparator()
{
    for (const QChar c : QLocale().dateFormat(QLocale::ShortFormat))
        if (!c.isLetterOrNumber() && !c.isSpace())
            return c;
    return QLatin1Char('/');
}

// "dd/mm/yyyy hh.mm" with the locale's date separator in place of "/".
QString LogDateTime(double days)
{
    const QString separator(DateSeparator());
    return QDateTimeFromDays(days).toString(QStringLiteral("dd'%1'MM'%1'yyyy hh.mm").arg(separator));
}

}  // namespace

void TUpdateEngine::DecodeFTPFileNames(TScanDir *scanDir) { DecodeServerListing(scanDir->MyDataSearch); }

namespace {

// The first entry of Manifest that lies in a sub-folder; empty when all lie at its top.
QString FirstEntryInSubFolder(const TManifest &Manifest)
{
    for (const TManifestEntry &entry : Manifest.Entries)
        if (entry.Path.contains(QLatin1Char('/')))
            return entry.Path;
    return QString();
}

}  // namespace

bool TUpdateEngine::TakeFolderManifest(StageConnection &connection, const QString &folder, bool filesAtTopOnly,
                                       std::optional<TManifestListing> &manifest)
{
    manifest.reset();
    const QVector<TMinisignPublicKey> keys = releaseKeys_ ? *releaseKeys_ : ReleaseKeys();
    const QString recordPath = SequenceRecordPath(softdir);
    const TFolderTrust trust =
        CheckServerFolder(connection.hFTP, connection.hFile, folder, recordPath, keys, QDateTime::currentDateTimeUtc());
    CheckStop();
    // Without a key a manifest only spares the listing: one that cannot be read (a folder that
    // cannot be entered, say) leaves the folder to be listed, with that listing's messages.
    if (!trust.Fetched && keys.isEmpty())
        return true;
    QString refusal;
    QString detail = trust.Trust.Detail;
    if (!trust.Fetched)
        refusal = ManifestFetchFailureText();
    else if (trust.Trust.Outcome == TTrustOutcome::Refused)
        refusal = TrustRefusalText(trust.Trust.Refusal);
    else if (filesAtTopOnly && trust.Trust.Outcome == TTrustOutcome::Accepted)
        detail = FirstEntryInSubFolder(trust.Trust.Manifest);
    if (refusal.isEmpty() && !detail.isEmpty())
        refusal = QStringLiteral("…Манифест папки скриптов перечисляет файлы в подпапках…");
    if (!refusal.isEmpty()) {
        const QString line = lStr(refusal) + QStringLiteral(" - ") + folder;
        AddLog(detail.isEmpty() ? line : line + QStringLiteral(" (") + detail + QLatin1Char(')'));
        ShowMessage(line);
        return false;
    }
    if (trust.Trust.Outcome != TTrustOutcome::Accepted)
        return true;
    manifest = ListingFromManifest(trust.Trust.Manifest, folder);
    manifest->Signed = trust.Trust.Signed;
    manifest->Sha256 = trust.ManifestSha256;
    if (trust.Trust.PackSize)
        TakePackOffsets(*manifest, trust.Trust.Manifest, *trust.Trust.PackSize);
    manifest->Mirrors = trust.Trust.Mirrors;
    QString error;
    if (trust.Trust.Signed && !checkOnly_
        && !RecordAcceptedSequence(recordPath, folder, trust.Trust.Manifest.Sequence, &error))
        throw RaisedError(error);
    return true;
}

int TUpdateEngine::ScanServerTree(StageConnection &connection, const QString &folder, const QString &mask,
                                  bool filesAtTopOnly, std::optional<TManifestListing> &manifest)
{
    int r = 0;
    {
        NoticeScope notice(*this, lStr(QStringLiteral("…Сканируется удаленный сервер…")));
        if (!TakeFolderManifest(connection, folder, filesAtTopOnly, manifest))
            return 0;
        ScanDir1->setSearchMask(mask);
        ScanDir1->setSearchPath(folder);
        if (manifest) {
            // One request for the whole tree: the manifest names every file the folder serves.
            ScanDir1->AdoptListing(manifest->Listing);
            r = manifest->Listing.isEmpty() ? ResultCode::ListingFailed : ResultCode::FolderListed;
        } else {
            r = ScanDir1->BeginScanFTP(connection.hNet, connection.hFTP, connection.hFile);
        }
    }
    if (r == ResultCode::FolderNotEntered)
        ShowMessage(lStr(QStringLiteral("…Ошибка поиска каталога на FTP сервере…")));
    if (r == ResultCode::ListingFailed)
        ShowMessage(lStr(QStringLiteral("…Ошибка чтения содержимого каталога на FTP сервере…")));
    return r;
}

void TUpdateEngine::ScanLocalTree(const QString &mask)
{
    NoticeScope notice(*this, lStr(QStringLiteral("…Сканируется локальная папка…")));
    ScanDir2->setSearchMask(mask);
    ScanDir2->setSearchPath(softdir);
    ScanDir2->BeginScan();
}

int TUpdateEngine::CheckChange()
{
    StageConnection connection(*this);
    int r = 0;
    if (!OpenStage(connection, r))
        return r;
    ScanDir2->setSearchMask(QStringLiteral("*.*"));
    r = ScanServerTree(connection, netdir, QStringLiteral("*.*"), false, programManifest);
    if (r <= 0)
        return r;
    AddLog(lStr(QStringLiteral("…FTP сервер просканирован…")));
    DecodeFTPFileNames(ScanDir1);
    AddLog(lStr(QStringLiteral("…FTP файлы обработанны…")));

    AddLog(softdir);
    ScanLocalTree(QStringLiteral("*.*"));
    AddLog(lStr(QStringLiteral("…Локальная папка программы просканирована…")));
    AddLog(lStr(QStringLiteral("…Проверка необходимости обновлений…")));

    const QVector<TDataSearch> &server = ScanDir1->MyDataSearch;
    const QVector<TDataSearch> &local = ScanDir2->MyDataSearch;
    const TPairing pairing = PairListings(server, local, {netdir, softdir, int32_t(QDir::currentPath().size())});
    int skipped = 0;
    for (const TDataFind &entry : pairing.Work) {
        // Entries left out of the pairing are logged where they stand in the server listing.
        for (; skipped < pairing.Skipped.size() && pairing.Skipped[skipped].IdFTP < entry.IdFTP; ++skipped)
            LogSkippedServerEntry(pairing.Skipped[skipped]);
        CheckStop();
        MyDataFind.append(entry);
        const QString &comment = server[entry.IdFTP].Comment;
        if (IsNewFile(entry))
            AddLog(QStringLiteral("    ") + comment + lStr(QStringLiteral(" - …новый…")));
        else
            AddLog(QStringLiteral("    ") + comment + lStr(QStringLiteral(" - …обновленный…  old-"))
                   + LogDateTime(entry.DateTimeDir) + QStringLiteral("  new-") + LogDateTime(entry.DateTimeFtp));
    }
    for (; skipped < pairing.Skipped.size(); ++skipped)
        LogSkippedServerEntry(pairing.Skipped[skipped]);

    SetCounter(Counter::FindNew, pairing.NewCount);
    SetCounter(Counter::FindChange, pairing.ChangedCount);
    AddLog(lStr(QStringLiteral("…Всего новых файлов…: ")) + QString::number(pairing.NewCount));
    AddLog(lStr(QStringLiteral("…Всего обновленных файлов…: ")) + QString::number(pairing.ChangedCount));
    connection.Disconnect();
    return ResultCode::CheckChangeDone;
}

void TUpdateEngine::LogSkippedServerEntry(const TSkippedEntry &skipped)
{
    const TDataSearch &entry = ScanDir1->MyDataSearch[skipped.IdFTP];
    QString key = QStringLiteral("    …Небезопасный путь, пропущено… - ");
    if (skipped.Reason == TSkipReason::NotDecodable)
        key = QStringLiteral("    …Имя архива не по схеме, пропущено… - ");
    else if (skipped.Reason == TSkipReason::StateFile)
        key = QStringLiteral("    …Собственный файл программы обновления, пропущено… - ");
    AddLog(lStr(key) + entry.Path + entry.FileName);
}

void TUpdateEngine::ReportWorkList(TCheckReport &report) const
{
    for (const TDataFind &entry : MyDataFind) {
        const TDataSearch &server = ScanDir1->MyDataSearch.at(entry.IdFTP);
        TPendingFile file;
        file.isNew = IsNewFile(entry);
        file.serverPath = server.Path + server.FileName;
        file.size = server.Size;
        file.serverDate = entry.DateTimeFtp;
        file.localDate = file.isNew ? 0 : entry.DateTimeDir;
        report.files.append(file);
    }
}
