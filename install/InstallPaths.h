#pragma once
// Paths and the unpacking command of one work-list entry during download and install.
// Local paths use the system's separator ("/", or "\\" on Windows); softdir always ends in it.
#include <QString>
#include <QStringList>

// netdir + "/" + PathFTP + "/", every "\" turned into "/", runs of "/" collapsed to one.
QString ServerFolder(const QString &netdir, const QString &PathFTP);

// softdir + PathFTP: the folder that is created (with its parents) when missing.
QString FolderToCreate(const QString &softdir, const QString &PathFTP);

// softdir + PathDir + separator, with the system's separators, runs of them collapsed: where
// the archive is stored and unpacked.
QString LocalFolder(const QString &softdir, const QString &PathDir);

// softdir with the system's separators, runs of them collapsed: the folder that may hold the
// 7-Zip tool.
QString ToolPath(const QString &softdir);

// The command line as logged: "<tool>7z"   e  -y  -o"<local>"  "<local><archive>".
QString SevenZipCommandLine(const QString &ToolFolder, const QString &Local, const QString &ArchiveName);

// The command line of Program run with Arguments, as logged when several archives were unpacked
// by one run: each part that is empty or holds a space or a quote is set in double quotes.
QString ToolCommandLine(const QString &Program, const QStringList &Arguments);

// The 7-Zip program of an installation.
struct TToolCall {
    QString Program;
    bool FromInstallFolder = false;  // true: <tool folder>7z; false: 7zz or 7z found on PATH (or bare "7z")
};

// The tool: ToolFolder + "7z" when that file exists and is executable, else 7zz or else 7z
// found on PATH, else "7z" (which then fails to start).
TToolCall FindSevenZip(const QString &ToolFolder);
