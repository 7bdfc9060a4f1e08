#include "platform/Console.h"

#include <io.h>
#include <windows.h>

namespace {

void (*interruptHandler)() = nullptr;

BOOL WINAPI CallInterruptHandler(DWORD event)
{
    if (!interruptHandler || (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT))
        return FALSE;
    interruptHandler();
    return TRUE;
}

// True when the standard handle leads somewhere: a console, a pipe or a file.
bool Connected(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void AttachToConsole()
{
    // The program is built for the window subsystem, so a console it is started from is not its
    // own: attach to the parent's console for the streams that lead nowhere. Pipes and files
    // stay as they are.
    const bool out = Connected(STD_OUTPUT_HANDLE), err = Connected(STD_ERROR_HANDLE);
    if ((!out || !err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (!out)
            std::freopen("CONOUT$", "w", stdout);
        if (!err)
            std::freopen("CONOUT$", "w", stderr);
    }
    // The lines are written as UTF-8.
    SetConsoleOutputCP(CP_UTF8);
}

bool IsTerminal(std::FILE *Stream)
{
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(Stream))), &mode) != 0;
}

void OnInterrupt(void (*Handler)())
{
    interruptHandler = Handler;
    SetConsoleCtrlHandler(CallInterruptHandler, TRUE);
}
