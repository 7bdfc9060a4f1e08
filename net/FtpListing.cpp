#include "net/FtpListing.h"

#include <QList>
#include <QRegularExpression>

namespace WinInet {

namespace {

// The facts part of an MLSD/MLST line, the name after the first space.
struct MlsxLine {
    QByteArray type;   // lower case
    uint64_t size = 0;
    QByteArray name;
};

bool SplitMlsxLine(QByteArray line, MlsxLine *parsed)
{
    if (line.startsWith(' '))
        line.remove(0, 1);  // MLST replies set the fact line off with a space
    const qsizetype space = line.indexOf(' ');
    if (space <= 0)
        return false;
    bool anyFact = false;
    for (const QByteArray &fact : line.left(space).split(';')) {
        const qsizetype equals = fact.indexOf('=');
        if (equals <= 0)
            continue;
        anyFact = true;
        const QByteArray key = fact.left(equals).toLower();
        const QByteArray value = fact.mid(equals + 1);
        if (key == "type")
            parsed->type = value.toLower();
        else if (key == "size")
            parsed->size = value.toULongLong();
    }
    parsed->name = line.mid(space + 1);
    return anyFact;
}

// What one listing line turned out to be.
enum class LineKind {
    Entry,       // *entry is filled
    Skipped,     // a line of the expected form, but its entry is not wanted
    Unreadable,  // no line of the expected form
};

void FillEntry(bool folder, uint64_t size, const QString &name, WIN32_FIND_DATAW *entry)
{
    entry->dwFileAttributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    entry->nFileSize = folder ? 0 : size;
    entry->cFileName = name;
}

LineKind ReadUnixLine(const QString &line, WIN32_FIND_DATAW *entry)
{
    // type+permissions, links, owner and group (either may be missing), size, month, day,
    // time or year, then the name after exactly one space.
    static const QRegularExpression unixLine(QStringLiteral(
        "^([-a-zA-Z])[-a-zA-Z]{9}[+@.]?\\s+\\d+\\s+(?:\\S+\\s+){0,2}?(\\d+)\\s+[A-Za-z]{3}\\s+"
        "\\d{1,2}\\s+(?:\\d{1,2}:\\d{2}|\\d{4})\\s(.*)$"));
    const QRegularExpressionMatch match = unixLine.match(line);
    if (!match.hasMatch())
        return LineKind::Unreadable;
    const QChar type = match.captured(1).at(0);
    QString name = match.captured(3);
    if (type == u'l') {
        const qsizetype arrow = name.indexOf(QLatin1String(" -> "));
        if (arrow >= 0)
            name.truncate(arrow);
    }
    if (!IsPlainEntryName(name))
        return LineKind::Skipped;
    FillEntry(type == u'd', match.captured(2).toULongLong(), name, entry);
    return LineKind::Entry;
}

LineKind ReadDosLine(const QString &line, WIN32_FIND_DATAW *entry)
{
    // date, time with an optional AM/PM, then "<DIR>" and the name, or the size, one space
    // and the name.
    static const QRegularExpression dosLine(QStringLiteral(
        "^\\d{2}-\\d{2}-(?:\\d{2}|\\d{4})\\s+\\d{1,2}:\\d{2}\\s*(?:[AaPp][Mm])?\\s+"
        "(?:<DIR>\\s+(.*)|(\\d+)\\s(.*))$"));
    const QRegularExpressionMatch match = dosLine.match(line);
    if (!match.hasMatch())
        return LineKind::Unreadable;
    const bool folder = match.capturedLength(1) > 0;
    const QString name = folder ? match.captured(1) : match.captured(3);
    if (!IsPlainEntryName(name))
        return LineKind::Skipped;
    FillEntry(folder, folder ? 0 : match.captured(2).toULongLong(), name, entry);
    return LineKind::Entry;
}

LineKind ReadMlsxLine(const QByteArray &line, WIN32_FIND_DATAW *entry)
{
    MlsxLine parsed;
    if (!SplitMlsxLine(line, &parsed))
        return LineKind::Unreadable;
    const QString name = QString::fromUtf8(parsed.name);
    if (parsed.type == "cdir" || parsed.type == "pdir" || !IsPlainEntryName(name))
        return LineKind::Skipped;
    FillEntry(parsed.type == "dir", parsed.size, name, entry);
    return LineKind::Entry;
}

LineKind ReadListLine(const QByteArray &line, WIN32_FIND_DATAW *entry)
{
    const QString text = QString::fromUtf8(line);
    const LineKind unixStyle = ReadUnixLine(text, entry);
    return unixStyle != LineKind::Unreadable ? unixStyle : ReadDosLine(text, entry);
}

}  // namespace

bool IsPlainEntryName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

bool ParseMlsxLine(const QByteArray &line, WIN32_FIND_DATAW *entry)
{
    return ReadMlsxLine(line, entry) == LineKind::Entry;
}

bool ParseMlstReply(const QList<QByteArray> &replyLines, const QString &name, WIN32_FIND_DATAW *entry)
{
    if (!IsPlainEntryName(name))
        return false;
    bool inReply = false;  // between "250-..." and "250 ..."
    for (QByteArray line : replyLines) {
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith("250-")) {
            inReply = true;
            continue;
        }
        if (!inReply)
            continue;
        MlsxLine parsed;
        if (line.startsWith(' ') && SplitMlsxLine(line, &parsed)) {
            if (parsed.type == "cdir" || parsed.type == "pdir")
                return false;
            FillEntry(parsed.type == "dir", parsed.size, name, entry);
            return true;
        }
        if (line.startsWith("250 "))
            inReply = false;
    }
    return false;
}

bool ParseListLine(const QByteArray &line, WIN32_FIND_DATAW *entry)
{
    return ReadListLine(line, entry) == LineKind::Entry;
}

QVector<WIN32_FIND_DATAW> ParseListing(const QByteArray &reply, bool mlsx)
{
    // libcurl hands listings over with every line end (CRLF, bare CR) turned into LF, so a
    // name holding a line break arrives cut in two: its head looks like an entry, its tail
    // like a line that cannot be read. A line that cannot be read right after an entry
    // therefore takes that entry with it. A blank line of a LIST reply is no such tail: servers
    // write blank lines between groups and at the end. (An MLSD reply holds none of its own.)
    QList<QByteArray> lines = reply.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QVector<WIN32_FIND_DATAW> entries;
    bool afterEntry = false;
    for (QByteArray line : std::as_const(lines)) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!mlsx && line.trimmed().isEmpty()) {
            afterEntry = false;
            continue;
        }
        WIN32_FIND_DATAW entry;
        const LineKind kind = mlsx ? ReadMlsxLine(line, &entry) : ReadListLine(line, &entry);
        if (kind == LineKind::Entry)
            entries.append(entry);
        else if (kind == LineKind::Unreadable && afterEntry)
            entries.removeLast();
        afterEntry = kind == LineKind::Entry;
    }
    return entries;
}

}  // namespace WinInet
