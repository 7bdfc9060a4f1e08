// The release keys built into the program are the ones the build was configured with
// (ORN_RELEASE_PUBKEY in the CMake cache of this build).
#include "fixtures/ReleaseFixture.h"
#include "release/ReleaseKeys.h"

#include <gtest/gtest.h>

namespace {

// The value of ORN_RELEASE_PUBKEY in this build's CMake cache.
QString ConfiguredKeys()
{
    const QByteArray cache = FileBytes(QStringLiteral(ORN_BUILD_DIR "/CMakeCache.txt"));
    EXPECT_FALSE(cache.isEmpty()) << "no CMakeCache.txt in " ORN_BUILD_DIR;
    for (const QByteArray &line : cache.split('\n'))
        if (line.startsWith("ORN_RELEASE_PUBKEY:"))
            return QString::fromUtf8(line.mid(line.indexOf('=') + 1));
    ADD_FAILURE() << "ORN_RELEASE_PUBKEY is not in the cache";
    return QString();
}

TEST(ReleaseKeys, AreTheConfiguredKeys)
{
    const std::optional<QVector<TMinisignPublicKey>> configured = ParseTrustedKeys(ConfiguredKeys());
    ASSERT_TRUE(configured.has_value());
    const QVector<TMinisignPublicKey> built = ReleaseKeys();
    ASSERT_EQ(built.size(), configured->size());
    for (int i = 0; i < built.size(); ++i) {
        EXPECT_EQ(built.at(i).KeyId, configured->at(i).KeyId) << i;
        EXPECT_EQ(built.at(i).Key, configured->at(i).Key) << i;
    }
}

}  // namespace
