#pragma once
// The fallback language list, used when the language file named by the settings does not exist:
// the resource "langfile" of the resource library OrnRes.dll on Windows, elsewhere the data file
// OrnRes.dat, shipped beside the program and in the installed data folder.
#include <QString>
#include <QStringList>

// The resource library that holds the fallback language list.
inline const QString LangResourceLibrary = QStringLiteral("OrnRes.dll");

// File name of the fallback language list where there is no resource library.
inline const QString LangResourceFileName = QStringLiteral("OrnRes.dat");

// The folders searched for the fallback, in order: the program's own folder, then the
// installed data folder of the program.
QStringList DefaultLangResourceFolders();

// Full path of the first folder's OrnRes.dat that is an existing file; empty when none is.
QString FindLangResource(const QStringList &folders);
