#include "release/PublicationComment.h"

#include "release/Manifest.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

const QString kSequenceField = QStringLiteral("sequence:");
const QString kPackField = QStringLiteral("pack:");
const QString kMirrorField = QStringLiteral("mirror:");

QStringList CommentFields(const QByteArray &Comment)
{
    return QString::fromUtf8(Comment).split(QRegularExpression(QStringLiteral("[ \\t]+")), Qt::SkipEmptyParts);
}

// The number of the one field of Comment that begins with Name; nullopt for none, more than
// one, or one that is not a manifest number. Other fields are passed over.
std::optional<qint64> NumberField(const QByteArray &Comment, const QString &Name)
{
    const QStringList fields = CommentFields(Comment);
    std::optional<qint64> number;
    int found = 0;
    for (const QString &field : fields) {
        if (field.startsWith(Name)) {
            ++found;
            number = ReadManifestNumber(field.mid(Name.size()));
        }
    }
    return found == 1 ? number : std::nullopt;
}

}  // namespace

QByteArray PublicationComment(qint64 Sequence, qint64 Timestamp, const QString &File, std::optional<qint64> PackBytes,
                              const QStringList &Mirrors)
{
    QString comment = QStringLiteral("timestamp:%1\tfile:%2\t%3%4").arg(Timestamp).arg(File, kSequenceField).arg(Sequence);
    if (PackBytes)
        comment += QStringLiteral("\t%1%2").arg(kPackField).arg(*PackBytes);
    for (const QString &mirror : Mirrors)
        comment += QLatin1Char('\t') + kMirrorField + mirror;
    return comment.toUtf8();
}

std::optional<qint64> SequenceOfComment(const QByteArray &Comment) { return NumberField(Comment, kSequenceField); }

std::optional<qint64> PackSizeOfComment(const QByteArray &Comment) { return NumberField(Comment, kPackField); }

QStringList MirrorsOfComment(const QByteArray &Comment)
{
    QStringList mirrors;
    for (const QString &field : CommentFields(Comment))
        if (field.startsWith(kMirrorField) && IsMirrorUrl(field.mid(kMirrorField.size())))
            mirrors << field.mid(kMirrorField.size());
    return mirrors;
}

bool IsMirrorUrl(const QString &Url)
{
    static const QRegularExpression form(QStringLiteral("^https?://[^/\\s?#]+(/[^\\s]*)?$"));
    return form.match(Url).hasMatch() && std::none_of(Url.cbegin(), Url.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}
