#include "net/TlsFailure.h"

namespace {
thread_local TlsFailure lastConnectFailure = TlsFailure::None;
}

TlsFailure LastConnectFailure()
{
    return lastConnectFailure;
}

void RecordConnectFailure(TlsFailure failure)
{
    lastConnectFailure = failure;
}

TlsFailure TlsFailureOf(CURLcode code, long verifyResult)
{
    switch (code) {
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
        return TlsFailure::ServerRefusesTls;
    case CURLE_PEER_FAILED_VERIFICATION:
        // libcurl checks the name only after the chain passed.
        return verifyResult == 0 ? TlsFailure::NameMismatch : TlsFailure::CertificateNotTrusted;
    case CURLE_SSL_CACERT_BADFILE:
        return TlsFailure::CertificateNotTrusted;
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return TlsFailure::PinnedKeyDiffers;
    default:
        return TlsFailure::None;
    }
}

QString TlsFailureLogText(TlsFailure failure)
{
    switch (failure) {
    case TlsFailure::None:
        break;
    case TlsFailure::ServerRefusesTls:
        return QStringLiteral("…Сервер не принимает защищённое соединение (TLS)…");
    case TlsFailure::CertificateNotTrusted:
        return QStringLiteral("…Сертификат сервера не заверен доверенным центром сертификации…");
    case TlsFailure::NameMismatch:
        return QStringLiteral("…Сертификат сервера выдан на другое имя…");
    case TlsFailure::PinnedKeyDiffers:
        return QStringLiteral("…Открытый ключ сервера не совпадает с закреплённым…");
    case TlsFailure::ActiveModeUnsupported:
        return QStringLiteral("…Активный режим не работает с TLS в этой версии libcurl, выберите пассивный режим…");
    }
    return QString();
}
