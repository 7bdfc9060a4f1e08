// The Debian package of this build: what it holds and depends on, and that lintian finds nothing
// in it beyond the tags that the package's override file keeps, each with its reason. Also that
// the manual pages name every option of the programs' --help texts.
#include "fixtures/QtPrinters.h"
#include "fixtures/ReleaseFixture.h"
#include "fixtures/RunProgram.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Builds the package once for all tests of the suite, with cpack from this build tree, installing
// under /usr as scripts/package does. The build's own prefix only changes where the packaged
// program looks for its data, which lintian does not see. Like `make package`, cpack first builds
// the targets that are out of date (none after a full build).
class Package : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new QTemporaryDir;
        const QString config = folder_->filePath(QStringLiteral("CPackConfig.cmake"));
        QFile file(config);
        if (file.open(QIODevice::WriteOnly))
            file.write("include(\"" ORN_BUILD_DIR "/CPackConfig.cmake\")\n"
                       "set(CPACK_PACKAGING_INSTALL_PREFIX /usr)\n");
        file.close();
        const QString cpack = QStandardPaths::findExecutable(QStringLiteral("cpack"));
        const auto [status, output] =
            RunToEnd(cpack, {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"), config,
                             QStringLiteral("-B"), folder_->path()});
        cpackLog_ = new QByteArray(output);
        const QStringList packages = QDir(folder_->path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
        deb_ = new QString(status == 0 && packages.size() == 1 ? folder_->filePath(packages.first()) : QString());
    }

    static void TearDownTestSuite()
    {
        delete deb_;
        delete cpackLog_;
        delete folder_;
    }

    void SetUp() override
    {
        ASSERT_FALSE(deb_->isEmpty()) << "cpack failed (build every target first):\n" << cpackLog_->toStdString();
    }

    // One field of the package's control file, without its line end.
    static QString Field(const QString &name)
    {
        const auto [status, value] = RunToEnd(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), *deb_, name});
        return status == 0 ? QString::fromUtf8(value).trimmed() : QString();
    }

    static QTemporaryDir *folder_;
    static QByteArray *cpackLog_;
    static QString *deb_;
};

QTemporaryDir *Package::folder_ = nullptr;
QByteArray *Package::cpackLog_ = nullptr;
QString *Package::deb_ = nullptr;

TEST_F(Package, HoldsBothProgramsTheirDataManualPagesAndDebianDocuments)
{
    const auto [status, listing] = RunToEnd(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), *deb_});
    ASSERT_EQ(status, 0) << listing.toStdString();
    QStringList files;
    for (const QString &line : QString::fromUtf8(listing).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (line.startsWith(QLatin1Char('-')))
            files << line.section(QLatin1Char(' '), -1);
    files.sort();
    EXPECT_EQ(files, QStringList({"./usr/bin/OrnUpdate", "./usr/bin/ornpack", "./usr/share/applications/ornupdate.desktop",
                                  "./usr/share/doc/ornupdate/changelog.gz", "./usr/share/doc/ornupdate/copyright",
                                  "./usr/share/lintian/overrides/ornupdate", "./usr/share/man/man1/OrnUpdate.1.gz",
                                  "./usr/share/man/man1/ornpack.1.gz", "./usr/share/ornupdate/OrnRes.dat",
                                  "./usr/share/ornupdate/orn.txt"}));
}

TEST_F(Package, DependsOnTheLinkedLibrariesThePlatformPluginsAnd7Zip)
{
    const QStringList depends = Field(QStringLiteral("Depends")).split(QStringLiteral(", "));
    // The linked libraries come from dpkg-shlibdeps with their versions; the rest is named.
    for (const QString &library : {"libc6 (>= ", "libstdc++6 (>= ", "libqt6core6 (>= ", "libqt6widgets6 (>= ",
                                   "libcurl4 (>= ", "libacl1 (>= "})
        EXPECT_EQ(depends.filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(library))).size(), 1)
            << library.toStdString() << " in " << depends.join(", ").toStdString();
    for (const QString &named : {"qt6-qpa-plugins", "7zip | p7zip-full"})
        EXPECT_TRUE(depends.contains(named)) << named.toStdString() << " in " << depends.join(", ").toStdString();
}

TEST_F(Package, VersionIsTheProjectsAndTheChangelogsLatestEntry)
{
    EXPECT_EQ(Field(QStringLiteral("Version")), QStringLiteral(ORN_VERSION));
    const QByteArray changelog = FileBytes(QStringLiteral(ORN_SOURCE_DIR "/cmake/debian/changelog"));
    EXPECT_TRUE(changelog.startsWith("ornupdate (" ORN_VERSION ") ")) << changelog.left(80).toStdString();
}

TEST_F(Package, PassesLintianWithOnlyTheOverriddenTags)
{
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    ASSERT_FALSE(lintian.isEmpty()) << "lintian is not installed (scripts/install-deps)";
    const auto [status, report] = RunToEnd(lintian, {QStringLiteral("--show-overrides"), *deb_});
    // Errors and warnings that no override keeps are the E: and W: lines; an overridden tag is an
    // O: line. (With --fail-on warning, lintian would fail on the shown overridden warnings too.)
    QStringList problems;
    QSet<QString> overridden;
    for (const QString &line : QString::fromUtf8(report).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QStringLiteral("E: ")) || line.startsWith(QStringLiteral("W: ")))
            problems << line;
        else if (line.startsWith(QStringLiteral("O: ")))
            overridden << line.section(QLatin1Char(' '), 2, 2);
    }
    EXPECT_EQ(status, 0) << report.toStdString();
    EXPECT_EQ(problems, QStringList()) << report.toStdString();
    EXPECT_EQ(overridden, QSet<QString>({QStringLiteral("national-encoding")})) << report.toStdString();
}

// Every option that a program's --help text names is described in its manual page.
TEST(ManualPages, NameEveryOptionOfTheHelpText)
{
    const struct {
        const char *program;
        const char *page;
    } kPrograms[] = {
        {ORN_BUILD_DIR "/OrnUpdate", ORN_SOURCE_DIR "/docs/man/OrnUpdate.1"},
        {ORN_BUILD_DIR "/tools/ornpack", ORN_SOURCE_DIR "/docs/man/ornpack.1"},
    };
    const QRegularExpression option(QStringLiteral("(?<![\\w-])(--?[a-z][a-z-]*)"));
    for (const auto &row : kPrograms) {
        const auto [status, help] = RunToEnd(QString::fromUtf8(row.program), {QStringLiteral("--help")});
        ASSERT_EQ(status, 0) << row.program;
        const QString page = QString::fromUtf8(FileBytes(QString::fromUtf8(row.page)));
        ASSERT_FALSE(page.isEmpty()) << row.page;
        QStringList options;
        for (const auto &match : option.globalMatch(QString::fromUtf8(help)))
            options << match.captured(1);
        for (const QString &name : options) {
            QString roff = name;
            EXPECT_TRUE(page.contains(roff.replace(QLatin1Char('-'), QStringLiteral("\\-")))) << row.page << " lacks " << name.toStdString();
        }
    }
}

}  // namespace
