#pragma once
// The local file of a download in progress. It is written under a hidden name beside the
// target, made of the target's name and the size the server listed, so that a later attempt
// (in this run or the next) finds it and continues it; it replaces the target only when whole.
#include <QFile>
#include <QSet>
#include <QString>
#include <cstdint>

// ".<key>.<size>.ornpart": the name of the partial file of targetName at that size, where the
// key is PartialFileKey(targetName). It never exceeds 255 bytes, the longest file name.
QString PartialFileName(const QString &targetName, uint64_t size);

// The part of a partial file's name that stands for targetName: the name itself when the whole
// partial name fits in 255 bytes (UTF-8), else as much of its start as fits followed by "~" and
// 16 hexadecimal digits of the name's SHA-256.
QString PartialFileKey(const QString &targetName);

// The path of the partial file of target at that size: PartialFileName beside it.
QString PartialFilePath(const QString &target, uint64_t size);

// What a download into target could not open when it gave -4 (local file cannot be created):
// target when it stands as something other than a file that may be written, else a partial
// file of target (at any size) that stands as something other than a file (a folder, say);
// empty when neither is to blame (its folder cannot be written, say).
QString UnopenedDownloadFile(const QString &target);

// The key (PartialFileKey) that a partial file's name carries; empty when fileName is none.
QString PartialFileKeyOfName(const QString &fileName);

// Removes the partial files in folder whose target is not in keptTargets (compared by key).
void RemovePartialFilesExcept(const QString &folder, const QSet<QString> &keptTargets);

class PartialFile {
public:
    // The partial file of target for a server file of size bytes; nothing is touched yet.
    PartialFile(const QString &target, uint64_t size);
    // Keeps the file when Keep was called, no stop is requested and it holds bytes; otherwise
    // removes it (unless committed).
    ~PartialFile();
    PartialFile(const PartialFile &) = delete;
    PartialFile &operator=(const PartialFile &) = delete;

    // Opens the partial file for appending, creating it, and removes the partial files of the
    // target at other sizes. False when it cannot be opened, or when the target is something
    // other than a file that may be written.
    bool Open();

    // The bytes already held.
    uint64_t Size() const { return uint64_t(file_.size()); }

    // Drops what is held, to continue from byte offset; false when that fails.
    bool TruncateTo(uint64_t offset);

    QFileDevice &Device() { return file_; }

    // Marks the file to be kept for a later attempt.
    void Keep() { keep_ = true; }

    // Gives the file the target's permissions (those of a new file when there is no target)
    // and renames it over the target. Throws RaisedError with the system's text on failure.
    // The file is not synced to disk first (as a QSaveFile would be): syncing a file of a
    // gigabyte stalls the run for as long as the disk takes to write it, while an archive lost
    // in a crash only fails to unpack, and the next run fetches it again because the installed
    // file is still the old one.
    void Commit();

private:
    const QString target_;
    const QString path_;  // of the partial file
    QFile file_;
    bool keep_ = false;
    bool committed_ = false;
};
