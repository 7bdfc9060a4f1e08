#include "install/ArchiveListing.h"

#include <QList>

namespace {

const QByteArray kEntriesStart("----------");
const QString kPlus = QStringLiteral("+");

// Adds the property line Line ("Key = Value") to Block. False when it is no such line or when
// Block holds the key already (a name with a line break in it could otherwise fake one).
bool AddProperty(TArchiveEntry &Block, const QString &Line)
{
    const int separator = Line.indexOf(QStringLiteral(" = "));
    const QString key = separator > 0 ? Line.left(separator) : Line.endsWith(QStringLiteral(" =")) ? Line.chopped(2) : QString();
    if (key.isEmpty() || Block.contains(key))
        return false;
    Block.insert(key, separator > 0 ? Line.mid(separator + 3) : QString());
    return true;
}

// True when the entry's "Attributes" (Windows letters, then a space and the Unix mode when
// stored) name a folder or anything but a regular file.
bool AttributesNotRegular(const QString &Attributes)
{
    const QString letters = Attributes.section(QLatin1Char(' '), 0, 0);
    const QString mode = Attributes.section(QLatin1Char(' '), 1, 1);
    return letters.contains(QLatin1Char('D')) || (!mode.isEmpty() && !mode.startsWith(QLatin1Char('-')));
}

bool IsRegularEntry(const TArchiveEntry &Entry)
{
    for (const char *flag : {"Folder", "Anti", "Encrypted"})
        if (Entry.value(QLatin1String(flag)) == kPlus)
            return false;
    for (const char *link : {"Symbolic Link", "Hard Link", "Link"})
        if (!Entry.value(QLatin1String(link)).isEmpty())
            return false;
    return !AttributesNotRegular(Entry.value(QStringLiteral("Attributes")));
}

}  // namespace

TArchiveListing ParseArchiveListing(const QByteArray &Output)
{
    TArchiveListing listing;
    QList<QByteArray> lines = Output.split('\n');
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    const qsizetype start = lines.indexOf(kEntriesStart);
    if (start < 0)
        return listing;
    for (qsizetype i = 0; i < start; ++i)
        if (lines[i].startsWith("Type = "))
            listing.Type = QString::fromUtf8(lines[i].mid(7));

    TArchiveEntry block;
    for (qsizetype i = start + 1; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]);
        if (line.isEmpty()) {
            if (!block.isEmpty())
                listing.Entries.append(block);
            block.clear();
        } else if (!AddProperty(block, line)) {
            listing.Entries.clear();
            return listing;
        }
    }
    if (!block.isEmpty())
        listing.Entries.append(block);
    listing.WellFormed = true;
    return listing;
}

TArchiveRefusal CheckSingleFile(const TArchiveListing &Listing, const QString &FileName, int64_t Size)
{
    if (!Listing.WellFormed || Listing.Type != QStringLiteral("7z"))
        return TArchiveRefusal::NotSevenZip;
    if (Listing.Entries.size() != 1)
        return TArchiveRefusal::NotOneEntry;
    const TArchiveEntry &entry = Listing.Entries.first();
    if (!IsRegularEntry(entry))
        return TArchiveRefusal::NotRegular;
    if (entry.value(QStringLiteral("Path")) != FileName)
        return TArchiveRefusal::OtherName;
    bool number = false;
    const qint64 listedSize = entry.value(QStringLiteral("Size")).toLongLong(&number);
    if (!number || listedSize != Size)
        return TArchiveRefusal::OtherSize;
    return TArchiveRefusal::None;
}
