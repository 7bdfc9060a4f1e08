#pragma once
// What the stage 2 benchmarks measure against and start from: lftp mirroring the release's
// server tree followed by `7z e` of every archive, and an installation holding older copies.
#include <QString>
#include <QStringList>

// Copies every file of Release into Install, dated a year before, so that stage 1 finds each
// of them changed on the server. Returns the number of files copied.
int InstallOlderCopy(const QString &Release, const QString &Install);

// Runs Program with Arguments, its output discarded. True when it ended with status 0.
bool RunQuietly(const QString &Program, const QStringList &Arguments);

// `lftp -c mirror` (with Parallel transfers at once) of the server folder Netdir of the update
// server into a new folder Mirror, then `7z e` of each archive into its own folder. Returns the
// seconds taken, or -1 when a step failed or not ExpectedArchives archives were unpacked.
double MirrorAndUnpack(const QString &Netdir, const QString &Mirror, int ExpectedArchives, int Parallel = 1);
