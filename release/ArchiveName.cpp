#include "release/ArchiveName.h"

#include "base/FatDateTime.h"
#include "base/RaisedError.h"
#include "base/LibStr.h"

#include <limits>

namespace {

const QChar kDash = QLatin1Char('-');

// The value of a field made only of decimal digits and no larger than Maximum.
std::optional<uint32_t> DecimalField(const QString &Field, uint32_t Maximum)
{
    if (Field.isEmpty())
        return std::nullopt;
    uint64_t value = 0;
    for (const QChar c : Field) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + uint64_t(c.unicode() - '0');
        if (value > Maximum)
            return std::nullopt;
    }
    return uint32_t(value);
}

}  // namespace

std::optional<TArchiveFile> DecodeArchiveName(const QString &ArchiveName)
{
    const QString &A = ArchiveName;
    const QString nameField = FieldNumFromStr(A, kDash, 0);
    const QString extField = FieldNumFromStr(A, kDash, 1);
    constexpr uint32_t kMaxLength = std::numeric_limits<int32_t>::max() / 4;
    const auto nameLength = DecimalField(nameField, kMaxLength);
    const auto extLength = DecimalField(extField, kMaxLength);
    if (!nameLength || !extLength)
        return std::nullopt;

    // The position search examines at most 255 characters; it must land on the real second "-".
    const int32_t second = CharPosNumFromStr(A, kDash, 2);
    if (second != int32_t(nameField.size() + extField.size() + 2))
        return std::nullopt;
    const int32_t restStart = second + int32_t(*nameLength) + int32_t(*extLength) + 3;
    if (restStart > A.size())
        return std::nullopt;

    TArchiveFile file;
    file.Comment = CopyStr(A, second + 1, int32_t(*nameLength)) + QLatin1Char('.')
                   + CopyStr(A, second + int32_t(*nameLength) + 2, int32_t(*extLength));

    const QString rest = CopyStr(A, restStart, std::numeric_limits<int32_t>::max());
    const auto size = DecimalField(FieldNumFromStr(rest, kDash, 0), std::numeric_limits<int32_t>::max());
    const int32_t dash = CharPosNumFromStr(rest, kDash, 1);
    const int32_t dot = CharPosNumFromStr(rest, QLatin1Char('.'), 1);
    const auto packed = DecimalField(CopyStr(rest, dash + 1, dot - dash - 1),
                                     std::numeric_limits<uint32_t>::max());
    if (!size || !packed)
        return std::nullopt;
    file.Size = int32_t(*size);
    try {
        file.DateTime = DateTimeFromFat(*packed);
    } catch (const RaisedError &) {
        return std::nullopt;
    }
    return file;
}

QString EncodeArchiveName(const QString &Name, const QString &Ext, int64_t Size, uint32_t PackedDate)
{
    return QString::number(Name.size()) + kDash + QString::number(Ext.size()) + kDash + Name
           + QLatin1Char('.') + Ext + kDash + QString::number(Size) + kDash
           + QString::number(PackedDate) + QStringLiteral(".7z");
}
