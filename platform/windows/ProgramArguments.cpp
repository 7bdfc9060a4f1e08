#include "platform/ProgramArguments.h"

#include <windows.h>
#include <shellapi.h>

QStringList ProgramArguments(int, char **)
{
    // argv holds the arguments in the ANSI code page, which cannot carry every name.
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    QStringList arguments;
    for (int i = 1; wide && i < count; ++i)
        arguments << QString::fromWCharArray(wide[i]);
    LocalFree(wide);
    return arguments;
}
