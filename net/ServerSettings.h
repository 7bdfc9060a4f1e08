#pragma once
// The fixed connection values of the update server. The address and port are set when the
// program is built (ORN_SERVER_HOST, ORN_SERVER_PORT); the environment variable
// ORN_FTP_SERVER="host:port" (or "host", "[v6-address]:port") replaces them at run time.
#include <QString>
#include <cstdint>

constexpr char kFtpUser[] = "orn_ftp";
constexpr char kFtpPassword[] = "Wq7KbTn4RxZpVd2mHsYe";
constexpr char kAgentName[] = "Program_Name";

struct ServerAddress {
    QString host;
    uint16_t port = 21;
};

// The update server to connect to: ORN_FTP_SERVER when it is set and well-formed (a port, if
// given, of 1 to 65535), else the built-in address and port.
ServerAddress UpdateServerAddress();

// "ftp://host:port/" of the update server, for log lines.
QString UpdateServerUrl();
