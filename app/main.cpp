// OrnUpdate: brings the installation folder it is started from up to date from the update server.
#include "app/UnattendedRun.h"
#include "app/uUpdate.h"

#include <QApplication>
#include <QStringConverter>
#include <cstdio>
#include <cstring>

namespace {

bool hasArgument(int argc, char **argv, const char *name)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return true;
    return false;
}

const char kUsage[] =
    "Usage: OrnUpdate [--unattended | --help | --version]\n"
    "Started in the installation folder, shows the update window; the button updates the folder\n"
    "from the update server (folders named in ftp.ini beside the program).\n"
    "  --unattended  run the update at once with all stages, print messages and the log to\n"
    "                standard output, then exit: 0 finished, 1 a stage failed, 2 an error\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "Environment: ORN_FTP_SERVER=host:port points the program at another update server.\n";

}  // namespace

int main(int argc, char **argv)
{
    if (hasArgument(argc, argv, "--help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (hasArgument(argc, argv, "--version")) {
        std::printf("OrnUpdate %s\n", ORN_VERSION);
        return 0;
    }
    const bool unattended = hasArgument(argc, argv, "--unattended");
    if (unattended && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    if (unattended)
        RouteMessagesTo(out);

    TfUpdate fUpdate;
    if (!unattended) {
        fUpdate.show();
        return app.exec();
    }
    EchoLogTo(fUpdate, out);
    fUpdate.show();
    return RunUnattended(fUpdate);
}
