#include "release/SequenceRecord.h"

#include "base/RaisedError.h"
#include "release/Manifest.h"
#include "platform/SafeFile.h"
#include "release/ServerFolderName.h"

#include <QFile>
#include <QMap>

namespace {

// Folder -> sequence of every well-formed line; throws RaisedError for an unreadable file.
QMap<QString, qint64> ReadRecords(const QString &RecordPath)
{
    QMap<QString, qint64> records;
    QFile file(RecordPath);
    if (!file.exists())
        return records;
    if (!file.open(QIODevice::ReadOnly))
        throw RaisedError(QStringLiteral("Cannot read %1: %2").arg(RecordPath, file.errorString()));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        const std::optional<qint64> sequence = ReadManifestNumber(line.left(blank));
        if (blank > 0 && sequence && blank + 1 < line.size())
            records.insert(NormalServerFolder(line.mid(blank + 1)), *sequence);
    }
    return records;
}

}  // namespace

QString SequenceRecordPath(const QString &softdir)
{
    return softdir + QStringLiteral("ornupdate.sequences");
}

std::optional<qint64> ReadAcceptedSequence(const QString &RecordPath, const QString &ServerFolder)
{
    const QMap<QString, qint64> records = ReadRecords(RecordPath);
    const auto found = records.constFind(NormalServerFolder(ServerFolder));
    return found == records.constEnd() ? std::nullopt : std::optional<qint64>(*found);
}

bool RecordAcceptedSequence(const QString &RecordPath, const QString &ServerFolder, qint64 Sequence, QString *Error)
{
    QMap<QString, qint64> records = ReadRecords(RecordPath);
    records.insert(NormalServerFolder(ServerFolder), Sequence);
    QString text;
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        text += QString::number(it.value()) + QLatin1Char(' ') + it.key() + QLatin1Char('\n');
    const QString error = WriteFileReplacing(RecordPath, text.toUtf8());
    if (error.isEmpty())
        return true;
    *Error = QStringLiteral("Cannot write %1: %2").arg(RecordPath, error);
    return false;
}
