#include "net/FileSizeSignal.h"

#include <csignal>

void IgnoreFileSizeSignal()
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, nullptr);
}
