#pragma once
// Counts of the FTP commands and of the bytes sent in the log of bench/ftplogserver.py.
#include <QString>

struct TServerCommands {
    int Commands = 0;         // every command received, the login included
    int DataConnections = 0;  // PASV, EPSV, PORT, EPRT: each prepares one data connection
    int Retrievals = 0;       // RETR
    int PackRanges = 0;       // RETR of ornupdate.pack: one range of the pack each
    int Lookups = 0;          // MLST and SIZE, answered on the control connection
    int Listings = 0;         // LIST, NLST, MLSD
    qint64 BytesSent = 0;     // file data sent by every transfer, whole or cut short
};

// The commands and transfers logged in LogFile from byte Offset on (the log's size before the measured work).
TServerCommands CountServerCommands(const QString &LogFile, qint64 Offset);
