#include "net/MirrorSettings.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

QStringList SplitList(const QString &text)
{
    return text.split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts);
}

}  // namespace

QStringList MirrorsToTry(const QStringList &signed_)
{
    if (qEnvironmentVariableIsSet("ORN_MIRRORS"))
        return SplitList(qEnvironmentVariable("ORN_MIRRORS"));
    QStringList mirrors = signed_ + SplitList(QStringLiteral(ORN_MIRRORS));
    mirrors.removeDuplicates();
    return mirrors;
}

QString MirrorPackUrl(const QString &base, const QString &serverFolder, const QString &packName)
{
    QString url = base;
    if (!url.endsWith(QLatin1Char('/')))
        url += QLatin1Char('/');
    for (const QString &part : serverFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        url += QString::fromLatin1(QUrl::toPercentEncoding(part)) + QLatin1Char('/');
    return url + QString::fromLatin1(QUrl::toPercentEncoding(packName));
}
