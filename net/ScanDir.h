#pragma once
// TScanDir: lists every file of a folder tree, local or on the FTP server, into MyDataSearch
// and the two parallel lists ResultPath and ResultFile (index i of each is the same file).
// Local folders are written with "/" and each local Path ends in "/"; server paths use "/".
#include "net/DataSearch.h"
#include "net/WinInet.h"

#include <QObject>
#include <QStringList>
#include <QVector>

// How many folder levels below its start folder a server scan descends at most.
constexpr int kServerScanMaxDepth = 64;

class TScanDir : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString SearchPath READ SearchPath WRITE setSearchPath)
    Q_PROPERTY(QString SearchMask READ SearchMask WRITE setSearchMask)
    Q_PROPERTY(QStringList ResultPath READ ResultPath WRITE setResultPath)
    Q_PROPERTY(QStringList ResultFile READ ResultFile WRITE setResultFile)
    Q_PROPERTY(bool SearchInSubDir READ SearchInSubDir WRITE setSearchInSubDir)

public:
    // A scanner owned by owner, with the development folder as SearchPath, mask "*.*", no
    // descent into sub-folders and no results.
    explicit TScanDir(QObject *owner = nullptr);

    QString SearchPath() const { return FSearchPath; }
    void setSearchPath(const QString &value) { FSearchPath = value; }
    QString SearchMask() const { return FSearchMask; }
    void setSearchMask(const QString &value) { FSearchMask = value; }
    QStringList ResultPath() const { return FResultPath; }
    void setResultPath(const QStringList &value) { FResultPath = value; }
    QStringList ResultFile() const { return FResultFile; }
    void setResultFile(const QStringList &value) { FResultFile = value; }
    bool SearchInSubDir() const { return FSearchInSubDir; }
    void setSearchInSubDir(bool value) { FSearchInSubDir = value; }

    // Replaces the results with the local tree below SearchPath: the files matching SearchMask
    // (hidden ones included), depth first, a folder's files before its sub-folders, which are
    // entered only with SearchInSubDir and never when hidden or symbolic links. A missing
    // folder (or an empty SearchPath) gives no entries. Always returns 0. Throws RunStopped
    // when a stop is requested.
    int BeginScan();

    // Replaces the results with the server tree below SearchPath (FindFilesFTP); only hFTP is
    // used. Returns 0 with no entries when hFTP is null, else the result of FindFilesFTP.
    // Throws RunStopped when a stop is requested.
    int BeginScanFTP(HINTERNET hNet, HINTERNET hFTP, HINTERNET hFile);

    // Replaces the results with entries, as a scan that found them would have left them
    // (a listing taken from elsewhere, such as the folder's manifest).
    void AdoptListing(const QVector<TDataSearch> &entries);

    // Appends the files of one server folder that match SearchMask and, through itself, of all
    // folders below it, down to kServerScanMaxDepth levels below SearchPath. Returns 2 when the
    // whole tree was listed; -1 when SearchPath could not be entered; -2 when its listing failed
    // or was empty, or when any folder below could not be entered or listed or lies deeper than
    // the bound (a folder that contains itself), the scan then ending at once (an empty folder
    // below is no failure). FailedFolder then names the folder. Throws RunStopped when a stop
    // is requested.
    int FindFilesFTP(const QString &SearchPath, HINTERNET hFTP);

    // The server folder that made the last server scan fail; empty after a scan that did not.
    QString FailedFolder() const { return FFailedFolder; }

    // The number of entries of the last scan.
    int FindCount() const { return CountFiles; }

    // Line n (from 0) of ResultPath / ResultFile; throws RaisedError (list index out of
    // bounds) for an n outside the list.
    QString PathNumFromResultFile(int n) const;
    QString FileNumFromResultFile(int n) const;

    // Column 0: sorts the entries by FileName ascending; 1 or 2: by FileExt descending; other
    // values and fewer than 2 entries: nothing. Whole entries move, and ResultPath and
    // ResultFile follow them. Equal keys end up in no defined order.
    void SortArray(int NumColumnsArrayForSort);

    QVector<TDataSearch> MyDataSearch;

private:
    void FindFiles(const QString &path);
    int ScanServerFolder(const QString &path, HINTERNET hFTP, int depth);
    void ResetResults();
    void AppendEntry(const TDataSearch &entry);
    void QuickSort(int L, int R, int column);
    void Exchange(int i, int j);

    bool FSearchInSubDir = false;
    QString FSearchPath;
    QString FSearchMask;
    QStringList FResultPath;
    QStringList FResultFile;
    QString FFailedFolder;
    int32_t CountFiles = 0;
};
