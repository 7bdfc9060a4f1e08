// The manifest reader on any bytes: what it accepts lists only safe paths, each once, and
// reads back the same after it is written again.
#include "release/Manifest.h"
#include "base/SafePaths.h"

#include <QByteArray>
#include <QSet>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TManifestRead read = ReadManifest(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!read.Manifest)
        return 0;
    QSet<QString> paths;
    for (const TManifestEntry &entry : read.Manifest->Entries) {
        if (!IsSafeRelativePath(entry.Path) || paths.contains(entry.Path))
            __builtin_trap();
        paths.insert(entry.Path);
    }
    const TManifestRead again = ReadManifest(WriteManifest(*read.Manifest));
    if (!again.Manifest || again.Manifest->Entries.size() != read.Manifest->Entries.size()
        || again.Manifest->Sequence != read.Manifest->Sequence)
        __builtin_trap();
    return 0;
}
