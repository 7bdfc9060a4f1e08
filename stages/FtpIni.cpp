#include "stages/FtpIni.h"

#include "net/RaisedError.h"
#include "stages/LibStr.h"

#include <QFile>
#include <QFileInfo>

FtpIniFolders ReadFtpIni(const QString &path)
{
    QFile file(path);
    if (!QFileInfo::exists(path))
        throw RaisedError(QStringLiteral("The specified file was not found"));
    if (!file.open(QIODevice::ReadOnly))
        throw RaisedError(QStringLiteral("File access denied"));
    // The file is in the system's 8-bit code page; a line ends at LF, a CR before it is
    // stripped with the other control characters.
    const QList<QByteArray> lines = file.readAll().split('\n');
    FtpIniFolders folders;
    folders.netdir = TrimControl(QString::fromLocal8Bit(lines.value(0)));
    folders.netDbdir = TrimControl(QString::fromLocal8Bit(lines.value(1)));
    return folders;
}
