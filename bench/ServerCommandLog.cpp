#include "bench/ServerCommandLog.h"

#include <QFile>

TServerCommands CountServerCommands(const QString &LogFile, qint64 Offset)
{
    TServerCommands counts;
    QFile log(LogFile);
    if (!log.open(QIODevice::ReadOnly) || !log.seek(Offset))
        return counts;
    for (const QByteArray &line : log.readAll().split('\n')) {
        const qsizetype sent = line.indexOf(" bytes=");
        if (line.contains(" completed=") && sent >= 0)
            counts.BytesSent += line.mid(sent + 7).split(' ').first().toLongLong();
        const qsizetype at = line.indexOf(" <- ");
        if (at < 0)
            continue;
        ++counts.Commands;
        const QByteArray command = line.mid(at + 4).split(' ').first().trimmed().toUpper();
        if (command == "PASV" || command == "EPSV" || command == "PORT" || command == "EPRT")
            ++counts.DataConnections;
        else if (command == "RETR")
            ++counts.Retrievals, counts.PackRanges += line.trimmed().endsWith(" ornupdate.pack") ? 1 : 0;
        else if (command == "MLST" || command == "SIZE")
            ++counts.Lookups;
        else if (command == "LIST" || command == "NLST" || command == "MLSD")
            ++counts.Listings;
    }
    return counts;
}
