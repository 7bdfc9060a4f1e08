// Pairing at scale: the indexed pairing against the reference nested walk over 20 000 server
// and 20 000 local entries, and the check that both give the same work list.
//
// Usage: bench_pairing [--reference-limit SECONDS]
// The reference walk is timed whole when a sampled estimate of it stays within the limit
// (default 240 s); otherwise it is timed on every 100th server entry and extrapolated, and the
// result line says so.
#include "bench/BenchReport.h"
#include "base/FatDateTime.h"
#include "release/ArchiveName.h"
#include "stages/DecodeListing.h"
#include "stages/Pairing.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>

namespace {

constexpr int kServerCount = 20000;
constexpr int kNewCount = 1000;        // server files without a local counterpart
constexpr int kChangedCount = 2000;    // server files dated on a later day
constexpr int kLocalOnlyCount = 1000;  // local files without a server counterpart
constexpr int kUndecodableCount = 10;  // server names off the archive-name scheme
constexpr int kSampleStep = 100;       // every n-th server entry for the estimate
constexpr int kIndexedRuns = 7;

const QString kNetdir = QStringLiteral("/prog/");
const QString kWorkDir = QStringLiteral("/home/user/ORN");
const QString kSoftdir = kWorkDir + QLatin1Char('/');

// A release tree of some depth, with the local side sometimes spelt in other case.
QStringList Folders()
{
    QStringList folders = {QString(), QStringLiteral("bin"), QStringLiteral("bin/x64"), QStringLiteral("bin/x86"),
                           QStringLiteral("Images"), QStringLiteral("Images/classic_d"), QStringLiteral("Video"),
                           QStringLiteral("help/ru"), QStringLiteral("help/en"), QStringLiteral("sql/updates")};
    for (int i = 0; i < 45; ++i) {
        folders << QStringLiteral("plugins/plugin_%1").arg(i, 2, 10, QLatin1Char('0'))
                << QStringLiteral("plugins/plugin_%1/lang/ru-RU").arg(i, 2, 10, QLatin1Char('0'));
    }
    return folders;
}

struct TFileName {
    QString Name;
    QString Ext;
};

TFileName FileNameOf(int i)
{
    static const char *const kStems[] = {"Report", "Form", "Module", "icon_", "Help.Topic-", "ru-RU.strings",
                                         "Script", "Template", "Dict", "Update"};
    static const char *const kExts[] = {"dll", "exe", "bmp", "png", "htm", "dat", "sql", "txt"};
    return {QString::fromLatin1(kStems[i % 10]) + QString::number(i), QString::fromLatin1(kExts[(i / 10) % 8])};
}

// The two listings as the scanners leave them, the server one decoded.
struct TListings {
    QVector<TDataSearch> Server;
    QVector<TDataSearch> Local;
};

TListings MakeListings()
{
    QRandomGenerator random(20240401);
    const QStringList folders = Folders();
    const QDateTime base(QDate(2024, 3, 10), QTime(9, 30));
    TListings listings;
    listings.Server.reserve(kServerCount);
    listings.Local.reserve(kServerCount);
    for (int i = 0; i < kServerCount; ++i) {
        const QString folder = folders.at(i * folders.size() / kServerCount);
        const TFileName file = FileNameOf(i);
        // Roles spread over the listing: every 20th file is new, every 10th of the rest changed.
        const bool isNew = i % (kServerCount / kNewCount) == 7;
        const bool isChanged = !isNew && i % (kServerCount / kChangedCount) == 3;
        const QDateTime localTime = base.addSecs(qint64(random.bounded(3600 * 24 * 20)));
        const QDateTime serverTime = isChanged ? localTime.addDays(1 + random.bounded(30))
                                               : localTime.addDays(-random.bounded(2)).addSecs(-random.bounded(3600));

        TDataSearch server;
        server.FileName = i % (kServerCount / kUndecodableCount) == 11
                              ? file.Name + QStringLiteral(".7z")
                              : EncodeArchiveName(file.Name, file.Ext, 1000 + random.bounded(900000),
                                                  FatFromLocalDateTime(serverTime));
        server.FileExt = QStringLiteral(".7z");
        server.Path = kNetdir + (folder.isEmpty() ? QString() : folder + QLatin1Char('/'));
        listings.Server.append(server);

        if (isNew)
            continue;
        TDataSearch local;
        local.FileName = file.Name + QLatin1Char('.') + file.Ext;
        local.FileExt = file.Ext;
        const QString localFolder = i % 7 == 0 ? folder.toUpper() : folder;
        local.Path = kSoftdir + (localFolder.isEmpty() ? QString() : localFolder + QLatin1Char('/'));
        local.DateTime = DateTimeFromFat(FatFromLocalDateTime(localTime));
        listings.Local.append(local);
        if (i % (kServerCount / kLocalOnlyCount) == 5) {
            TDataSearch own = local;
            own.FileName = QStringLiteral("user_settings_%1.ini").arg(i);
            listings.Local.append(own);
        }
    }
    DecodeServerListing(listings.Server);
    return listings;
}

bool SameEntry(const TDataFind &a, const TDataFind &b)
{
    return a.IdFTP == b.IdFTP && a.IdDir == b.IdDir && a.PathFTP == b.PathFTP && a.PathDir == b.PathDir
           && a.inst == b.inst && a.DownOk == b.DownOk && a.DateTimeFtp == b.DateTimeFtp
           && a.DateTimeDir == b.DateTimeDir;
}

// Empty when both pairings agree in every entry, count and skipped entry; else the first difference.
QString Difference(const TPairing &a, const TPairing &b)
{
    if (a.NewCount != b.NewCount || a.ChangedCount != b.ChangedCount)
        return QStringLiteral("counts differ");
    if (a.Work.size() != b.Work.size())
        return QStringLiteral("work lists of %1 and %2 entries").arg(a.Work.size()).arg(b.Work.size());
    for (qsizetype k = 0; k < a.Work.size(); ++k)
        if (!SameEntry(a.Work.at(k), b.Work.at(k)))
            return QStringLiteral("work list entry %1 differs").arg(k);
    if (a.Skipped.size() != b.Skipped.size())
        return QStringLiteral("skipped entries differ");
    for (qsizetype k = 0; k < a.Skipped.size(); ++k)
        if (a.Skipped.at(k).IdFTP != b.Skipped.at(k).IdFTP || a.Skipped.at(k).Reason != b.Skipped.at(k).Reason)
            return QStringLiteral("skipped entry %1 differs").arg(k);
    return QString();
}

template <typename Work> double SecondsOf(Work work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

double ReferenceLimit(const QStringList &arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--reference-limit"));
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toDouble() : 240.0;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const double referenceLimit = ReferenceLimit(QCoreApplication::arguments());
    const TPairingFolders folders{kNetdir, kSoftdir, int32_t(kWorkDir.size())};
    const TListings listings = MakeListings();
    Note(QStringLiteral("pairing: %1 server and %2 local entries").arg(listings.Server.size()).arg(listings.Local.size()));

    TPairing indexed;
    QVector<double> indexedRuns;
    for (int run = 0; run < kIndexedRuns; ++run)
        indexedRuns << SecondsOf([&] { indexed = PairListings(listings.Server, listings.Local, folders); });
    const double indexedSeconds = Median(indexedRuns);
    Note(QStringLiteral("indexed: median %1 of %2 runs; %3 new, %4 changed, %5 skipped")
             .arg(SecondsText(indexedSeconds))
             .arg(kIndexedRuns)
             .arg(indexed.NewCount)
             .arg(indexed.ChangedCount)
             .arg(indexed.Skipped.size()));

    // Every n-th server entry, walked against the whole local listing, estimates the whole walk.
    QVector<TDataSearch> sample;
    for (qsizetype i = 0; i < listings.Server.size(); i += kSampleStep)
        sample << listings.Server.at(i);
    TPairing sampleNested;
    const double estimate =
        kSampleStep * SecondsOf([&] { sampleNested = PairListingsNested(sample, listings.Local, folders); });
    Note(QStringLiteral("reference estimate from 1 in %1 server entries: %2").arg(kSampleStep).arg(SecondsText(estimate)));

    double referenceSeconds = estimate;
    QString how = QStringLiteral("extrapolated from every %1th server entry").arg(kSampleStep);
    QString difference = Difference(sampleNested, PairListings(sample, listings.Local, folders));
    QString compared = QStringLiteral("same work list on the sample");
    if (estimate <= referenceLimit) {
        TPairing nested;
        referenceSeconds = SecondsOf([&] { nested = PairListingsNested(listings.Server, listings.Local, folders); });
        how = QStringLiteral("whole run");
        difference = Difference(nested, indexed);
        compared = QStringLiteral("same work list of %1 entries").arg(indexed.Work.size());
    }
    if (!difference.isEmpty())
        Note(QStringLiteral("the pairings disagree: ") + difference);

    const double ratio = indexedSeconds / referenceSeconds;
    return PrintBenchLine({QStringLiteral("pairing 20000x20000"),
                           QStringLiteral("indexed %1 (median of %2), %3")
                               .arg(SecondsText(indexedSeconds))
                               .arg(kIndexedRuns)
                               .arg(difference.isEmpty() ? compared : QStringLiteral("DIFFERENT work list")),
                           QStringLiteral("nested walk %1 (%2)").arg(SecondsText(referenceSeconds), how), ratio,
                           QStringLiteral("<= 0.01, same work list"), ratio <= 0.01 && difference.isEmpty()});
}
