#include "support/LangText.h"

#include <QStringDecoder>

QStringList SplitTextLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

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
