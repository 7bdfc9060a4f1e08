#include "base/SafePaths.h"

#include <QStringList>

#include <algorithm>

bool HoldsControlCharacter(const QString &Text)
{
    for (const QChar c : Text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

namespace {

bool IsDotName(const QString &Part)
{
    return Part == QLatin1String(".") || Part == QLatin1String("..");
}

}  // namespace

bool IsSafeFileName(const QString &Name)
{
    return !Name.isEmpty() && !IsDotName(Name) && !Name.contains(QLatin1Char('/'))
           && !Name.contains(QLatin1Char('\\')) && !HoldsControlCharacter(Name);
}

bool IsSafeRelativeFolder(const QString &RelativeFolder)
{
    if (RelativeFolder.contains(QLatin1Char('\\')) || HoldsControlCharacter(RelativeFolder))
        return false;
    const QStringList parts = RelativeFolder.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (IsDotName(part))
            return false;
    }
    return true;
}

bool IsSafeRelativePath(const QString &RelativePath)
{
    const QStringList parts = RelativePath.split(QLatin1Char('/'));
    return std::all_of(parts.cbegin(), parts.cend(), IsSafeFileName);
}
