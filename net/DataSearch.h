#pragma once
// One listed file of a folder tree scan.
#include <QString>
#include <cstdint>

struct TDataSearch {
    QString FileName;   // name as listed
    QString FileExt;    // local: extension without dot; server: with dot; empty if none
    QString Path;       // folder; local scans end it with the separator, server scans with "/"
    int32_t Size = 0;   // local: low 32 bits of the size; server: filled by the decoder
    double DateTime = 0;  // days since 1899-12-30, fraction = time of day
    QString Comment;    // server entries: the decoded installed file name
};
