#pragma once
// ftp.ini beside the program: line 1 the server program folder, line 2 the server
// database-script folder; further lines are ignored.
#include <QString>

struct FtpIniFolders {
    QString netdir;
    QString netDbdir;
};

// Reads the two folders, each stripped of leading and trailing blanks and control characters;
// a missing line gives an empty value. Raises RaisedError "The specified file was not found"
// when the file is missing and "File access denied" when it cannot be opened.
FtpIniFolders ReadFtpIni(const QString &path);
