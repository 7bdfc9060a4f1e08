#pragma once
// Text rules of the language list: trimming, code comparison, line splitting and decoding.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include "base/LibStr.h"  // TrimControl, AsciiLower, SplitTextLines

// The text of a byte stream decoded by its byte-order mark (UTF-8, UTF-16LE, UTF-16BE; the mark
// itself dropped); without a mark, in the local 8-bit code page.
QString DecodeByByteOrderMark(const QByteArray &bytes);

// The lines of the language list held in bytes: UTF-8 (a leading byte-order mark dropped), or,
// with byByteOrderMark, decoded by DecodeByByteOrderMark; split by SplitTextLines.
QStringList LangListLines(const QByteArray &bytes, bool byByteOrderMark);
