#pragma once
// String functions of the stages: fields and positions in archive names, match-key cleaning,
// repeated replacement, line splitting, and the ASCII-only case folding used for every
// case-blind comparison.
#include <QChar>
#include <QString>
#include <QStringList>
#include <cstdint>

// Field N (counted from 0) of S split at every single Sep; two Sep in a row delimit an empty
// field. Returns the empty text when S has fewer than N + 1 fields.
QString FieldNumFromStr(const QString &S, QChar Sep, uint8_t N);

// 1-based position in S where the K-th occurrence of Ch is reached, examining only the first
// Length(S) mod 256 characters (E). Returns 0 when that position is E or when E is 0, and E + 1
// when fewer than K occurrences are there.
int32_t CharPosNumFromStr(const QString &S, QChar Ch, int32_t K);

// S with only its letters (Unicode Lu, Ll, Lt, Lm, Lo), decimal digits (Nd) and spaces (U+0020)
// kept, in order.
QString AlphaNumFromStr(const QString &S);

// S with every occurrence of OldPattern replaced by NewPattern, repeated while OldPattern still
// occurs (so runs collapse). Returns S unchanged when S or OldPattern is empty. A NewPattern
// that holds OldPattern would never settle: it is replaced in one pass only.
QString ReplaceStrRepeat(const QString &S, const QString &OldPattern, const QString &NewPattern);

// Count characters of S from the 1-based position Index; a start before the first character
// counts as the first, and a count past the end, or of 0 or less, gives what is there or nothing.
QString CopyStr(const QString &S, int32_t Index, int32_t Count);

// S with the ASCII letters A-Z mapped to a-z; every other character unchanged.
QString AsciiLower(const QString &S);

// The text without leading and trailing characters whose code is U+0020 or below.
QString TrimControl(const QString &S);

// True when A and B are equal once their ASCII letters are folded to lower case.
bool AsciiSameText(const QString &A, const QString &B);

// The lines of a text split at CR LF, LF or CR, empty lines included; a line break at the
// very end adds no empty line, and an empty text gives no line.
QStringList SplitTextLines(const QString &text);
