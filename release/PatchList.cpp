#include "release/PatchList.h"

#include "base/SafePaths.h"

#include <QSet>

namespace {

const QString kHeader = QStringLiteral("ornupdate-patches 1");
const QString kFolder = QStringLiteral("folder ");
const QString kManifest = QStringLiteral("manifest ");
const QString kPatch = QStringLiteral("patch ");
constexpr int kPatchFields = 7;  // the fields before the archive path, which runs to the end

QString Hex(const QByteArray &Sha256) { return QString::fromLatin1(Sha256.toHex()); }

// The folder part of Path with its "/", empty at the top.
QString FolderOf(const QString &Path)
{
    const qsizetype slash = Path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : Path.left(slash + 1);
}

// One patch line after its keyword; the reason it is wrong otherwise.
std::optional<TPatchEntry> ReadEntry(const QString &Fields, QString *Error)
{
    const QStringList parts = Fields.split(QLatin1Char(' '));
    if (parts.size() <= kPatchFields) {
        *Error = QStringLiteral("a patch line needs three sizes and SHA-256s, a patch name and an archive path");
        return std::nullopt;
    }
    const QString archive = QStringList(parts.mid(kPatchFields)).join(QLatin1Char(' '));
    const QString &name = parts.at(6);
    TPatchEntry entry;
    for (int i = 0; i < 3; ++i) {
        const std::optional<qint64> size = ReadManifestNumber(parts.at(2 * i));
        const std::optional<QByteArray> hash = ReadManifestSha256(parts.at(2 * i + 1));
        if (!size || !hash) {
            *Error = QStringLiteral("field %1 or %2 is not a size and a SHA-256").arg(2 * i + 1).arg(2 * i + 2);
            return std::nullopt;
        }
        (i == 0 ? entry.Patch.Size : i == 1 ? entry.BaseSize : entry.ResultSize) = *size;
        (i == 0 ? entry.Patch.Sha256 : i == 1 ? entry.BaseSha256 : entry.ResultSha256) = *hash;
    }
    if (!IsSafeRelativePath(archive) || IsPatchPath(archive)) {
        *Error = QStringLiteral("unsafe archive path \"%1\"").arg(archive);
        return std::nullopt;
    }
    if (!IsSafeFileName(name) || !IsPatchPath(name)) {
        *Error = QStringLiteral("\"%1\" is not a patch name").arg(name);
        return std::nullopt;
    }
    entry.ArchivePath = archive;
    entry.Patch.Path = FolderOf(archive) + name;
    return entry;
}

TPatchListRead Refusal(int Line, const QString &Reason)
{
    return {std::nullopt, QStringLiteral("line %1: %2").arg(Line).arg(Reason)};
}

}  // namespace

QString PatchFileName(const QByteArray &ResultSha256, const QByteArray &BaseSha256)
{
    return Hex(ResultSha256).left(16) + QLatin1Char('.') + Hex(BaseSha256).left(16) + kPatchExtension;
}

QString PatchNameOf(const TPatchEntry &Entry)
{
    return Entry.Patch.Path.mid(Entry.Patch.Path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool IsPatchPath(const QString &Path)
{
    return Path.endsWith(kPatchExtension) && !Path.endsWith(QLatin1Char('/') + kPatchExtension)
           && Path != kPatchExtension;
}

TPatchListRead ReadPatchList(const QByteArray &Bytes)
{
    QString error;
    const std::optional<QStringList> lines = ReadManifestLines(Bytes, kHeader, &error);
    if (!lines)
        return {std::nullopt, error};
    TPatchList list;
    std::optional<QString> folder;
    std::optional<QByteArray> manifest;
    QSet<QString> patches;
    for (int i = 1; i < lines->size(); ++i) {
        const QString &line = lines->at(i);
        const int number = i + 1;
        if (line.startsWith(kPatch)) {
            const std::optional<TPatchEntry> entry = ReadEntry(line.mid(kPatch.size()), &error);
            if (!entry)
                return Refusal(number, error);
            if (patches.contains(entry->Patch.Path))
                return Refusal(number, QStringLiteral("\"%1\" is listed twice").arg(entry->Patch.Path));
            patches.insert(entry->Patch.Path);
            list.Entries.append(*entry);
        } else if (line.startsWith(kFolder) && !folder) {
            folder = line.mid(kFolder.size());
            if (folder->isEmpty() || HoldsControlCharacter(*folder))
                return Refusal(number, QStringLiteral("the folder is empty or holds a control character"));
        } else if (line.startsWith(kManifest) && !manifest) {
            manifest = ReadManifestSha256(line.mid(kManifest.size()));
            if (!manifest)
                return Refusal(number, QStringLiteral("the manifest's SHA-256 is not 64 lower-case hexadecimal digits"));
        } else {
            return Refusal(number, QStringLiteral("unknown or repeated line"));
        }
    }
    if (!folder || !manifest)
        return Refusal(int(lines->size()), QStringLiteral("no folder or no manifest line"));
    list.Folder = *folder;
    list.ManifestSha256 = *manifest;
    return {list, QString()};
}

QByteArray WritePatchList(const TPatchList &List)
{
    QString text = kHeader + QLatin1Char('\n') + kFolder + List.Folder + QLatin1Char('\n') + kManifest
                   + Hex(List.ManifestSha256) + QLatin1Char('\n');
    for (const TPatchEntry &entry : List.Entries) {
        text += kPatch + QString::number(entry.Patch.Size) + QLatin1Char(' ') + Hex(entry.Patch.Sha256)
                + QLatin1Char(' ') + QString::number(entry.BaseSize) + QLatin1Char(' ') + Hex(entry.BaseSha256)
                + QLatin1Char(' ') + QString::number(entry.ResultSize) + QLatin1Char(' ') + Hex(entry.ResultSha256)
                + QLatin1Char(' ') + PatchNameOf(entry) + QLatin1Char(' ') + entry.ArchivePath
                + QLatin1Char('\n');
    }
    return text.toUtf8();
}
