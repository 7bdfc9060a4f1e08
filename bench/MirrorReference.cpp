#include "bench/MirrorReference.h"

#include "net/ServerSettings.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

int InstallOlderCopy(const QString &Release, const QString &Install, const std::function<bool(const QString &)> &Older)
{
    const QDateTime older(QDate(2020, 1, 1), QTime(12, 0));
    int count = 0;
    QDirIterator it(Release, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString relative = QDir(Release).relativeFilePath(source);
        const QString target = Install + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(target).path());
        QFile::remove(target);
        QFile copy(target);
        const bool dated = !Older || Older(relative);
        if (QFile::copy(source, target) && copy.open(QIODevice::ReadWrite)
            && copy.setFileTime(dated ? older : it.fileInfo().lastModified(), QFileDevice::FileModificationTime))
            count += dated ? 1 : 0;
    }
    return count;
}

bool RunQuietly(const QString &Program, const QStringList &Arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(Program, Arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString SevenZipProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("7zz")).isEmpty() ? QStringLiteral("7z") : QStringLiteral("7zz");
}

double MirrorAndUnpack(const QString &Netdir, const QString &Mirror, int ExpectedArchives, int Parallel,
                       const QString &Include)
{
    QDir(Mirror).removeRecursively();
    const ServerAddress server = UpdateServerAddress();
    const QString script = QStringLiteral("set cmd:fail-exit yes; set net:max-retries 1; set ftp:ssl-allow no; "
                                          "set ftp:passive-mode on; open -u %1,%2 -p %3 %4; mirror --parallel=%7 %8 -x '^ornupdate\\.pack$' %5 %6")
                               .arg(QLatin1String(kFtpUser), QLatin1String(kFtpPassword))
                               .arg(server.port)
                               .arg(server.host, Netdir, Mirror)
                               .arg(Parallel)
                               .arg(Include.isEmpty() ? QString() : QStringLiteral("-i '%1'").arg(Include));
    QElapsedTimer timer;
    timer.start();
    if (!RunQuietly(QStringLiteral("lftp"), {QStringLiteral("-c"), script}))
        return -1;
    int unpacked = 0;
    QDirIterator it(Mirror, {QStringLiteral("*.7z")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString archive = it.next();
        const QString folder = QFileInfo(archive).path() + QLatin1Char('/');
        if (!RunQuietly(SevenZipProgram(), {QStringLiteral("e"), QStringLiteral("-y"), QStringLiteral("-o") + folder, archive}))
            return -1;
        ++unpacked;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    return unpacked == ExpectedArchives ? seconds : -1;
}
