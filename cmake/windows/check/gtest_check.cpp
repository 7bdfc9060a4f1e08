// GoogleTest and GoogleMock link and run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

TEST(WindowsPrefix, GoogleTestRuns)
{
    EXPECT_EQ(std::string("a") + "b", "ab");
    EXPECT_THAT(std::string("OrnUpdate.exe"), ::testing::EndsWith(".exe"));
}
