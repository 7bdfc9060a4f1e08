#pragma once
// Why a connect to the update server failed at its TLS step, kept per thread: each thread that
// connects reads the reason of its own last attempt.
#include <QString>

enum class TlsFailure {
    None,                   // connected, or failed for a reason other than TLS
    ServerRefusesTls,       // AUTH TLS refused, or no TLS handshake on the implicit port
    CertificateNotTrusted,  // the certificate chain does not lead to a trusted CA (or is expired)
    NameMismatch,           // the certificate is valid but issued for another name or address
    PinnedKeyDiffers,       // the server's public key is not the pinned one
    ActiveModeUnsupported,  // this libcurl cannot run active transfers over TLS
};

// The reason of the calling thread's last connect attempt; None before the first one.
TlsFailure LastConnectFailure();

// Records the reason of the calling thread's connect attempt that just ended.
void RecordConnectFailure(TlsFailure failure);

// The TLS reason of a failed libcurl operation from its result code (a CURLcode), its
// certificate check result (CURLINFO_SSL_VERIFYRESULT) and its error text (CURLOPT_ERRORBUFFER);
// None when code is no TLS failure.
TlsFailure TlsFailureOf(int code, long verifyResult, const char *errorText);

// True unless this libcurl is 7.87 or 7.88, which accept the data connection of an active
// transfer without starting TLS on it (such a transfer never completes).
bool ActiveTransfersWorkOverTls();

// The Russian log line for failure, with its "…" key (to go through lStr); empty for None.
QString TlsFailureLogText(TlsFailure failure);
