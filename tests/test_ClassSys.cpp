// The user name's length limit and the trimming of system error texts, the same on every system.
#include "app/ClassSys.h"

#include <QString>
#include <gtest/gtest.h>

TEST(ClassSysUser, NameLengthLimit)
{
    const struct {
        QString name;
        QString expected;
    } cases[] = {
        {QString(), QStringLiteral("Unknown")},
        {QStringLiteral("ornuser"), QStringLiteral("ornuser")},
        {QString(254, QLatin1Char('a')), QString(254, QLatin1Char('a'))},
        {QString(255, QLatin1Char('a')), QStringLiteral("Unknown")},
    };
    for (const auto &row : cases)
        EXPECT_EQ(UserNameOrUnknown(row.name), row.expected) << "length " << row.name.size();
}

TEST(ClassSysErrors, TrimmedTextsLoseTrailingMarks)
{
    const struct {
        QString text;
        QString expected;
    } cases[] = {
        {QStringLiteral("Access is denied.\r\n"), QStringLiteral("Access is denied")},
        {QStringLiteral("Done . .\t \x7f"), QStringLiteral("Done")},
        {QStringLiteral("v1.2 ready"), QStringLiteral("v1.2 ready")},
        {QStringLiteral(" ...\n"), QString()},
    };
    for (const auto &row : cases)
        EXPECT_EQ(TrimErrorText(row.text), row.expected) << row.text.toStdString();
}
