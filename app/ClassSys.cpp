#include "app/ClassSys.h"

#include "base/RaisedError.h"
#include "platform/SafeFile.h"

#include <QDir>

bool GrantFolderAccess(const QString &Folder, const QString &UserName)
{
    const EntryKind kind = EntryKindOf(Folder);
    if (kind == EntryKind::Link)
        return false;
    if (kind != EntryKind::Folder)
        return true;
    const uint32_t code = AddAccessEntry(Folder, SE_FILE_OBJECT, UserName, GENERIC_ALL, GRANT_ACCESS,
                                         FOLDER_TREE_INHERIT);
    if (code != 0)
        throw RaisedError(SystemErrorText(code));
    return true;
}

QString StartFolder() { return QDir::toNativeSeparators(QDir::currentPath()); }

QStringList GrantedFolders(const QString &currentdir)
{
    const QDir root(currentdir);
    QStringList folders{currentdir};
    for (const char *below : {"Images", "Images/classic_d", "Video"})
        folders << QDir::toNativeSeparators(root.filePath(QLatin1String(below)));
    return folders;
}

QStringList GrantInstallationAccess(const QString &currentdir, const QString &user)
{
    QStringList links;
    for (const QString &folder : GrantedFolders(currentdir))
        if (!GrantFolderAccess(folder, user))
            links << folder;
    return links;
}

QString LinkedFolderLine(const QString &Folder, const std::function<QString(const QString &)> &Translate)
{
    return Translate(QStringLiteral("…Права на папку не выданы: папка является ссылкой… - ")) + Folder;
}
