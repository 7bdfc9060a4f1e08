#pragma once
// ftp.ini beside the program: line 1 the server program folder, line 2 the server
// database-script folder; further lines are ignored.
#include <QByteArray>
#include <QString>

struct FtpIniFolders {
    QString netdir;
    QString netDbdir;
};

// The texts of the errors an ftp.ini without a folder line raises (keys of the language list).
extern const QString kFtpIniNoProgramFolder;
extern const QString kFtpIniNoScriptFolder;

// Reads the two folders from the bytes of an ftp.ini (the system's 8-bit code page, lines ended
// by LF, a CR before it dropped), each stripped of leading and trailing blanks and control
// characters. Raises RaisedError kFtpIniNoProgramFolder when line 1 is missing or empty, and
// kFtpIniNoScriptFolder when line 2 is.
FtpIniFolders ParseFtpIni(const QByteArray &bytes);

// ParseFtpIni on the file at path. Raises RaisedError "The specified file was not found" when
// the file is missing, "File access denied" when it cannot be read, and the errors of ParseFtpIni.
FtpIniFolders ReadFtpIni(const QString &path);
