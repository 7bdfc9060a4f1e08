#pragma once
// The command line the program was started with.
#include <QStringList>

// The arguments after the program's name, decoded as the system passes them (on Windows the
// UTF-16 command line, so any name survives; elsewhere argv in the locale's encoding).
QStringList ProgramArguments(int argc, char **argv);
