#pragma once
// The files in which an installation keeps the updater's own state, at the top of the
// installation folder: ftp.ini (where the server keeps the release and the scripts),
// logdbupdate.txt (the scripts fetched for the main program to run) and ornupdate.sequences
// (the last manifest accepted per server folder). They belong to the installation, never to a
// release: one that carried them would redirect the updater, make the main program run scripts
// again or skip them, or undo the rollback protection.
#include <QString>
#include <QStringList>

// The names, as they stand in the installation folder.
QStringList InstallationStateFileNames();

// True when Name (a file name at the top of the installation folder) is one of them; ASCII
// letters compare case-blind, as on a Windows file system.
bool IsInstallationStateFile(const QString &Name);
