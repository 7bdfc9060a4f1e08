#pragma once
// The fallback language list: the data file OrnRes.dat, shipped beside the program and in the
// installed data folder, used when the language file named by the settings does not exist.
#include <QString>
#include <QStringList>

// File name of the fallback language list.
inline const QString LangResourceFileName = QStringLiteral("OrnRes.dat");

// The folders searched for the fallback, in order: the program's own folder, then the
// installed data folder of the program.
QStringList DefaultLangResourceFolders();

// Full path of the first folder's OrnRes.dat that is an existing file; empty when none is.
QString FindLangResource(const QStringList &folders);
