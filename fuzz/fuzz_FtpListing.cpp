// The listing readers on any reply a server may send: whole MLSD and LIST replies, single
// lines, and MLST replies. No entry may carry a name that is not a plain file name.
#include "net/FtpListing.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace {

void CheckEntry(const WIN32_FIND_DATAW &entry)
{
    if (!IsPlainEntryName(entry.cFileName))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const bool mlsx : {true, false}) {
        for (const WIN32_FIND_DATAW &entry : ParseListing(reply, mlsx))
            CheckEntry(entry);
    }
    WIN32_FIND_DATAW entry;
    if (ParseListLine(reply, &entry))
        CheckEntry(entry);
    if (ParseMlsxLine(reply, &entry))
        CheckEntry(entry);
    if (ParseMlstReply(reply.split('\n'), QStringLiteral("a.txt"), &entry))
        CheckEntry(entry);
    return 0;
}
