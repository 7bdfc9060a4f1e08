// String functions of the stages: fields, positions, key cleaning, repeated replacement, and
// ASCII-only case folding.
#include "base/LibStr.h"

#include <gtest/gtest.h>

namespace {

struct FieldCase {
    const char *text;
    char sep;
    uint8_t n;
    const char *field;
};

TEST(LibStr, FieldNumFromStr)
{
    const FieldCase cases[] = {
        {"12-3-ab", '-', 0, "12"}, {"12-3-ab", '-', 1, "3"}, {"12-3-ab", '-', 2, "ab"},
        {"12-3-ab", '-', 3, ""},   {"a--b", '-', 1, ""},     {"a--b", '-', 2, "b"},
        {"-a", '-', 0, ""},        {"-a", '-', 1, "a"},      {"", '-', 0, ""},
        {"abc", '-', 0, "abc"},    {"a.b-c", '.', 1, "b-c"},
    };
    for (const FieldCase &c : cases) {
        EXPECT_EQ(FieldNumFromStr(QString::fromUtf8(c.text), QLatin1Char(c.sep), c.n), QString::fromUtf8(c.field))
            << c.text << " field " << int(c.n);
    }
}

struct PositionCase {
    QString text;
    char ch;
    int32_t k;
    int32_t position;
};

TEST(LibStr, CharPosNumFromStr)
{
    const QString longText = QString(300, QLatin1Char('x'));  // examined length 300 mod 256 = 44
    QString dashAt50 = longText;
    dashAt50[49] = QLatin1Char('-');
    QString dashAt10 = longText;
    dashAt10[9] = QLatin1Char('-');
    const PositionCase cases[] = {
        {QStringLiteral("12-3-ab"), '-', 2, 5},
        {QStringLiteral("12-3-ab"), '-', 1, 3},
        {QStringLiteral("ab-"), '-', 1, 0},    // reached at the last examined character
        {QStringLiteral("abc"), '-', 1, 4},    // never reached
        {QStringLiteral("a-b"), '-', 2, 4},
        {QString(), '-', 1, 0},
        {dashAt10, '-', 1, 10},
        {dashAt50, '-', 1, 45},                 // beyond the 44 examined characters
        {QString(256, QLatin1Char('-')), '-', 1, 0},  // examined length 0
    };
    for (const PositionCase &c : cases) {
        EXPECT_EQ(CharPosNumFromStr(c.text, QLatin1Char(c.ch), c.k), c.position)
            << c.text.left(20).toStdString() << " (length " << c.text.size() << ") k=" << c.k;
    }
}

TEST(LibStr, AlphaNumFromStr)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("\\Bin x64\\ü-1."), QStringLiteral("Bin x64ü1")},
        {QStringLiteral("/prog/bin/x64/"), QStringLiteral("progbinx64")},
        {QStringLiteral("Папка_№2/ǅ"), QStringLiteral("Папка2ǅ")},
        {QStringLiteral("٣ tab\there"), QStringLiteral("٣ tabhere")},  // Arabic-Indic digit kept, tab dropped
        {QStringLiteral("a\U0001D400b"), QStringLiteral("a\U0001D400b")},  // a letter outside the BMP
        {QStringLiteral("½²"), QString()},  // numbers that are not decimal digits
        {QString(), QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(AlphaNumFromStr(c.first), c.second) << c.first.toStdString();
}

struct ReplaceCase {
    const char *text;
    const char *oldPattern;
    const char *newPattern;
    const char *result;
};

TEST(LibStr, ReplaceStrRepeat)
{
    const ReplaceCase cases[] = {
        {"C:\\\\\\Prog\\\\bin\\", "\\\\", "\\", "C:\\Prog\\bin\\"},
        {"/prog///bin//", "//", "/", "/prog/bin/"},
        {"a\\b\\c", "\\", "/", "a/b/c"},
        {"aaaa", "aa", "a", "a"},
        {"abc", "", "x", "abc"},
        {"", "a", "b", ""},
        {"Ab", "a", "x", "Ab"},          // case-sensitive
        {"a-b", "-", "--", "a--b"},      // a replacement that holds the pattern: one pass only
    };
    for (const ReplaceCase &c : cases) {
        EXPECT_EQ(ReplaceStrRepeat(QString::fromUtf8(c.text), QString::fromUtf8(c.oldPattern),
                                   QString::fromUtf8(c.newPattern)),
                  QString::fromUtf8(c.result))
            << c.text << " / " << c.oldPattern;
    }
}

TEST(LibStr, CopyStrNeverFails)
{
    const QString s = QStringLiteral("abcdef");
    EXPECT_EQ(CopyStr(s, 2, 3), QStringLiteral("bcd"));
    EXPECT_EQ(CopyStr(s, -5, 2), QStringLiteral("ab"));
    EXPECT_EQ(CopyStr(s, 5, 100), QStringLiteral("ef"));
    EXPECT_EQ(CopyStr(s, 7, 1), QString());
    EXPECT_EQ(CopyStr(s, 2, 0), QString());
    EXPECT_EQ(CopyStr(s, 2, -3), QString());
}

TEST(LibStr, AsciiCaseFoldingLeavesOtherLettersAlone)
{
    EXPECT_EQ(AsciiLower(QStringLiteral("Report.DLL ÄПРИВЕТ")), QStringLiteral("report.dll ÄПРИВЕТ"));
    EXPECT_TRUE(AsciiSameText(QStringLiteral("UPDATE.EXE"), QStringLiteral("Update.exe")));
    EXPECT_FALSE(AsciiSameText(QStringLiteral("Привет.sql"), QStringLiteral("привет.sql")));
    EXPECT_FALSE(AsciiSameText(QStringLiteral("a.sql"), QStringLiteral("a.sq")));
}

}  // namespace
