// Reading server listings: MLSD/MLST fact lines, Unix and MS-DOS LIST lines, and the names
// that never make an entry.
#include "net/FtpListing.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
    const char *line;
    bool parsed;
    const char *name;
    bool folder;
    uint64_t size;
};

void PrintTo(const LineCase &c, std::ostream *os) { *os << '"' << c.line << '"'; }

class MlsdLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(MlsdLine, ReadsFactsAndName)
{
    const LineCase &c = GetParam();
    WIN32_FIND_DATAW entry;
    ASSERT_EQ(ParseMlsxLine(c.line, &entry), c.parsed);
    if (!c.parsed)
        return;
    EXPECT_EQ(entry.cFileName, QString::fromUtf8(c.name));
    EXPECT_EQ(entry.dwFileAttributes, c.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(entry.nFileSize, c.size);
}

INSTANTIATE_TEST_SUITE_P(Lines, MlsdLine, ::testing::Values(
    LineCase{"type=file;size=1234;modify=20240101120000; report.dll", true, "report.dll", false, 1234},
    LineCase{"Type=DIR;Modify=20240101120000; bin", true, "bin", true, 0},
    LineCase{"modify=20240101120000;perm=el;type=dir; name with  spaces ", true, "name with  spaces ", true, 0},
    LineCase{"type=file;size=5; a;b=c.txt", true, "a;b=c.txt", false, 5},
    LineCase{"type=OS.unix=slink:/x;size=3; link", true, "link", false, 3},
    LineCase{"type=file;size=9; \xd0\xa4\xd0\xb0\xd0\xb9\xd0\xbb.txt", true, "Файл.txt", false, 9},
    LineCase{"type=cdir; .", false, "", false, 0},
    LineCase{"type=pdir; ..", false, "", false, 0},
    LineCase{"type=dir; ..", false, "", false, 0},
    LineCase{"type=file; .", false, "", false, 0},
    LineCase{"type=file;size=1; a/b", false, "", false, 0},
    LineCase{"type=file;size=1; a\\b", false, "", false, 0},
    LineCase{"type=file;size=1; tab\there", false, "", false, 0},
    LineCase{"type=file;size=1; del\x7f", false, "", false, 0},
    LineCase{"type=file;size=1; ", false, "", false, 0},
    LineCase{"no facts here", false, "", false, 0},
    LineCase{"", false, "", false, 0}));

class ListLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(ListLine, ReadsUnixAndDosStyles)
{
    const LineCase &c = GetParam();
    WIN32_FIND_DATAW entry;
    ASSERT_EQ(ParseListLine(c.line, &entry), c.parsed);
    if (!c.parsed)
        return;
    EXPECT_EQ(entry.cFileName, QString::fromUtf8(c.name));
    EXPECT_EQ(entry.dwFileAttributes, c.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(entry.nFileSize, c.size);
}

INSTANTIATE_TEST_SUITE_P(Lines, ListLine, ::testing::Values(
    LineCase{"-rw-r--r--   1 ftp      ftp          1234 Jan 05 12:30 report.dll", true, "report.dll", false, 1234},
    LineCase{"drwxr-xr-x   2 ftp      ftp          4096 Dec 31  2023 bin", true, "bin", true, 0},
    LineCase{"-rw-r--r--   1 1000     1000           10 Feb  3 09:01 two  spaces.txt", true, "two  spaces.txt", false, 10},
    LineCase{"-rw-r--r--   1 owner          77 Mar  3  2020 no group", true, "no group", false, 77},
    LineCase{"-rw-r--r--+  1 a b 5 Apr 10 10:10 acl.txt", true, "acl.txt", false, 5},
    LineCase{"lrwxrwxrwx   1 ftp ftp 7 Jan 01 00:00 current -> release", true, "current", false, 7},
    LineCase{"drwxr-xr-x   2 ftp ftp 4096 Jan 01 00:00 .", false, "", false, 0},
    LineCase{"drwxr-xr-x   2 ftp ftp 4096 Jan 01 00:00 ..", false, "", false, 0},
    LineCase{"-rw-r--r--   1 ftp ftp 1 Jan 01 00:00 back\\slash", false, "", false, 0},
    LineCase{"01-15-24  02:30PM       <DIR>          Program Files", true, "Program Files", true, 0},
    LineCase{"01-15-24  02:30PM                 1234 setup.exe", true, "setup.exe", false, 1234},
    LineCase{"12-31-2023  23:59                    0 empty.txt", true, "empty.txt", false, 0},
    LineCase{"01-15-24  02:30PM       <DIR>          ..", false, "", false, 0},
    LineCase{"total 48", false, "", false, 0},
    LineCase{"", false, "", false, 0},
    LineCase{"garbage line without form", false, "", false, 0}));

QStringList Names(const QVector<WIN32_FIND_DATAW> &entries)
{
    QStringList names;
    for (const WIN32_FIND_DATAW &entry : entries)
        names << entry.cFileName + (entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY ? "/" : "");
    return names;
}

TEST(FtpListing, AWholeReplyKeepsOrderAndLeavesOutWhatItCannotUse)
{
    struct Case {
        const char *what;
        bool mlsx;
        QByteArray reply;
        QStringList names;
    };
    const Case cases[] = {
        {"Unix LIST", false,
         "total 8\r\ndrwxr-xr-x 2 ftp ftp 4096 Jan 01 00:00 .\r\n-rw-r--r-- 1 ftp ftp 3 Jan 01 00:00 b.txt\r\n"
         "drwxr-xr-x 2 ftp ftp 4096 Jan 01 00:00 a\r\n",
         {"b.txt", "a/"}},
        {"MLSD", true, "type=cdir; /x\ntype=file;size=2; z\ntype=dir; y\n", {"z", "y/"}},
        {"names refused, neighbours kept", true, "type=file; a.txt\ntype=file; back\\slash\ntype=file; z\n",
         {"a.txt", "z"}},
        // libcurl turns each line end into LF: a name with a line break comes in two pieces.
        {"MLSD name cut by a line break", true, "type=file;size=1; new\nline.txt\ntype=file;size=2; ok\n", {"ok"}},
        {"MLSD name ending in a line break", true, "type=file; trailing\n\ntype=file; ok\n", {"ok"}},
        {"LIST name cut by a line break", false,
         "-rw-r--r-- 1 ftp ftp 1 Jan 01 00:00 new\nline.txt\n-rw-r--r-- 1 ftp ftp 1 Jan 01 00:00 ok\n", {"ok"}},
        // Servers write blank lines between groups of a LIST reply and at its end.
        {"LIST with blank lines", false,
         "-rw-r--r-- 1 ftp ftp 1 Jan 01 00:00 a.txt\r\n\r\n-rw-r--r-- 1 ftp ftp 1 Jan 01 00:00 b.txt\r\n \r\n",
         {"a.txt", "b.txt"}},
        {"MS-DOS LIST with a blank line", false,
         "12-09-26  11:52PM       <DIR>          bin\r\n\r\n12-09-26  11:52PM  176 c.7z\r\n", {"bin/", "c.7z"}},
        {"empty", true, "", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Names(ParseListing(c.reply, c.mlsx)), c.names) << c.what;
}

TEST(FtpListing, MlstReplyGivesTheFactsOfTheAskedName)
{
    WIN32_FIND_DATAW entry;
    const QList<QByteArray> found{"250 \"/sub\" is the current directory.", "250-Listing \"/sub/a.txt\":",
                                  " modify=20261209235132;size=6;type=file; /sub/a.txt", "250 End MLST."};
    ASSERT_TRUE(ParseMlstReply(found, "a.txt", &entry));
    EXPECT_EQ(entry.cFileName, "a.txt");
    EXPECT_EQ(entry.nFileSize, 6u);
    EXPECT_EQ(entry.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);

    const QList<QByteArray> refused{"211-Features:", " MLST type*;size*;", " SIZE", "211 End",
                                    "550 No such file or directory."};
    EXPECT_FALSE(ParseMlstReply(refused, "a.txt", &entry));
    EXPECT_FALSE(ParseMlstReply(found, "..", &entry));
}

}  // namespace
