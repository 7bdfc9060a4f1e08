#include "install/ScriptList.h"

#include "base/LibStr.h"
#include "platform/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

struct TEncodingMark {
    TTextEncoding Encoding;
    QByteArray Mark;
    QStringConverter::Encoding Converter;
};

const TEncodingMark kMarks[] = {
    {TTextEncoding::Utf8Bom, QByteArray("\xEF\xBB\xBF"), QStringConverter::Utf8},
    {TTextEncoding::Utf16LE, QByteArray("\xFF\xFE"), QStringConverter::Utf16LE},
    {TTextEncoding::Utf16BE, QByteArray("\xFE\xFF"), QStringConverter::Utf16BE},
};

const TEncodingMark *MarkOf(TTextEncoding Encoding)
{
    for (const TEncodingMark &mark : kMarks) {
        if (mark.Encoding == Encoding)
            return &mark;
    }
    return nullptr;
}

}  // namespace

TScriptListLoad LoadScriptList(const QString &Path, TScriptList &List)
{
    List = TScriptList();
    if (!QFileInfo::exists(Path))
        return TScriptListLoad::Missing;
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return TScriptListLoad::Unreadable;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return TScriptListLoad::Unreadable;
    return ParseScriptList(bytes, List);
}

TScriptListLoad ParseScriptList(QByteArray bytes, TScriptList &List)
{
    List = TScriptList();
    TTextEncoding encoding = TTextEncoding::Local8Bit;
    QStringConverter::Encoding converter = QStringConverter::System;
    for (const TEncodingMark &mark : kMarks) {
        if (bytes.startsWith(mark.Mark)) {
            encoding = mark.Encoding;
            converter = mark.Converter;
            bytes.remove(0, mark.Mark.size());
            break;
        }
    }
    QStringDecoder decoder(converter, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    const bool oddUtf16 = encoding != TTextEncoding::Utf8Bom && encoding != TTextEncoding::Local8Bit
                          && bytes.size() % 2 != 0;
    if (decoder.hasError() || oddUtf16)
        return TScriptListLoad::Unreadable;

    // Split by hand: a regular expression refuses text with a lone surrogate and would give it
    // back as one line, line breaks and all.
    List.Lines = SplitTextLines(text);
    List.Encoding = encoding;
    return TScriptListLoad::Loaded;
}

bool SaveScriptList(const QString &Path, const TScriptList &List, QString *ErrorText)
{
    const TEncodingMark *mark = MarkOf(List.Encoding);
    QStringEncoder encoder(mark ? mark->Converter : QStringConverter::System,
                           QStringConverter::Flag::Stateless);
    QByteArray bytes = mark ? mark->Mark : QByteArray();
    for (const QString &line : List.Lines)
        bytes += encoder.encode(line + QStringLiteral("\r\n"));

    const QString error = WriteFileReplacing(Path, bytes);
    if (!error.isEmpty() && ErrorText)
        *ErrorText = error;
    return error.isEmpty();
}
