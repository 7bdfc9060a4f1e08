// Server names that a POSIX file system holds but no file name may carry (a backslash, control
// characters) are left out of listings; Windows cannot make such names for the server's tree.
#include "fixtures/FtpServerFixture.h"
#include "fixtures/FtpTestConnection.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FtpClient, NamesThatCannotBeFileNamesAreLeftOutOfListings)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    WriteTestFile(root.path() + "/odd/back\\slash.txt", "x");
    WriteTestFile(root.path() + "/odd/bell\x07.txt", "x");
    WriteTestFile(root.path() + "/odd/new\nline.txt", "x");
    WriteTestFile(root.path() + "/odd/plain.txt", "x");
    for (bool machineListing : {true, false}) {
        SCOPED_TRACE(machineListing ? "MLSD" : "LIST");
        FtpServerOptions options;
        options.machineListing = machineListing;
        FtpServerFixture server(root.path(), options);
        ASSERT_TRUE(server.isRunning());
        FtpTestConnection connection(server);
        ASSERT_TRUE(FtpSetCurrentDirectoryW(connection.hFTP, QStringLiteral("/odd/")));
        EXPECT_EQ(ListCurrentFolder(connection.hFTP), QStringList{"plain.txt"});
    }
}

}  // namespace
