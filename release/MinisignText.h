#pragma once
// The text of minisign's files: comment lines and base64 lines, one item per line.
#include <QByteArray>
#include <QList>
#include <optional>

// The lines of Bytes, split at "\n", each stripped of one trailing "\r"; a final "\n" ends the
// last line rather than starting an empty one.
QList<QByteArray> MinisignLines(const QByteArray &Bytes);

// The Size bytes that Line encodes in standard base64 with padding (blanks around it ignored);
// nullopt when Line is not exactly that encoding.
std::optional<QByteArray> DecodeBase64Line(const QByteArray &Line, int Size);
