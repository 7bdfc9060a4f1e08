#include "platform/Console.h"

#include <csignal>
#include <unistd.h>

namespace {

void (*interruptHandler)() = nullptr;

void CallInterruptHandler(int)
{
    if (interruptHandler)
        interruptHandler();
}

}  // namespace

void AttachToConsole()
{
    // A POSIX program inherits its terminal, pipes and files as they are, and they take UTF-8.
}

bool IsTerminal(std::FILE *Stream) { return isatty(fileno(Stream)) == 1; }

void OnInterrupt(void (*Handler)())
{
    interruptHandler = Handler;
    std::signal(SIGINT, CallInterruptHandler);
    std::signal(SIGTERM, CallInterruptHandler);
}
