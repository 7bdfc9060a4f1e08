#pragma once
// The fixed connection values of the update server. The address, port and TLS settings are set
// when the program is built (ORN_SERVER_HOST, ORN_SERVER_PORT, ORN_SERVER_TLS, ORN_SERVER_CAFILE,
// ORN_SERVER_PINNEDKEY); the environment variables ORN_FTP_SERVER and ORN_FTP_CAFILE replace
// some of them at run time (for tests and the demo).
#include <QString>
#include <cstdint>

constexpr char kFtpUser[] = "orn_ftp";
constexpr char kFtpPassword[] = "Wq7KbTn4RxZpVd2mHsYe";
constexpr char kAgentName[] = "Program_Name";

// How the FTP connection is encrypted: not at all, AUTH TLS on the FTP port, or TLS from the
// first byte.
enum class TlsMode { Off, Explicit, Implicit };

struct ServerAddress {
    QString host;
    uint16_t port = 21;
    TlsMode tls = TlsMode::Off;
};

struct TlsSettings {
    TlsMode mode = TlsMode::Off;
    QString caFile;     // CA bundle to trust instead of the system's; empty: the system's
    QString pinnedKey;  // libcurl public-key pin ("sha256//..."); empty: none
};

// The TLS mode the build was configured with.
TlsMode BuiltInTlsMode();

// The update server to connect to: ORN_FTP_SERVER when it is set and well-formed, else the
// built-in values. The override is "host", "host:port", "[v6]" or "[v6]:port" (the build's TLS
// mode), "ftp://host[:port]" (the build's TLS mode, port 21 by default), "ftpes://host[:port]"
// (explicit TLS, port 21 by default) or "ftps://host[:port]" (implicit TLS, port 990 by
// default). A port is 1 to 65535. No form turns off the TLS that the build requires.
ServerAddress UpdateServerAddress();

// True when ORN_FTP_SERVER is unset, empty, or one of the forms UpdateServerAddress takes.
bool ServerOverrideIsValid();

// The TLS settings of connections to the update server: the mode of UpdateServerAddress, the
// CA file named by ORN_FTP_CAFILE when set, else the build's, and the build's pinned key.
TlsSettings UpdateServerTls();

// "ftp://host:port/" of the update server ("ftpes://" with explicit, "ftps://" with implicit
// TLS), for log lines.
QString UpdateServerUrl();
