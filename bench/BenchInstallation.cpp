#include "bench/BenchInstallation.h"

#include "net/ServerSettings.h"
#include "support/MessageBoxes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSettings>

TBenchInstallation::TBenchInstallation() : previousDir_(QDir::currentPath())
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configDir_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configDir_.path());
    QFile::copy(QStringLiteral(ORN_SOURCE_DIR "/resources/orn.txt"), file(QStringLiteral("orn.txt")));
    QDir::setCurrent(installDir_.path());
    MessageBoxes::SetRecorder([this](MessageBoxes::Kind kind, const QString &text) {
        messages_ << (kind == MessageBoxes::Kind::Error ? QStringLiteral("[error] ") : QStringLiteral("[message] ")) + text;
    });
}

TBenchInstallation::~TBenchInstallation()
{
    MessageBoxes::SetRecorder({});
    QDir::setCurrent(previousDir_);
}

QString UpdateServerLoginUrl()
{
    const ServerAddress server = UpdateServerAddress();
    const QString host = server.host.contains(QLatin1Char(':')) ? QLatin1Char('[') + server.host + QLatin1Char(']')
                                                                : server.host;
    return QStringLiteral("ftp://%1:%2@%3:%4/")
        .arg(QLatin1String(kFtpUser), QLatin1String(kFtpPassword), host)
        .arg(server.port);
}

void SettleEvents(int Milliseconds)
{
    const QDeadlineTimer deadline(Milliseconds);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(deadline.remainingTime()));
}
