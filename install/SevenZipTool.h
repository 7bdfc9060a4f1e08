#pragma once
// The 7-Zip tool of one stage: found once when the stage starts, and, when it is the
// installation's own tool, run from a private copy made then, so that an archive unpacked during
// the stage (one carrying a file named 7z, say) never changes the program that runs.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>

class TSevenZipTool {
public:
    // Finds the tool as the stage always did: ToolFolder + "7z" when that is an executable file,
    // else 7zz or 7z on the PATH, else the bare name "7z" (which then fails to start). The
    // installation's tool (and a 7z.so beside it) is copied into a new temporary folder outside
    // the installation. Throws RaisedError with the system's text when that copy fails.
    explicit TSevenZipTool(const QString &ToolFolder);
    // Removes the private copy.
    ~TSevenZipTool();
    TSevenZipTool(const TSevenZipTool &) = delete;
    TSevenZipTool &operator=(const TSevenZipTool &) = delete;

    // The tool as found (the installation's file, or the one on the PATH): what the log names.
    const QString &Found() const { return found_; }
    // The program that is started: the private copy, or the tool on the PATH.
    const QString &Program() const { return program_; }
    // True when the tool found is the installation's own.
    bool FromInstallFolder() const { return copy_ != nullptr; }

    // Runs the tool with Arguments, no input, its error output discarded, and waits without
    // time-out. FileSizeLimit >= 0 limits every file the tool writes to that many bytes (or less
    // when the updater runs under a lower limit). Returns the exit code (-1 when it crashed or was
    // killed) and stores its standard output in *Output when given; a tool that prints more than
    // 1 MiB there is killed. Throws RaisedError with the system's text when it cannot be started.
    int Run(const QStringList &Arguments, int64_t FileSizeLimit = -1, QByteArray *Output = nullptr) const;

private:
    QString found_;
    QString program_;
    std::unique_ptr<QTemporaryDir> copy_;
};
