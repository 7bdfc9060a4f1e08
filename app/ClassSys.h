#pragma once
// Unit ClassSys: the signed-in user's name and full, inherited rights for that user on the
// installation folders, so that the update can write there.
#include "platform/FolderRights.h"

#include <QString>
#include <QStringList>
#include <functional>

// Grants UserName full rights on Folder, inherited by everything created inside it. Does nothing
// when Folder is not an existing folder. A link is never followed (its target may lie outside the
// installation): it is left alone and false is returned; true otherwise. Throws RaisedError with
// SystemErrorText of the code when the grant fails.
bool GrantFolderAccess(const QString &Folder, const QString &UserName);

// The installation folder as found at start (currentdir): the process's current directory with
// the system's separators, as every local path is shown.
QString StartFolder();

// The installation folders to grant, in order, with the system's separators: currentdir,
// currentdir/Images, currentdir/Images/classic_d, currentdir/Video.
QStringList GrantedFolders(const QString &currentdir);

// GrantFolderAccess for each of GrantedFolders(currentdir) in order, for user; the first failure
// throws its RaisedError and the folders after it are left alone. Returns the folders left alone
// because they are links.
QStringList GrantInstallationAccess(const QString &currentdir, const QString &user);

// The log line that tells a granted folder was left alone because it is a link.
QString LinkedFolderLine(const QString &Folder, const std::function<QString(const QString &)> &Translate);
