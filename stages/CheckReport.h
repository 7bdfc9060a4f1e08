#pragma once
// What an update would fetch, as a check-only run finds it.
#include <QString>
#include <QVector>
#include <cstdint>

struct TPendingFile {
    bool isNew = false;      // no local copy; otherwise the server's copy is of a later day
    QString serverPath;      // the archive on the server, netdir included
    int64_t size = 0;        // the installed file's size, from the archive name
    double serverDate = 0;   // days since 1899-12-30
    double localDate = 0;    // 0 for a new file
};

struct TPendingScript {
    QString serverPath;      // the script on the server, netDbdir included
};

struct TCheckReport {
    QVector<TPendingFile> files;
    QVector<TPendingScript> scripts;
    bool UpToDate() const { return files.isEmpty() && scripts.isEmpty(); }
};
