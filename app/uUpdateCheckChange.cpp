// Stage 1: list the server and local trees, decode the archive names and build the work list
// of new and changed files.
#include "app/StageScope.h"
#include "app/uUpdate.h"
#include "net/EventPump.h"
#include "net/FatDateTime.h"
#include "net/ResultCodes.h"
#include "net/ScanDir.h"
#include "stages/DecodeListing.h"
#include "stages/Pairing.h"
#include "support/MessageBoxes.h"

#include <QDir>
#include <QLabel>
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

void TfUpdate::DecodeFTPFileNames(TScanDir *scanDir) { DecodeServerListing(scanDir->MyDataSearch); }

// Asks the server's listing of the start folder; shows the message for a folder that cannot
// be entered or read.
int TfUpdate::ScanServerTree(StageConnection &connection, const QString &folder, const QString &mask)
{
    int r = 0;
    {
        NoticeScope notice(im, lStr(QStringLiteral("…Сканируется удаленный сервер…")));
        ScanDir1->setSearchMask(mask);
        ScanDir1->setSearchPath(folder);
        r = ScanDir1->BeginScanFTP(connection.hNet, connection.hFTP, connection.hFile);
    }
    if (r == ResultCode::FolderNotEntered)
        MessageBoxes::ShowMessage(lStr(QStringLiteral("…Ошибка поиска каталога на FTP сервере…")));
    if (r == ResultCode::ListingFailed)
        MessageBoxes::ShowMessage(lStr(QStringLiteral("…Ошибка чтения содержимого каталога на FTP сервере…")));
    return r;
}

void TfUpdate::ScanLocalTree(const QString &mask)
{
    NoticeScope notice(im, lStr(QStringLiteral("…Сканируется локальная папка…")));
    ScanDir2->setSearchMask(mask);
    ScanDir2->setSearchPath(softdir);
    ScanDir2->BeginScan();
}

int TfUpdate::CheckChange()
{
    StageConnection connection(*this);
    int r = connection.Connect();
    if (r <= 0) {
        MessageBoxes::ShowMessage(lStr(QStringLiteral("…Ошибка подключения к серверу…")));
        return r;
    }
    ScanDir2->setSearchMask(QStringLiteral("*.*"));
    r = ScanServerTree(connection, netdir, QStringLiteral("*.*"));
    if (r <= 0) {
        connection.Disconnect();
        return r;
    }
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
        ProcessMessages();
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

    lFindNew->setText(QString::number(pairing.NewCount));
    lFindChange->setText(QString::number(pairing.ChangedCount));
    AddLog(lStr(QStringLiteral("…Всего новых файлов…: ")) + lFindNew->text());
    AddLog(lStr(QStringLiteral("…Всего обновленных файлов…: ")) + lFindChange->text());
    connection.Disconnect();
    return ResultCode::CheckChangeDone;
}

void TfUpdate::LogSkippedServerEntry(const TSkippedEntry &skipped)
{
    const TDataSearch &entry = ScanDir1->MyDataSearch[skipped.IdFTP];
    const QString key = skipped.Reason == TSkipReason::NotDecodable
                            ? QStringLiteral("    …Имя архива не по схеме, пропущено… - ")
                            : QStringLiteral("    …Небезопасный путь, пропущено… - ");
    AddLog(lStr(key) + entry.Path + entry.FileName);
}
