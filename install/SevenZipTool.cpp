#include "install/SevenZipTool.h"

#include "base/RaisedError.h"
#include "install/InstallPaths.h"
#include "platform/ExecutableName.h"
#include "platform/FileSizeLimit.h"
#include "platform/ProcessStart.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

const QString kToolName = ExecutableFileName(QStringLiteral("7z"));
// The p7zip program loads its formats from this library beside it.
const QString kToolLibrary = QStringLiteral("7z.so");
// More output than this is no listing of one file: the tool is stopped.
constexpr qsizetype kMaxOutput = 1 << 20;

// Copies From to To with the owner's read and execute rights; throws RaisedError on failure.
void CopyExecutable(const QString &From, const QString &To)
{
    QFile source(From);
    if (!source.copy(To))
        throw RaisedError(source.errorString());
    QFile::setPermissions(To, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
}

}  // namespace

TSevenZipTool::TSevenZipTool(const QString &ToolFolder)
{
    const TToolCall call = FindSevenZip(ToolFolder);
    found_ = call.Program;
    program_ = found_;
    if (!call.FromInstallFolder)
        return;
    copy_ = std::make_unique<QTemporaryDir>();
    if (!copy_->isValid())
        throw RaisedError(copy_->errorString());
    program_ = copy_->filePath(kToolName);
    CopyExecutable(found_, program_);
    const QString library = ToolFolder + kToolLibrary;
    if (QFileInfo(library).isFile())
        CopyExecutable(library, copy_->filePath(kToolLibrary));
}

TSevenZipTool::~TSevenZipTool() = default;

int TSevenZipTool::Run(const QStringList &Arguments, int64_t FileSizeLimit, QByteArray *Output) const
{
    QProcess tool;
    tool.setStandardInputFile(QProcess::nullDevice());
    if (!Output)
        tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    if (FileSizeLimit >= 0) {
        LimitChildFileSize(tool, FileSizeLimit);
    }
    if (!StartProcess(tool, program_, Arguments))
        throw RaisedError(tool.errorString());
    if (Output) {
        Output->clear();
        while (tool.state() != QProcess::NotRunning && Output->size() <= kMaxOutput) {
            tool.waitForReadyRead(-1);
            Output->append(tool.readAllStandardOutput());
        }
        if (Output->size() > kMaxOutput)
            tool.kill();
    }
    tool.waitForFinished(-1);
    if (Output)
        Output->append(tool.readAllStandardOutput());
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}
