#pragma once
// What a benchmark of the real window needs: a temporary installation folder made the current
// directory (inside TMPDIR, which bench/run points at its work folder), private settings, and
// message boxes recorded instead of shown; and the update server that ORN_FTP_SERVER names.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TBenchInstallation {
public:
    // Creates the folder with the shipped orn.txt and makes it the current directory.
    TBenchInstallation();
    // Restores the current directory; the folder and what the benchmark left in it are removed.
    ~TBenchInstallation();
    TBenchInstallation(const TBenchInstallation &) = delete;
    TBenchInstallation &operator=(const TBenchInstallation &) = delete;

    // True when the folder could be created.
    bool isValid() const { return installDir_.isValid(); }
    // The folder, without trailing "/".
    QString path() const { return installDir_.path(); }
    QString file(const QString &relative) const { return installDir_.filePath(relative); }
    // The message boxes recorded so far, as "[message] text" / "[error] text".
    QStringList messages() const { return messages_; }

private:
    QTemporaryDir installDir_;
    QTemporaryDir configDir_;
    QString previousDir_;
    QStringList messages_;
};

// "ftp://orn_ftp:<password>@host:port/" of the update server, for curl and lftp.
QString UpdateServerLoginUrl();

// Waits up to Milliseconds for the window events that are due (painting included) to run.
void SettleEvents(int Milliseconds = 200);
