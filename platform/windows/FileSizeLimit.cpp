#include "platform/FileSizeLimit.h"

// Windows has no file-size limit of a process and no signal for it: a file the tool writes is
// checked against its expected size after it ends.
void IgnoreFileSizeSignal() {}

void LimitChildFileSize(QProcess &, int64_t) {}
