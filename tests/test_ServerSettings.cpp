// The update server's address: built in, or replaced at run time by ORN_FTP_SERVER.
#include "net/ServerSettings.h"

#include <gtest/gtest.h>

namespace {

TEST(ServerSettings, EnvironmentReplacesTheBuiltInAddressWhenWellFormed)
{
    struct Case {
        const char *value;  // nullptr: not set
        const char *host;
        uint16_t port;
        const char *url;
    };
    const uint16_t builtInPort = ORN_SERVER_PORT;
    const QString builtInUrl = QStringLiteral("ftp://%1:%2/").arg(ORN_SERVER_HOST).arg(builtInPort);
    const Case cases[] = {
        {"127.0.0.2:2121", "127.0.0.2", 2121, "ftp://127.0.0.2:2121/"},
        {"localhost", "localhost", builtInPort, nullptr},
        {"[::1]:990", "::1", 990, "ftp://[::1]:990/"},
        {" 127.0.0.3:21 ", "127.0.0.3", 21, "ftp://127.0.0.3:21/"},
        {"127.0.0.1:0", ORN_SERVER_HOST, builtInPort, nullptr},
        {"127.0.0.1:70000", ORN_SERVER_HOST, builtInPort, nullptr},
        {"127.0.0.1:ftp", ORN_SERVER_HOST, builtInPort, nullptr},
        {"user@host:21", ORN_SERVER_HOST, builtInPort, nullptr},
        {"", ORN_SERVER_HOST, builtInPort, nullptr},
        {nullptr, ORN_SERVER_HOST, builtInPort, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(not set)");
        if (c.value)
            qputenv("ORN_FTP_SERVER", c.value);
        else
            qunsetenv("ORN_FTP_SERVER");
        const ServerAddress address = UpdateServerAddress();
        EXPECT_EQ(address.host, QString::fromLatin1(c.host));
        EXPECT_EQ(address.port, c.port);
        if (c.url)
            EXPECT_EQ(UpdateServerUrl(), QString::fromLatin1(c.url));
        else if (address.host == QLatin1String(ORN_SERVER_HOST))
            EXPECT_EQ(UpdateServerUrl(), builtInUrl);
    }
    qunsetenv("ORN_FTP_SERVER");
}

}  // namespace
