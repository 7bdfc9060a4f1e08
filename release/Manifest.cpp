#include "release/Manifest.h"

#include "base/SafePaths.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

namespace {

const QString kHeader = QStringLiteral("ornupdate-manifest 1");
const QString kSequence = QStringLiteral("sequence ");
const QString kExpires = QStringLiteral("expires ");
const QString kFolder = QStringLiteral("folder ");
const QString kFile = QStringLiteral("file ");

std::optional<QDateTime> ReadUtcTime(const QString &Text)
{
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$"));
    if (!form.match(Text).hasMatch())
        return std::nullopt;
    const QDateTime time = QDateTime::fromString(Text, Qt::ISODate);
    return time.isValid() ? std::optional<QDateTime>(time.toUTC()) : std::nullopt;
}

// One "file" line after its keyword: size, hash and path; the reason it is wrong otherwise.
std::optional<TManifestEntry> ReadEntry(const QString &Fields, QString *Error)
{
    const qsizetype afterSize = Fields.indexOf(QLatin1Char(' '));
    const qsizetype afterHash = afterSize < 0 ? -1 : Fields.indexOf(QLatin1Char(' '), afterSize + 1);
    if (afterHash < 0) {
        *Error = QStringLiteral("a file line needs a size, a SHA-256 and a path");
        return std::nullopt;
    }
    const std::optional<qint64> size = ReadManifestNumber(Fields.left(afterSize));
    const std::optional<QByteArray> hash = ReadManifestSha256(Fields.mid(afterSize + 1, afterHash - afterSize - 1));
    const QString path = Fields.mid(afterHash + 1);
    if (!size)
        *Error = QStringLiteral("the size is not a number of bytes");
    else if (!hash)
        *Error = QStringLiteral("the SHA-256 is not 64 lower-case hexadecimal digits");
    else if (!IsSafeRelativePath(path))
        *Error = QStringLiteral("unsafe path \"%1\"").arg(path);
    else
        return TManifestEntry{path, *size, *hash};
    return std::nullopt;
}

TManifestRead Refusal(int Line, const QString &Reason)
{
    return {std::nullopt, QStringLiteral("line %1: %2").arg(Line).arg(Reason)};
}

}  // namespace

std::optional<qint64> ReadManifestNumber(const QString &Text)
{
    static const QRegularExpression digits(QStringLiteral("^(0|[1-9][0-9]{0,18})$"));
    bool ok = false;
    const qint64 value = digits.match(Text).hasMatch() ? Text.toLongLong(&ok) : 0;
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

std::optional<QByteArray> ReadManifestSha256(const QString &Text)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    return hex.match(Text).hasMatch() ? std::optional<QByteArray>(QByteArray::fromHex(Text.toLatin1())) : std::nullopt;
}

std::optional<QStringList> ReadManifestLines(const QByteArray &Bytes, const QString &Header, QString *Error)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(Bytes);
    if (decoder.hasError()) {
        *Error = QStringLiteral("not UTF-8 text");
        return std::nullopt;
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.last().isEmpty()) {
        *Error = QStringLiteral("line %1: the last line is not ended by a line feed").arg(lines.size());
        return std::nullopt;
    }
    lines.removeLast();
    if (lines.isEmpty() || lines.first() != Header) {
        *Error = QStringLiteral("line 1: not \"%1\"").arg(Header);
        return std::nullopt;
    }
    return lines;
}

TManifestRead ReadManifest(const QByteArray &Bytes)
{
    QString error;
    const std::optional<QStringList> read = ReadManifestLines(Bytes, kHeader, &error);
    if (!read)
        return {std::nullopt, error};
    const QStringList &lines = *read;

    TManifest manifest;
    bool sequenceSeen = false;
    QSet<QString> paths;
    for (int i = 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const int number = i + 1;
        if (line.startsWith(kFile)) {
            QString error;
            const std::optional<TManifestEntry> entry = ReadEntry(line.mid(kFile.size()), &error);
            if (!entry)
                return Refusal(number, error);
            if (paths.contains(entry->Path))
                return Refusal(number, QStringLiteral("\"%1\" is listed twice").arg(entry->Path));
            paths.insert(entry->Path);
            manifest.Entries.append(*entry);
        } else if (line.startsWith(kSequence)) {
            const std::optional<qint64> sequence = ReadManifestNumber(line.mid(kSequence.size()));
            if (sequenceSeen || !sequence)
                return Refusal(number, sequenceSeen ? QStringLiteral("a second sequence line")
                                                    : QStringLiteral("the sequence is not a number"));
            sequenceSeen = true;
            manifest.Sequence = *sequence;
        } else if (line.startsWith(kFolder)) {
            const QString folder = line.mid(kFolder.size());
            if (manifest.Folder || folder.isEmpty() || HoldsControlCharacter(folder))
                return Refusal(number, manifest.Folder ? QStringLiteral("a second folder line")
                                                       : QStringLiteral("the folder is empty or holds a control character"));
            manifest.Folder = folder;
        } else if (line.startsWith(kExpires)) {
            const std::optional<QDateTime> expires = ReadUtcTime(line.mid(kExpires.size()));
            if (manifest.Expires || !expires)
                return Refusal(number, manifest.Expires ? QStringLiteral("a second expires line")
                                                        : QStringLiteral("the expiry is not YYYY-MM-DDThh:mm:ssZ"));
            manifest.Expires = expires;
        } else {
            return Refusal(number, QStringLiteral("unknown line"));
        }
    }
    if (!sequenceSeen)
        return Refusal(lines.size(), QStringLiteral("no sequence line"));
    return {manifest, QString()};
}

QByteArray WriteManifest(const TManifest &Manifest)
{
    QVector<TManifestEntry> entries = Manifest.Entries;
    std::sort(entries.begin(), entries.end(),
              [](const TManifestEntry &a, const TManifestEntry &b) { return a.Path < b.Path; });
    QString text = kHeader + QLatin1Char('\n');
    if (Manifest.Folder)
        text += kFolder + *Manifest.Folder + QLatin1Char('\n');
    text += kSequence + QString::number(Manifest.Sequence) + QLatin1Char('\n');
    if (Manifest.Expires)
        text += kExpires + Manifest.Expires->toUTC().toString(Qt::ISODate) + QLatin1Char('\n');
    for (const TManifestEntry &entry : entries)
        text += kFile + QString::number(entry.Size) + QLatin1Char(' ') + QString::fromLatin1(entry.Sha256.toHex())
                + QLatin1Char(' ') + entry.Path + QLatin1Char('\n');
    return text.toUtf8();
}
