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
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    const qsizetype afterSize = Fields.indexOf(QLatin1Char(' '));
    const qsizetype afterHash = afterSize < 0 ? -1 : Fields.indexOf(QLatin1Char(' '), afterSize + 1);
    if (afterHash < 0) {
        *Error = QStringLiteral("a file line needs a size, a SHA-256 and a path");
        return std::nullopt;
    }
    const std::optional<qint64> size = ReadManifestNumber(Fields.left(afterSize));
    const QString hash = Fields.mid(afterSize + 1, afterHash - afterSize - 1);
    const QString path = Fields.mid(afterHash + 1);
    if (!size)
        *Error = QStringLiteral("the size is not a number of bytes");
    else if (!hex.match(hash).hasMatch())
        *Error = QStringLiteral("the SHA-256 is not 64 lower-case hexadecimal digits");
    else if (!IsSafeRelativePath(path))
        *Error = QStringLiteral("unsafe path \"%1\"").arg(path);
    else
        return TManifestEntry{path, *size, QByteArray::fromHex(hash.toLatin1())};
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

TManifestRead ReadManifest(const QByteArray &Bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(Bytes);
    if (decoder.hasError())
        return {std::nullopt, QStringLiteral("not UTF-8 text")};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    else
        return Refusal(lines.size(), QStringLiteral("the last line is not ended by a line feed"));
    if (lines.isEmpty() || lines.first() != kHeader)
        return Refusal(1, QStringLiteral("not \"%1\"").arg(kHeader));

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
