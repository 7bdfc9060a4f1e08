// ornpack: turns a release folder of the main program into the server program tree that the
// updater reads, one 7-Zip archive per file, named by the archive-name scheme.
#include "PackTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

namespace {

constexpr int kAllWritten = 0;
constexpr int kSomeLeftOut = 1;
constexpr int kUsageError = 2;

const char kUsage[] =
    "Usage: ornpack <release-folder> <output-folder>\n"
    "\n"
    "Writes the server program tree for the updater: for every file of the release folder\n"
    "(sub-folders included) a 7-Zip archive named\n"
    "  <name length>-<ext length>-<name>.<ext>-<size>-<packed FAT date-time>.7z\n"
    "in the same sub-folder of the output folder, holding the file under its own name.\n"
    "Files without an extension, dated outside 1980-2107, larger than 2 GiB - 1, symbolic\n"
    "links and names with separators or control characters cannot be carried: they are\n"
    "reported on stderr and left out, and the exit status is 1. The 7z program is taken\n"
    "from PATH.\n"
    "\n"
    "Exit status: 0 all files written, 1 some files left out, 2 usage or set-up error.\n";

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << kUsage;
        return kAllWritten;
    }
    if (arguments.size() != 2) {
        err << kUsage;
        return kUsageError;
    }
    const QString release = arguments.at(0);
    const QString output = arguments.at(1);
    if (!QFileInfo(release).isDir()) {
        err << "ornpack: not a folder: " << release << "\n";
        return kUsageError;
    }
    if (!QDir().mkpath(output)) {
        err << "ornpack: cannot create " << output << "\n";
        return kUsageError;
    }
    const QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7z"));
    if (sevenZip.isEmpty()) {
        err << "ornpack: the 7z program is not on PATH\n";
        return kUsageError;
    }

    const TPackReport report = PackTree(release, output, sevenZip);
    for (const QString &archive : report.Written)
        out << archive << "\n";
    for (const QString &problem : report.Problems)
        err << "ornpack: " << problem << "\n";
    return report.Problems.isEmpty() ? kAllWritten : kSomeLeftOut;
}
