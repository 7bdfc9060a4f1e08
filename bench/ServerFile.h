#pragma once
// A file of the FTP server's tree as both sides name it: the benchmarks get the server's root
// folder and a path below it, and fetch the file over FTP from the folder of the same name.
#include <QString>

struct TServerFile {
    QString Folder;  // server folder, "/big/"
    QString Name;    // file name, "big512.bin"
    qint64 Bytes = -1;  // its size on disk, -1 when it does not exist
};

// The file RelativePath ("big/big512.bin") below ServerRoot.
TServerFile ServerFileOf(const QString &ServerRoot, const QString &RelativePath);
