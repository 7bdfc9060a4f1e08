#include "release/PublicationComment.h"

#include "release/Manifest.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const QString kSequenceField = QStringLiteral("sequence:");

}  // namespace

QByteArray PublicationComment(qint64 Sequence, qint64 Timestamp, const QString &File)
{
    return QStringLiteral("timestamp:%1\tfile:%2\t%3%4").arg(Timestamp).arg(File, kSequenceField).arg(Sequence).toUtf8();
}

std::optional<qint64> SequenceOfComment(const QByteArray &Comment)
{
    const QStringList fields =
        QString::fromUtf8(Comment).split(QRegularExpression(QStringLiteral("[ \\t]+")), Qt::SkipEmptyParts);
    std::optional<qint64> sequence;
    int found = 0;
    for (const QString &field : fields) {
        if (field.startsWith(kSequenceField)) {
            ++found;
            sequence = ReadManifestNumber(field.mid(kSequenceField.size()));
        }
    }
    return found == 1 ? sequence : std::nullopt;
}
