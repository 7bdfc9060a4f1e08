#pragma once
// Counts of the FTP commands in the command log of bench/ftplogserver.py.
#include <QString>

struct TServerCommands {
    int DataConnections = 0;  // PASV, EPSV, PORT, EPRT: each prepares one data connection
    int Retrievals = 0;       // RETR
    int Lookups = 0;          // MLST and SIZE, answered on the control connection
    int Listings = 0;         // LIST, NLST, MLSD
};

// The commands logged in LogFile from byte Offset on (the log's size before the measured work).
TServerCommands CountServerCommands(const QString &LogFile, qint64 Offset);
