#include "release/ServerFolderName.h"

#include <QStringList>

QString NormalServerFolder(const QString &Folder)
{
    QString folder = Folder;
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString normal = folder.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    for (const QString &part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        if (part != QLatin1String("."))
            normal += part + QLatin1Char('/');
    return normal;
}
