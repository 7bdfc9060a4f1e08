#include "platform/FileSizeLimit.h"

#include <csignal>
#include <sys/resource.h>

void IgnoreFileSizeSignal()
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, nullptr);
}

void LimitChildFileSize(QProcess &Tool, int64_t Bytes)
{
    Tool.setChildProcessModifier([Bytes] {
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > static_cast<rlim_t>(Bytes))
            limit.rlim_cur = static_cast<rlim_t>(Bytes);
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
}
