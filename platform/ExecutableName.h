#pragma once
// How the system names a program's file.
#include <QString>

// The file name of the program Name: Name itself on POSIX systems, Name + ".exe" on Windows.
QString ExecutableFileName(const QString &Name);
