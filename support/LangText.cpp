#include "support/LangText.h"

#include <QStringDecoder>

QString DecodeByByteOrderMark(const QByteArray &bytes)
{
    const auto decode = [&bytes](QStringConverter::Encoding encoding, qsizetype markSize) {
        QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
        return QString(decoder.decode(QByteArrayView(bytes).sliced(markSize)));
    };
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decode(QStringConverter::Utf8, 3);
    if (bytes.startsWith("\xFF\xFE"))
        return decode(QStringConverter::Utf16LE, 2);
    if (bytes.startsWith("\xFE\xFF"))
        return decode(QStringConverter::Utf16BE, 2);
    return QString::fromLocal8Bit(bytes);
}

QStringList LangListLines(const QByteArray &bytes, bool byByteOrderMark)
{
    if (byByteOrderMark)
        return SplitTextLines(DecodeByByteOrderMark(bytes));
    QStringDecoder utf8(QStringConverter::Utf8);  // strips a leading byte-order mark
    return SplitTextLines(utf8.decode(bytes));
}
