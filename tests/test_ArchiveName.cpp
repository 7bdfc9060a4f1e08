// The archive-name scheme: decoding what the server lists, encoding what ornpack writes.
#include "base/FatDateTime.h"
#include "release/ArchiveName.h"
#include "stages/DecodeListing.h"

#include <gtest/gtest.h>

namespace {

struct DecodableCase {
    QString archive;
    QString comment;
    int32_t size;
    double dateTime;
};

TEST(ArchiveName, DecodesNamesThatFollowTheScheme)
{
    const double reportDate = DateTimeFromParts(2022, 4, 3, 16, 22, 6);
    const QString longName(300, QLatin1Char('n'));
    const DecodableCase cases[] = {
        {QStringLiteral("6-3-Report.dll-48152-1417904835.7z"), QStringLiteral("Report.dll"), 48152, reportDate},
        // the two separators around the extension are skipped unread
        {QStringLiteral("6-3-Report_dll-48152-1417904835.7z"), QStringLiteral("Report.dll"), 48152, reportDate},
        {QStringLiteral("8-2-my-lib.x.gz-10-1417904835.7z"), QStringLiteral("my-lib.x.gz"), 10, reportDate},
        {QStringLiteral("6-3-Report.dll-48152-1417904835"), QStringLiteral("Report.dll"), 48152, reportDate},
        {QStringLiteral("5-3-Отчёт.txt-0-1417904835.7z.001"), QStringLiteral("Отчёт.txt"), 0, reportDate},
        {QStringLiteral("0-9-.gitignore-1-1417904835.7z"), QStringLiteral(".gitignore"), 1, reportDate},
        // a packed year from 2044 on sets the top bit of the 32-bit value
        {QStringLiteral("1-1-a.b-2-2350972928.7z"), QStringLiteral("a.b"), 2, DateTimeFromParts(2050, 1, 1, 0, 0, 0)},
        {QStringLiteral("300-3-") + longName + QStringLiteral(".dll-5-1417904835.7z"), longName + QStringLiteral(".dll"),
         5, reportDate},
    };
    for (const DecodableCase &c : cases) {
        const std::optional<TArchiveFile> file = DecodeArchiveName(c.archive);
        ASSERT_TRUE(file.has_value()) << c.archive.toStdString();
        EXPECT_EQ(file->Comment, c.comment) << c.archive.toStdString();
        EXPECT_EQ(file->Size, c.size) << c.archive.toStdString();
        EXPECT_DOUBLE_EQ(file->DateTime, c.dateTime) << c.archive.toStdString();
    }
}

TEST(ArchiveName, NamesOutsideTheSchemeAreNotDecodable)
{
    const QString cases[] = {
        QStringLiteral("Report.dll.7z"),
        QStringLiteral("x-3-Report.dll-48152-1417904835.7z"),       // name length not an integer
        QStringLiteral("+6-3-Report.dll-48152-1417904835.7z"),      // signs are no digits
        QStringLiteral("6--Report.dll-48152-1417904835.7z"),        // empty extension length
        QStringLiteral("6-3-Report.dll-abc-1417904835.7z"),         // size not an integer
        QStringLiteral("6-3-Report.dll-3000000000-1417904835.7z"),  // size beyond 32 bits signed
        QStringLiteral("6-3-Report.dll-48152-14179x4835.7z"),       // date not an integer
        QStringLiteral("6-3-Report.dll-48152-99999999999.7z"),      // date beyond 32 bits
        QStringLiteral("6-3-Report.dll-48152-.7z"),                 // empty date
        QStringLiteral("6-3-Report.dll-48152-1417904835."),         // dot as the last character
        QStringLiteral("6-3-Report.dll-48152"),                     // no date field
        QStringLiteral("6-3-Report.dll"),                           // nothing after the name
        QStringLiteral("60-3-Report.dll-48152-1417904835.7z"),      // name too short for its lengths
        QStringLiteral("6-3-Report.dll-48152-0.7z"),                // month and day 0
        QStringLiteral("6-3-Report.dll-48152-1417922560.7z"),       // hour 25
        QStringLiteral("6-3-Report.dll-48152-1417871390.7z"),       // second 60
        QStringLiteral("6-3-Report.dll-48152-1419739843.7z"),       // 2022-04-31
        // 260 characters: the position search sees only 260 mod 256 = 4 of them
        QStringLiteral("234-3-") + QString(234, QLatin1Char('x')) + QStringLiteral(".dll-5-1417904835.7z"),
        QString(),
    };
    for (const QString &archive : cases)
        EXPECT_FALSE(DecodeArchiveName(archive).has_value()) << archive.left(60).toStdString();
}

TEST(ArchiveName, EncoderRoundTripsThroughTheDecoder)
{
    EXPECT_EQ(EncodeArchiveName(QStringLiteral("Report"), QStringLiteral("dll"), 48152, 1417904835u),
              QStringLiteral("6-3-Report.dll-48152-1417904835.7z"));
    const QStringList names = {QStringLiteral("a%1b"), QStringLiteral("my-lib.v2"), QStringLiteral("Отчёт"),
                               QString()};
    for (const QString &name : names) {
        const QString archive = EncodeArchiveName(name, QStringLiteral("tar"), 2147483647, 4288659325u);
        const std::optional<TArchiveFile> file = DecodeArchiveName(archive);
        ASSERT_TRUE(file.has_value()) << archive.toStdString();
        EXPECT_EQ(file->Comment, name + QStringLiteral(".tar"));
        EXPECT_EQ(file->Size, 2147483647);
        EXPECT_DOUBLE_EQ(file->DateTime, DateTimeFromFat(4288659325u));
    }
}

TEST(ArchiveName, ListingDecodingClearsWhatItCannotDecode)
{
    QVector<TDataSearch> listing(2);
    listing[0].FileName = QStringLiteral("6-3-Report.dll-48152-1417904835.7z");
    listing[1].FileName = QStringLiteral("readme.txt");
    listing[1].Comment = QStringLiteral("stale");
    listing[1].Size = 7;
    listing[1].DateTime = 3;
    DecodeServerListing(listing);
    EXPECT_EQ(listing[0].Comment, QStringLiteral("Report.dll"));
    EXPECT_EQ(listing[0].Size, 48152);
    EXPECT_EQ(listing[0].FileName, QStringLiteral("6-3-Report.dll-48152-1417904835.7z"));
    EXPECT_TRUE(listing[1].Comment.isEmpty());
    EXPECT_EQ(listing[1].Size, 0);
    EXPECT_EQ(listing[1].DateTime, 0);
}

}  // namespace
