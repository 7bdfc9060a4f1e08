#include "bench/ServerFile.h"

#include <QDir>
#include <QFileInfo>

TServerFile ServerFileOf(const QString &ServerRoot, const QString &RelativePath)
{
    const QFileInfo info(QDir(ServerRoot).filePath(RelativePath));
    const QString folder = QFileInfo(RelativePath).path();
    TServerFile file;
    file.Folder = folder == QLatin1String(".") ? QStringLiteral("/") : QLatin1Char('/') + folder + QLatin1Char('/');
    file.Name = info.fileName();
    file.Bytes = info.isFile() ? info.size() : -1;
    return file;
}
