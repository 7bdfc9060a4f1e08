#include "bench/PublicKeyFile.h"

#include <QFile>

std::optional<TMinisignPublicKey> ReadPublicKeyFile(const QString &Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = file.readAll().split('\n');
    return lines.size() < 2 ? std::nullopt : ParseMinisignPublicKey(QString::fromLatin1(lines.at(1)));
}
