#include "base/LibStr.h"

#include <QStringView>

QString FieldNumFromStr(const QString &S, QChar Sep, uint8_t N)
{
    QString field;
    int count = 0;
    for (const QChar c : S) {
        if (c == Sep) {
            ++count;
            if (count > N)
                break;
        } else if (count == N) {
            field.append(c);
        }
    }
    return field;
}

int32_t CharPosNumFromStr(const QString &S, QChar Ch, int32_t K)
{
    // The examined length is held in 8 bits.
    const int32_t examined = int32_t(S.size() % 256);
    if (examined == 0)
        return 0;
    int32_t count = 0;
    for (int32_t position = 1; position <= examined; ++position) {
        if (S.at(position - 1) == Ch)
            ++count;
        if (count == K)
            return position == examined ? 0 : position;
    }
    return examined + 1;
}

QString AlphaNumFromStr(const QString &S)
{
    QString kept;
    kept.reserve(S.size());
    for (qsizetype i = 0; i < S.size(); ++i) {
        const QChar c = S.at(i);
        char32_t codePoint = c.unicode();
        qsizetype units = 1;
        if (c.isHighSurrogate() && i + 1 < S.size() && S.at(i + 1).isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(c, S.at(i + 1));
            units = 2;
        }
        switch (QChar::category(codePoint)) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Letter_Titlecase:
        case QChar::Letter_Modifier:
        case QChar::Letter_Other:
        case QChar::Number_DecimalDigit:
            kept.append(QStringView(S).mid(i, units));
            break;
        default:
            if (codePoint == U' ')
                kept.append(c);
            break;
        }
        i += units - 1;
    }
    return kept;
}

QString ReplaceStrRepeat(const QString &S, const QString &OldPattern, const QString &NewPattern)
{
    QString result = S;
    if (result.isEmpty() || OldPattern.isEmpty())
        return result;
    if (NewPattern.contains(OldPattern))
        return result.replace(OldPattern, NewPattern);
    while (result.contains(OldPattern))
        result.replace(OldPattern, NewPattern);
    return result;
}

QString CopyStr(const QString &S, int32_t Index, int32_t Count)
{
    const qsizetype start = Index < 1 ? 0 : qsizetype(Index) - 1;
    if (Count <= 0 || start >= S.size())
        return QString();
    return S.mid(start, Count);
}

QString AsciiLower(const QString &S)
{
    QString lower = S;
    for (QChar &c : lower) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return lower;
}

bool AsciiSameText(const QString &A, const QString &B)
{
    return A.size() == B.size() && AsciiLower(A) == AsciiLower(B);
}

QString TrimControl(const QString &S)
{
    qsizetype first = 0;
    qsizetype last = S.size();
    while (first < last && S.at(first).unicode() <= 0x20)
        ++first;
    while (last > first && S.at(last - 1).unicode() <= 0x20)
        --last;
    return S.mid(first, last - first);
}

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
