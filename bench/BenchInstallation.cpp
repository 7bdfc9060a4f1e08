#include "bench/BenchInstallation.h"

#include "net/ServerSettings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

QString UpdateServerLoginUrl()
{
    const ServerAddress server = UpdateServerAddress();
    const QString host = server.host.contains(QLatin1Char(':')) ? QLatin1Char('[') + server.host + QLatin1Char(']')
                                                                : server.host;
    return QStringLiteral("%1://%2:%3@%4:%5/")
        .arg(QLatin1String(server.tls == TlsMode::Implicit ? "ftps" : "ftp"), QLatin1String(kFtpUser),
             QLatin1String(kFtpPassword), host)
        .arg(server.port);
}

void SettleEvents(int Milliseconds)
{
    const QDeadlineTimer deadline(Milliseconds);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(deadline.remainingTime()));
}
