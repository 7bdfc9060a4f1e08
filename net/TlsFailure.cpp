#include "net/TlsFailure.h"

#include <cstring>
#include <curl/curl.h>

namespace {

thread_local TlsFailure lastConnectFailure = TlsFailure::None;

// Certificate check results that libcurl reports with OpenSSL (X509_V_ values); other TLS
// libraries leave the result at 0.
constexpr long kVerifyOk = 0;
constexpr long kVerifyUnspecified = 1;
constexpr long kVerifyHostnameMismatch = 62;
constexpr long kVerifyIpAddressMismatch = 64;

}  // namespace

TlsFailure LastConnectFailure()
{
    return lastConnectFailure;
}

void RecordConnectFailure(TlsFailure failure)
{
    lastConnectFailure = failure;
}

TlsFailure TlsFailureOf(int code, long verifyResult, const char *errorText)
{
    switch (code) {
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
        return TlsFailure::ServerRefusesTls;
    case CURLE_PEER_FAILED_VERIFICATION:
        // Windows' TLS (Schannel) gives no check result: only its text tells a chain it could
        // not trust from a name that did not match.
        if (std::strstr(errorText, "schannel: CertGetCertificateChain"))
            return TlsFailure::CertificateNotTrusted;
        // libcurl checks the name after a handshake whose chain check passed, and keeps
        // X509_V_ERR_UNSPECIFIED as the chain's result when the name check fails first.
        return verifyResult == kVerifyOk || verifyResult == kVerifyUnspecified
                       || verifyResult == kVerifyHostnameMismatch || verifyResult == kVerifyIpAddressMismatch
                   ? TlsFailure::NameMismatch
                   : TlsFailure::CertificateNotTrusted;
    case CURLE_SSL_CACERT_BADFILE:
        return TlsFailure::CertificateNotTrusted;
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return TlsFailure::PinnedKeyDiffers;
    default:
        return TlsFailure::None;
    }
}

bool ActiveTransfersWorkOverTls()
{
    const unsigned version = curl_version_info(CURLVERSION_NOW)->version_num;
    return version < 0x075700 || version >= 0x080000;
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
