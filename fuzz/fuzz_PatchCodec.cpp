// Patches on any bytes, applied to a fixed base with a small cap: the result never grows past
// the cap, whatever the bytes claim.
#include "release/PatchCodec.h"

#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QByteArray base = QByteArray("the installed file, version one\n").repeated(64);
    constexpr qint64 kCap = 4096;
    QBuffer patch;
    patch.setData(reinterpret_cast<const char *>(data), qsizetype(size));
    patch.open(QIODevice::ReadOnly);
    QByteArray result;
    QBuffer output(&result);
    output.open(QIODevice::WriteOnly);
    const TPatchResult applied = ApplyPatch(base, patch, output, kCap);
    if (result.size() > kCap || applied.Written != result.size())
        __builtin_trap();
    return 0;
}
