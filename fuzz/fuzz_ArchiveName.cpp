// The archive-name decoder on any name a server may list: it decodes or refuses, and what it
// decodes names a file with a name and a size that is not negative.
#include "release/ArchiveName.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString name = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<TArchiveFile> file = DecodeArchiveName(name);
    if (file && (file->Size < 0 || file->Comment.isEmpty()))
        __builtin_trap();
    return 0;
}
