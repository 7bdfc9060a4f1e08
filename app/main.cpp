// OrnUpdate: brings the installation folder it is started from up to date from the update server.
#include "app/CommandLineOptions.h"
#include "app/CommandLineRun.h"
#include "app/uUpdate.h"
#include "platform/Console.h"
#include "platform/FileSizeLimit.h"
#include "platform/ProgramArguments.h"
#include "platform/RegexThreads.h"

#include <QApplication>
#include <QCheckBox>
#include <cstdio>

namespace {

int RunWindow(int argc, char **argv, const CommandLineOptions &options)
{
    QApplication app(argc, argv);
    TfUpdate fUpdate;
    const QList<QCheckBox *> stages{fUpdate.cbCheck, fUpdate.cbInstallNew, fUpdate.cbCheckDB};
    for (int i = 0; i < stages.size(); ++i)
        stages[i]->setChecked(options.stages[i]);
    fUpdate.show();
    return app.exec();
}

}  // namespace

int main(int argc, char **argv)
{
    // A file-size limit gives a write error that is reported, not the end of the program.
    IgnoreFileSizeSignal();
    PrepareRegexForWorkerThreads();
    const CommandLineOptions options = ParseCommandLine(ProgramArguments(argc, argv));
    // Every mode but the window prints to the console it was started from.
    if (options.mode != CommandLineOptions::Mode::Window)
        AttachToConsole();
    switch (options.mode) {
    case CommandLineOptions::Mode::Help:
        std::fputs(UsageText().toUtf8().constData(), stdout);
        return ExitStatus::Completed;
    case CommandLineOptions::Mode::Version:
        std::printf("OrnUpdate %s\n", ORN_VERSION);
        return ExitStatus::Completed;
    case CommandLineOptions::Mode::Invalid:
        std::fprintf(stderr, "OrnUpdate: %s\n%s", options.error.toUtf8().constData(),
                     UsageText().toUtf8().constData());
        return ExitStatus::Error;
    case CommandLineOptions::Mode::Unattended:
    case CommandLineOptions::Mode::Check: {
        // No window and no display: the core application only.
        QCoreApplication app(argc, argv);
        return options.mode == CommandLineOptions::Mode::Check ? RunCheck(options) : RunUnattended(options);
    }
    case CommandLineOptions::Mode::Window:
        break;
    }
    return RunWindow(argc, argv, options);
}
