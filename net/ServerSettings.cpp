#include "net/ServerSettings.h"

#include <QRegularExpression>

namespace {

constexpr uint16_t kFtpPort = 21;
constexpr uint16_t kImplicitTlsPort = 990;

// Parses the ORN_FTP_SERVER forms into *address, which holds the built-in values on entry;
// false when the text is none of the forms.
bool ParseServerOverride(const QString &text, ServerAddress *address)
{
    static const QRegularExpression form(QStringLiteral(
        "^(?:(ftp|ftpes|ftps)://)?(?:\\[([^\\]]+)\\]|([^:\\[\\]/@\\s]+))(?::(\\d{1,5}))?(/?)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    const QString scheme = match.captured(1).toLower();
    if (scheme.isEmpty() && match.capturedLength(5) > 0)
        return false;  // a trailing "/" only after a scheme
    address->host = match.capturedLength(2) > 0 ? match.captured(2) : match.captured(3);
    if (scheme == QLatin1String("ftpes"))
        address->tls = TlsMode::Explicit;
    else if (scheme == QLatin1String("ftps"))
        address->tls = TlsMode::Implicit;
    if (!scheme.isEmpty())
        address->port = address->tls == TlsMode::Implicit ? kImplicitTlsPort : kFtpPort;
    if (match.capturedLength(4) > 0) {
        const uint port = match.captured(4).toUInt();
        if (port < 1 || port > 65535)
            return false;
        address->port = uint16_t(port);
    }
    return true;
}

}  // namespace

TlsMode BuiltInTlsMode()
{
    const QLatin1String mode(ORN_SERVER_TLS);
    if (mode == QLatin1String("explicit"))
        return TlsMode::Explicit;
    if (mode == QLatin1String("implicit"))
        return TlsMode::Implicit;
    return TlsMode::Off;
}

ServerAddress UpdateServerAddress()
{
    const ServerAddress builtIn{QStringLiteral(ORN_SERVER_HOST), uint16_t(ORN_SERVER_PORT), BuiltInTlsMode()};
    ServerAddress address = builtIn;
    if (!ParseServerOverride(qEnvironmentVariable("ORN_FTP_SERVER"), &address))
        return builtIn;
    return address;
}

bool ServerOverrideIsValid()
{
    ServerAddress address;
    const QString text = qEnvironmentVariable("ORN_FTP_SERVER");
    return text.isEmpty() || ParseServerOverride(text, &address);
}

TlsSettings UpdateServerTls()
{
    TlsSettings settings{UpdateServerAddress().tls, QStringLiteral(ORN_SERVER_CAFILE),
                         QStringLiteral(ORN_SERVER_PINNEDKEY)};
    if (qEnvironmentVariableIsSet("ORN_FTP_CAFILE"))
        settings.caFile = qEnvironmentVariable("ORN_FTP_CAFILE");
    return settings;
}

QString UpdateServerUrl()
{
    const ServerAddress address = UpdateServerAddress();
    const QString host = address.host.contains(u':') ? u'[' + address.host + u']' : address.host;
    static const char *const schemes[] = {"ftp", "ftpes", "ftps"};
    return QStringLiteral("%1://%2:%3/").arg(QLatin1String(schemes[int(address.tls)]), host).arg(address.port);
}
