// The patch list reader on any bytes: what it accepts names patches ending in ".ornpatch" beside
// archives at safe paths, each patch once, and reads back the same after it is written again.
#include "release/PatchList.h"
#include "base/SafePaths.h"

#include <QByteArray>
#include <QSet>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TPatchListRead read = ReadPatchList(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!read.List)
        return 0;
    QSet<QString> patches;
    for (const TPatchEntry &entry : read.List->Entries) {
        if (!IsSafeRelativePath(entry.ArchivePath) || !IsSafeRelativePath(entry.Patch.Path)
            || !IsPatchPath(entry.Patch.Path) || patches.contains(entry.Patch.Path))
            __builtin_trap();
        patches.insert(entry.Patch.Path);
    }
    const TPatchListRead again = ReadPatchList(WritePatchList(*read.List));
    if (!again.List || again.List->Entries.size() != read.List->Entries.size()
        || again.List->ManifestSha256 != read.List->ManifestSha256)
        __builtin_trap();
    return 0;
}
