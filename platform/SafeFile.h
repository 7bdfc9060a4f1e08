#pragma once
// Writing inside the installation folder without being led out of it. Every file the updater
// creates, appends to, replaces or re-permissions there goes through these calls: a name is
// opened without following a link, and only a regular file with a single name is written. A
// link, a hard link, a FIFO or a device planted under the name is never written through.
#include <QFile>
#include <QString>

// What a name in a folder is, the name itself (a link is not followed).
enum class EntryKind {
    Missing,      // nothing by that name (or it cannot be examined)
    RegularFile,  // a regular file with one name
    Folder,
    Link,         // a symbolic link (a junction or other reparse point on Windows)
    Other,        // a FIFO, a device, a socket, or a regular file with more than one name
};

// What Path is, without following a link.
EntryKind EntryKindOf(const QString &Path);

// File is opened on the system's handle, so its fileName() stays empty: callers keep the path.

// Opens Path into File (closed before) for reading and appending, creating an empty regular
// file when Path is missing. Anything else in the way that is no folder (a link, a hard link,
// a FIFO, a device) is removed first, and a new file takes its place. Returns the empty text on
// success, else why, naming Path (a folder in the way is refused).
QString OpenForAppend(QFile &File, const QString &Path);

// Creates Path as a new regular file (failing when any entry has that name) and opens it into
// File for writing. Returns the empty text on success, else why, naming Path.
QString CreateNewFile(QFile &File, const QString &Path);

// Writes what File holds through to the disk. False when the system refuses.
bool SyncFile(QFile &File);

// Gives the open File the permissions of the existing file Like, or those of a new file when
// there is none (on a system whose files carry such permissions; elsewhere nothing happens).
// Returns the empty text on success, else the system's text.
QString CopyPermissions(QFile &File, const QString &Like);

struct ReplaceResult {
    QString Error;       // empty on success, else the system's text
    bool InUse = false;  // To is held open by another program and cannot be replaced now
};

// Renames the closed file From over To in one step: To is replaced, or created when missing.
// A link at To is replaced itself, never followed.
ReplaceResult ReplaceFile(const QString &From, const QString &To);

// Writes Bytes as the whole content of Path: into a new hidden file beside it, synced, then
// renamed over Path, so that Path holds the old or the new content at any instant and a link at
// Path is replaced rather than written through. Hidden files that an earlier save of Path left
// behind when it was killed are removed first. Returns the empty text on success, else why.
QString WriteFileReplacing(const QString &Path, const QByteArray &Bytes);

// Removes the hidden files that killed saves of Path left beside it.
void RemoveStaleSaves(const QString &Path);

// The hidden names WriteFileReplacing uses for FileName: ".<FileName>.ornsave-" and six letters.
QString SaveTemporaryPrefix(const QString &FileName);
