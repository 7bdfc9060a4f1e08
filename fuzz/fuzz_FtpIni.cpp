// The ftp.ini reader on any bytes: it gives two non-empty folders or raises its error.
#include "base/RaisedError.h"
#include "stages/FtpIni.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    try {
        const FtpIniFolders folders = ParseFtpIni(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
        if (folders.netdir.isEmpty() || folders.netDbdir.isEmpty())
            __builtin_trap();
    } catch (const RaisedError &) {
    }
    return 0;
}
