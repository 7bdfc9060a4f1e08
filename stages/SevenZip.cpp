#include "stages/SevenZip.h"

#include "net/RaisedError.h"

#include <QFileInfo>
#include <QProcess>

int RunSevenZip(const TToolCall &Call)
{
    QProcess tool;
    tool.setStandardInputFile(QProcess::nullDevice());
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(Call.Program, Call.Arguments);
    if (!tool.waitForStarted(-1))
        throw RaisedError(tool.errorString());
    tool.waitForFinished(-1);
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

bool InstalledSizeMatches(const QString &FilePath, int64_t Size)
{
    const QFileInfo file(FilePath);
    return file.isFile() && file.size() == Size;
}
