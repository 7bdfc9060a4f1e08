#include "net/ServerSettings.h"

#include <QRegularExpression>

namespace {

// "host", "host:port", "[v6]" or "[v6]:port"; false when the text is none of these.
bool ParseServerOverride(const QString &text, ServerAddress *address)
{
    static const QRegularExpression form(
        QStringLiteral("^(?:\\[([^\\]]+)\\]|([^:\\[\\]/@\\s]+))(?::(\\d{1,5}))?$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return false;
    address->host = match.capturedLength(1) > 0 ? match.captured(1) : match.captured(2);
    if (match.capturedLength(3) > 0) {
        const uint port = match.captured(3).toUInt();
        if (port < 1 || port > 65535)
            return false;
        address->port = uint16_t(port);
    }
    return true;
}

}  // namespace

ServerAddress UpdateServerAddress()
{
    const ServerAddress builtIn{QStringLiteral(ORN_SERVER_HOST), uint16_t(ORN_SERVER_PORT)};
    ServerAddress address = builtIn;
    if (!ParseServerOverride(qEnvironmentVariable("ORN_FTP_SERVER"), &address))
        return builtIn;
    return address;
}

QString UpdateServerUrl()
{
    const ServerAddress address = UpdateServerAddress();
    const QString host = address.host.contains(u':') ? u'[' + address.host + u']' : address.host;
    return QStringLiteral("ftp://%1:%2/").arg(host).arg(address.port);
}
