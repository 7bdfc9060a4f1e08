#include "support/LangResource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QStringList DefaultLangResourceFolders()
{
    QStringList folders;
    if (QCoreApplication::instance())
        folders.append(QCoreApplication::applicationDirPath());
#ifdef ORN_DATA_DIR
    folders.append(QStringLiteral(ORN_DATA_DIR));
#endif
    return folders;
}

QString FindLangResource(const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        const QString path = QDir(folder).filePath(LangResourceFileName);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}
