// The script-list reader on any bytes a logdbupdate.txt may hold: a list read holds no line
// break inside a line.
#include "install/ScriptList.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TScriptList list;
    if (ParseScriptList(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), list)
        == TScriptListLoad::Loaded) {
        for (const QString &line : std::as_const(list.Lines)) {
            if (line.contains(u'\n') || line.contains(u'\r'))
                __builtin_trap();
        }
    }
    return 0;
}
