#include "net/ScanDir.h"

#include "net/EventPump.h"
#include "base/FatDateTime.h"
#include "base/FileMask.h"
#include "base/RaisedError.h"
#include "net/ResultCodes.h"

#include <QDirIterator>
#include <QFileInfo>

namespace {

const QString kDevelopmentFolder = QStringLiteral("/opt/ORN/");

// The part of name from its last dot on, or empty when it has no dot.
QString ExtensionWithDot(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

QString ListLine(const QStringList &list, int n)
{
    if (n < 0 || n >= list.size())
        throw RaisedError(QStringLiteral("List index out of bounds (%1)").arg(n));
    return list.at(n);
}

}  // namespace

TScanDir::TScanDir(QObject *owner)
    : QObject(owner), FSearchPath(kDevelopmentFolder), FSearchMask(QStringLiteral("*.*"))
{
}

int TScanDir::BeginScan()
{
    ResetResults();
    FindFiles(FSearchPath);
    return 0;
}

int TScanDir::BeginScanFTP(HINTERNET, HINTERNET hFTP, HINTERNET)
{
    ResetResults();
    if (!hFTP)
        return ResultCode::NoHandle;
    return FindFilesFTP(FSearchPath, hFTP);
}

int TScanDir::FindFilesFTP(const QString &SearchPath, HINTERNET hFTP)
{
    FFailedFolder.clear();
    return ScanServerFolder(SearchPath, hFTP, 0);
}

int TScanDir::ScanServerFolder(const QString &path, HINTERNET hFTP, int depth)
{
    // Every failure below the start folder fails the whole scan: a tree listed in part would
    // look to the stages like files removed from the server.
    const auto fail = [&](int result) {
        FFailedFolder = path;
        return result;
    };
    if (depth > kServerScanMaxDepth)
        return fail(ResultCode::ListingFailed);
    if (!FtpSetCurrentDirectoryW(hFTP, path))
        return fail(depth == 0 ? ResultCode::FolderNotEntered : ResultCode::ListingFailed);
    WIN32_FIND_DATAW found;
    HINTERNET hFind = FtpFindFirstFileW(hFTP, QStringLiteral("*.*"), &found, 0, 0);
    if (!hFind) {
        if (depth > 0 && GetLastError() == ERROR_NO_MORE_FILES)
            return ResultCode::FolderListed;
        return fail(ResultCode::ListingFailed);
    }
    // Sub-folders are visited after the listing is closed: one listing at a time.
    QStringList subFolders;
    do {
        const QString &name = found.cFileName;
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        if (found.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) {
            subFolders.append(path + name + u'/');
        } else if (FileMaskMatches(name, FSearchMask)) {
            TDataSearch entry;
            entry.FileName = name;
            entry.FileExt = ExtensionWithDot(name);
            entry.Path = path;
            AppendEntry(entry);
        }
    } while (InternetFindNextFileW(hFind, &found));
    InternetCloseHandle(hFind);
    ProcessMessages();
    CheckStop();
    for (const QString &subFolder : std::as_const(subFolders)) {
        const int result = ScanServerFolder(subFolder, hFTP, depth + 1);
        if (result <= 0)
            return result;
    }
    return ResultCode::FolderListed;
}

void TScanDir::FindFiles(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString p = path.endsWith(u'/') ? path : path + u'/';
    QDirIterator files(p, QDir::Files | QDir::Hidden | QDir::System);
    while (files.hasNext()) {
        files.next();
        const QFileInfo info = files.fileInfo();
        const QString name = info.fileName();
        if (!FileMaskMatches(name, FSearchMask))
            continue;
        TDataSearch entry;
        entry.FileName = name;
        entry.FileExt = ExtensionWithDot(name).mid(1);
        entry.Path = p;
        entry.Size = int32_t(uint32_t(uint64_t(info.size())));  // 0 when it cannot be read
        entry.DateTime = DateTimeFromFat(FatFromLocalDateTime(info.lastModified()));
        AppendEntry(entry);
    }
    ProcessMessages();
    CheckStop();
    if (!FSearchInSubDir)
        return;
    // Hidden folders and links to folders are not entered (a link could lead back up the tree).
    QDirIterator folders(p, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    while (folders.hasNext()) {
        folders.next();
        FindFiles(p + folders.fileName());
    }
}

void TScanDir::ResetResults()
{
    CountFiles = 0;
    MyDataSearch.clear();
    FResultPath.clear();
    FResultFile.clear();
}

void TScanDir::AdoptListing(const QVector<TDataSearch> &entries)
{
    ResetResults();
    for (const TDataSearch &entry : entries)
        AppendEntry(entry);
}

void TScanDir::AppendEntry(const TDataSearch &entry)
{
    ++CountFiles;
    MyDataSearch.append(entry);
    FResultPath.append(entry.Path);
    FResultFile.append(entry.FileName);
}

QString TScanDir::PathNumFromResultFile(int n) const
{
    return ListLine(FResultPath, n);
}

QString TScanDir::FileNumFromResultFile(int n) const
{
    return ListLine(FResultFile, n);
}

void TScanDir::SortArray(int NumColumnsArrayForSort)
{
    if (CountFiles < 2 || NumColumnsArrayForSort < 0 || NumColumnsArrayForSort > 2)
        return;
    QuickSort(0, CountFiles - 1, NumColumnsArrayForSort);
}

void TScanDir::QuickSort(int L, int R, int column)
{
    // Column 0: FileName ascending; columns 1 and 2: FileExt descending.
    const auto key = [&](int index) -> const QString & {
        return column == 0 ? MyDataSearch.at(index).FileName : MyDataSearch.at(index).FileExt;
    };
    const auto before = [&](const QString &a, const QString &b) {
        const int order = QString::localeAwareCompare(a, b);
        return column == 0 ? order < 0 : order > 0;
    };
    int i = L;
    int j = R;
    const QString pivot = key((L + R) / 2);
    do {
        while (before(key(i), pivot))
            ++i;
        while (before(pivot, key(j)))
            --j;
        if (i <= j) {
            Exchange(i, j);
            ++i;
            --j;
        }
    } while (i <= j);
    if (L < j)
        QuickSort(L, j, column);
    if (i < R)
        QuickSort(i, R, column);
}

void TScanDir::Exchange(int i, int j)
{
    MyDataSearch.swapItemsAt(i, j);
    FResultPath.swapItemsAt(i, j);
    FResultFile.swapItemsAt(i, j);
}
