// The update server's address and TLS settings: built in, or replaced at run time by
// ORN_FTP_SERVER and ORN_FTP_CAFILE.
#include "net/ServerSettings.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

// Sets or unsets an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const char *value) : name_(name)
    {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~ScopedEnvironment() { qunsetenv(name_); }

private:
    const char *name_;
};

QString SchemeOf(TlsMode mode)
{
    static const char *const schemes[] = {"ftp", "ftpes", "ftps"};
    return QLatin1String(schemes[int(mode)]);
}

TEST(ServerSettings, EnvironmentReplacesTheBuiltInAddressWhenWellFormed)
{
    struct Case {
        const char *value;  // nullptr: not set
        const char *host;
        std::optional<uint16_t> port;  // nullopt: the built-in port
        std::optional<TlsMode> tls;    // nullopt: the build's mode
    };
    const uint16_t builtInPort = ORN_SERVER_PORT;
    const TlsMode builtInTls = BuiltInTlsMode();
    const uint16_t ftpDefaultPort = builtInTls == TlsMode::Implicit ? 990 : 21;
    const Case cases[] = {
        {"127.0.0.2:2121", "127.0.0.2", 2121, std::nullopt},
        {"localhost", "localhost", std::nullopt, std::nullopt},
        {"[::1]:990", "::1", 990, std::nullopt},
        {" 127.0.0.3:21 ", "127.0.0.3", 21, std::nullopt},
        {"ftp://127.0.0.4:2121", "127.0.0.4", 2121, std::nullopt},
        {"ftp://127.0.0.4", "127.0.0.4", ftpDefaultPort, std::nullopt},
        {"ftpes://127.0.0.5:2121/", "127.0.0.5", 2121, TlsMode::Explicit},
        {"FTPES://127.0.0.5", "127.0.0.5", 21, TlsMode::Explicit},
        {"ftps://127.0.0.6:2990", "127.0.0.6", 2990, TlsMode::Implicit},
        {"ftps://[::1]", "::1", 990, TlsMode::Implicit},
        {"127.0.0.1:0", ORN_SERVER_HOST, std::nullopt, std::nullopt},
        {"127.0.0.1:70000", ORN_SERVER_HOST, std::nullopt, std::nullopt},
        {"127.0.0.1:ftp", ORN_SERVER_HOST, std::nullopt, std::nullopt},
        {"user@host:21", ORN_SERVER_HOST, std::nullopt, std::nullopt},
        {"sftp://127.0.0.7:22", ORN_SERVER_HOST, std::nullopt, std::nullopt},
        {"ftps://127.0.0.7/prog/", ORN_SERVER_HOST, std::nullopt, std::nullopt},
        {"127.0.0.7:21/", ORN_SERVER_HOST, std::nullopt, std::nullopt},
        {"", ORN_SERVER_HOST, std::nullopt, std::nullopt},
        {nullptr, ORN_SERVER_HOST, std::nullopt, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(not set)");
        const ScopedEnvironment server("ORN_FTP_SERVER", c.value);
        const ServerAddress address = UpdateServerAddress();
        const uint16_t port = c.port.value_or(builtInPort);
        const TlsMode tls = c.tls.value_or(builtInTls);
        EXPECT_EQ(address.host, QString::fromLatin1(c.host));
        EXPECT_EQ(address.port, port);
        EXPECT_EQ(int(address.tls), int(tls));
        EXPECT_EQ(int(UpdateServerTls().mode), int(tls));
        const QString host = address.host.contains(u':') ? u'[' + address.host + u']' : address.host;
        EXPECT_EQ(UpdateServerUrl(), QStringLiteral("%1://%2:%3/").arg(SchemeOf(tls), host).arg(port));
    }
}

TEST(ServerSettings, TheCaFileComesFromTheEnvironmentWhenSet)
{
    struct Case {
        const char *value;  // nullptr: not set
        const char *caFile;
    };
    const Case cases[] = {
        {"/tmp/ca.pem", "/tmp/ca.pem"},
        {"", ""},
        {nullptr, ORN_SERVER_CAFILE},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(not set)");
        const ScopedEnvironment caFile("ORN_FTP_CAFILE", c.value);
        const TlsSettings tls = UpdateServerTls();
        EXPECT_EQ(tls.caFile, QString::fromUtf8(c.caFile));
        EXPECT_EQ(tls.pinnedKey, QStringLiteral(ORN_SERVER_PINNEDKEY));
    }
}

}  // namespace
