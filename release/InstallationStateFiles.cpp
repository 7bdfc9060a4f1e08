#include "release/InstallationStateFiles.h"

#include "base/LibStr.h"

#include <algorithm>

QStringList InstallationStateFileNames()
{
    return {QStringLiteral("ftp.ini"), QStringLiteral("logdbupdate.txt"), QStringLiteral("ornupdate.sequences")};
}

bool IsInstallationStateFile(const QString &Name)
{
    const QStringList names = InstallationStateFileNames();
    return std::any_of(names.cbegin(), names.cend(), [&](const QString &own) { return AsciiSameText(own, Name); });
}
