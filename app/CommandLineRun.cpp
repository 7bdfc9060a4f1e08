#include "app/CommandLineRun.h"

#include "app/ClassSys.h"
#include "app/LanguageSettings.h"
#include "app/TerminalProgress.h"
#include "platform/Console.h"
#include "base/FatDateTime.h"
#include "base/RaisedError.h"
#include "stages/UpdateEngine.h"
#include "support/ClassLanguage.h"
#include "support/MessageBoxes.h"

#include <QTextStream>
#include <cstdio>

namespace {

void StopOnInterrupt() { TUpdateEngine::RequestStop(); }

QString BoxLine(TUpdateEngine::BoxKind kind, const QString &text)
{
    return kind == TUpdateEngine::BoxKind::Error ? QStringLiteral("[error] ") + MessageBoxes::WithFullStop(text)
                                                 : QStringLiteral("[message] ") + text;
}

QString CheckDate(double days) { return QDateTimeFromDays(days).toString(QStringLiteral("yyyy-MM-dd hh:mm")); }

// A start without a window: the engine over the start folder with the chosen stages and the
// language of the start folder. Boxes are printed to boxes, the progress to standard error.
class CommandLineSession {
public:
    CommandLineSession(const CommandLineOptions &options, QTextStream &boxes) : boxes_(boxes)
    {
        engine_.currentdir = StartFolder();
        for (int stage = 1; stage <= 3; ++stage)
            engine_.SetStageChosen(stage, options.stages[stage - 1]);
        engine_.SetTranslator([this](const QString &text) { return tL_ ? tL_->lStr(text) : text; });
        QObject::connect(&engine_, &TUpdateEngine::boxShown, [this](TUpdateEngine::BoxKind kind, const QString &text) {
            Print(boxes_, BoxLine(kind, text));
        });
        QObject::connect(&engine_, &TUpdateEngine::fileProgress,
                         [this](const QString &name, qint64 received, qint64 size) { progress_.Show(name, received, size); });
        // Ctrl+C or a termination request stops the run at its next safe point.
        OnInterrupt(StopOnInterrupt);
    }
    ~CommandLineSession()
    {
        progress_.Clear();
        delete tL_;
    }
    CommandLineSession(const CommandLineSession &) = delete;
    CommandLineSession &operator=(const CommandLineSession &) = delete;

    // The language set-up and, unless only looking, the user's access to the installation
    // folders, as the window does them at its creation. An error is printed as an error box.
    bool Prepare(bool grantAccess)
    {
        try {
            CreateLanguage(engine_.currentdir, tL_);
            if (grantAccess)
                for (const QString &link : GrantInstallationAccess(engine_.currentdir, GetCurrentUserName()))
                    Print(boxes_, LinkedFolderLine(link, [this](const QString &text) { return tL_->lStr(text); }));
            return true;
        } catch (const RaisedError &error) {
            Print(boxes_, BoxLine(TUpdateEngine::BoxKind::Error, error.text()));
        }
        return false;
    }

    // A line on out, after the progress line is erased.
    void Print(QTextStream &out, const QString &line)
    {
        progress_.Clear();
        out << line << Qt::endl;
    }

    TUpdateEngine &engine() { return engine_; }

private:
    QTextStream &boxes_;
    TUpdateEngine engine_;
    TClassLanguage *tL_ = nullptr;
    TerminalProgress progress_{stderr};
};

QTextStream &Utf8Stream(std::FILE *file)
{
    static QTextStream out(stdout), err(stderr);
    QTextStream &stream = file == stdout ? out : err;
    stream.setEncoding(QStringConverter::Utf8);
    return stream;
}

}  // namespace

int RunUnattended(const CommandLineOptions &options)
{
    QTextStream &out = Utf8Stream(stdout);
    CommandLineSession session(options, out);
    if (!session.Prepare(true))
        return ExitStatus::Error;
    TUpdateEngine &engine = session.engine();
    QObject::connect(&engine, &TUpdateEngine::logLine, [&](const QString &line) { session.Print(out, line); });
    switch (engine.Run(engine.currentdir)) {
    case TUpdateEngine::Outcome::Completed:
        return engine.FilesNotInstalled() == 0 ? ExitStatus::Completed : ExitStatus::StageFailed;
    case TUpdateEngine::Outcome::StageFailed:
        return ExitStatus::StageFailed;
    default:
        return ExitStatus::Error;
    }
}

int RunCheck(const CommandLineOptions &options)
{
    QTextStream &out = Utf8Stream(stdout);
    CommandLineSession session(options, Utf8Stream(stderr));
    if (!session.Prepare(false))
        return ExitStatus::Error;
    TCheckReport report;
    const TUpdateEngine::Outcome outcome = session.engine().Check(session.engine().currentdir, report);
    if (outcome == TUpdateEngine::Outcome::StageFailed)
        return ExitStatus::StageFailed;
    if (outcome != TUpdateEngine::Outcome::Completed)
        return ExitStatus::Error;

    int newFiles = 0;
    for (const TPendingFile &file : std::as_const(report.files)) {
        newFiles += file.isNew ? 1 : 0;
        QString line = (file.isNew ? QStringLiteral("new      ") : QStringLiteral("updated  ")) + file.serverPath
                       + QStringLiteral("  %1 bytes  server %2").arg(file.size).arg(CheckDate(file.serverDate));
        if (!file.isNew)
            line += QStringLiteral("  local ") + CheckDate(file.localDate);
        out << line << Qt::endl;
    }
    for (const TPendingScript &script : std::as_const(report.scripts))
        out << QStringLiteral("script   ") << script.serverPath << Qt::endl;
    if (report.UpToDate()) {
        out << "Up to date" << Qt::endl;
        return ExitStatus::Completed;
    }
    out << QStringLiteral("%1 files to update (%2 new, %3 updated), %4 scripts to fetch")
               .arg(report.files.size())
               .arg(newFiles)
               .arg(report.files.size() - newFiles)
               .arg(report.scripts.size())
        << Qt::endl;
    return ExitStatus::UpdatesAvailable;
}
