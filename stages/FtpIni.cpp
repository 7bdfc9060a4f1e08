#include "stages/FtpIni.h"

#include "base/RaisedError.h"
#include "base/LibStr.h"

#include <QFile>
#include <QFileInfo>

const QString kFtpIniNoProgramFolder =
    QStringLiteral("…В файле ftp.ini не указана папка программы на сервере (строка 1)…");
const QString kFtpIniNoScriptFolder =
    QStringLiteral("…В файле ftp.ini не указана папка скриптов базы данных на сервере (строка 2)…");

FtpIniFolders ParseFtpIni(const QByteArray &bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    FtpIniFolders folders;
    folders.netdir = TrimControl(QString::fromLocal8Bit(lines.value(0)));
    folders.netDbdir = TrimControl(QString::fromLocal8Bit(lines.value(1)));
    // Without its folder a stage would list the server root, or the other stage's folder.
    if (folders.netdir.isEmpty())
        throw RaisedError(kFtpIniNoProgramFolder);
    if (folders.netDbdir.isEmpty())
        throw RaisedError(kFtpIniNoScriptFolder);
    return folders;
}

FtpIniFolders ReadFtpIni(const QString &path)
{
    QFile file(path);
    if (!QFileInfo::exists(path))
        throw RaisedError(QStringLiteral("The specified file was not found"));
    if (!file.open(QIODevice::ReadOnly))
        throw RaisedError(QStringLiteral("File access denied"));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw RaisedError(QStringLiteral("File access denied"));
    return ParseFtpIni(bytes);
}
