#include "app/CommandLineOptions.h"

CommandLineOptions ParseCommandLine(const QStringList &arguments)
{
    CommandLineOptions options;
    const auto invalid = [&options](const QString &reason) {
        options.mode = CommandLineOptions::Mode::Invalid;
        options.error = reason;
        return options;
    };
    if (arguments.contains(QStringLiteral("--help")))
        return options.mode = CommandLineOptions::Mode::Help, options;
    if (arguments.contains(QStringLiteral("--version")))
        return options.mode = CommandLineOptions::Mode::Version, options;
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--unattended") || argument == QLatin1String("--check")) {
            const auto mode = argument == QLatin1String("--check") ? CommandLineOptions::Mode::Check
                                                                   : CommandLineOptions::Mode::Unattended;
            if (options.mode != CommandLineOptions::Mode::Window && options.mode != mode)
                return invalid(QStringLiteral("--unattended and --check exclude each other"));
            options.mode = mode;
        } else if (argument.startsWith(QLatin1String("--stages="))) {
            const QStringList stages = argument.mid(9).split(QLatin1Char(','));
            std::fill(std::begin(options.stages), std::end(options.stages), false);
            for (const QString &stage : stages) {
                if (stage != QLatin1String("1") && stage != QLatin1String("2") && stage != QLatin1String("3"))
                    return invalid(QStringLiteral("--stages takes stage numbers 1, 2 and 3 separated by commas"));
                options.stages[stage.toInt() - 1] = true;
            }
        } else {
            return invalid(QStringLiteral("unknown argument: ") + argument);
        }
    }
    return options;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: OrnUpdate [--unattended | --check] [--stages=LIST] | --help | --version\n"
        "Started in the installation folder, shows the update window; the button updates the folder\n"
        "from the update server (folders named in ftp.ini beside the program).\n"
        "  --unattended   run the update at once without a window, print messages and the log to\n"
        "                 standard output, then exit: 0 every file installed, 1 a stage failed or a\n"
        "                 file was not installed, 2 an error\n"
        "  --check        look and change nothing: print one line per file and script that an\n"
        "                 update would fetch, then a summary; exit 0 up to date, 100 updates\n"
        "                 available, 1 a stage failed, 2 an error\n"
        "  --stages=LIST  the stages to run, any of 1 (check for program updates), 2 (install\n"
        "                 them) and 3 (check for database updates), e.g. --stages=1,3; default all;\n"
        "                 2 needs 1, whose list of files it installs\n"
        "  --help         show this text\n"
        "  --version      show the version\n"
        "Without a window, a download shows its progress on standard error when that is a terminal.\n"
        "Environment:\n"
        "  ORN_FTP_SERVER=host:port, ftp://host:port, ftpes://host:port (TLS after AUTH TLS) or\n"
        "                 ftps://host:port (TLS from the first byte) points the program at another\n"
        "                 update server; a build that requires TLS keeps it whatever this says\n"
        "  ORN_FTP_CAFILE=FILE  the certificate authorities to trust for TLS\n"
        "  ORN_PARALLEL_TRANSFERS=N  how many files stage 2 fetches at once (1 to 16, default 4)\n"
        "An environment variable set to a value it does not take stops the run (exit 2).\n");
}
