#include "release/MinisignText.h"

QList<QByteArray> MinisignLines(const QByteArray &Bytes)
{
    QList<QByteArray> lines = Bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

std::optional<QByteArray> DecodeBase64Line(const QByteArray &Line, int Size)
{
    const QByteArray text = Line.trimmed();
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    // Re-encoding rejects missing padding and stray bits that the decoder lets through.
    if (!decoded || decoded.decoded.size() != Size || decoded.decoded.toBase64() != text)
        return std::nullopt;
    return decoded.decoded;
}
