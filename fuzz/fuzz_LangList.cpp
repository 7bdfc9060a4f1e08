// The language file reader on any bytes an orn.txt or OrnRes.dat may hold, and the lookup of
// marked keys in the list read: the input also serves as the text to translate.
#include "support/ClassLanguage.h"
#include "support/LangText.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TClassLanguage language;
    language.ResourceFolders.clear();
    language.SetLngNameReturn(QStringLiteral("Eng"));
    for (const bool byByteOrderMark : {false, true}) {
        language.sl = LangListLines(bytes, byByteOrderMark);
        const QString text = QString::fromUtf8(bytes);
        language.lStr(text);
        QStringList translations;
        language.lRet(text, translations);
        for (const QString &line : std::as_const(language.sl))
            language.lStr(QChar(0x2026) + line.mid(4) + QChar(0x2026));
    }
    return 0;
}
