#pragma once
// What the stage 2 benchmarks measure against and start from: lftp mirroring the release's
// server tree followed by `7z e` of every archive, and an installation holding older copies.
#include <QString>
#include <QStringList>
#include <functional>

// Copies every file of Release into Install, dated a year before, so that stage 1 finds each
// of them changed on the server. Returns the number of files copied. With Older, only the
// files for which it is true are dated before (and counted); the others keep the release's date.
int InstallOlderCopy(const QString &Release, const QString &Install,
                     const std::function<bool(const QString &relative)> &Older = nullptr);

// The 7-Zip program that the updater prefers too: 7zz (7-Zip itself) when it is on the PATH,
// else p7zip's 7z.
QString SevenZipProgram();

// Runs Program with Arguments, its output discarded. True when it ended with status 0.
bool RunQuietly(const QString &Program, const QStringList &Arguments);

// `lftp -c mirror` (with Parallel transfers at once) of the server folder Netdir of the update
// server into a new folder Mirror (its pack left out; with Include, only the files whose names
// match that regular expression), then `7z e` (SevenZipProgram) of each archive into its own
// folder. Returns the seconds taken, or -1 when a step failed or not ExpectedArchives archives
// were unpacked.
double MirrorAndUnpack(const QString &Netdir, const QString &Mirror, int ExpectedArchives, int Parallel = 1,
                       const QString &Include = QString());
