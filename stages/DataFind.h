#pragma once
// One entry of the work list built by change detection and read by download and install.
#include <QString>
#include <QVector>
#include <cstdint>

struct TDataFind {
    int32_t IdFTP = 0;         // index into the server listing
    int32_t IdDir = 0;         // index into the local listing; -1 for a new file
    QString PathFTP;           // server folder relative to netdir, "/"-separated, no outer separators
    QString PathDir;           // local folder relative to softdir, without trailing separator
    int32_t inst = 0;
    bool DownOk = false;
    double DateTimeFtp = 0;
    double DateTimeDir = 0;
};

using TDataFindList = QVector<TDataFind>;
