// ornpack: turns a release folder of the main program into the server program tree that the
// updater reads, one 7-Zip archive per file, named by the archive-name scheme; or publishes a
// folder of database scripts. Each published folder gets its manifest, signed on request.
#include "CopyScripts.h"
#include "PackTree.h"
#include "PatchPublication.h"
#include "Publication.h"
#include "release/PublicationComment.h"
#include "release/ServerFolderName.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>
#include "platform/Console.h"

namespace {

constexpr int kAllWritten = 0;
constexpr int kSomeLeftOut = 1;
constexpr int kUsageError = 2;

const char kUsage[] =
    "Usage: ornpack [--sign KEYFILE --folder SERVERFOLDER [--no-pack] [--mirror URL]...]\n"
    "               [--previous OLD-RELEASE-FOLDER]... [--sequence N] [--expires DAYS]\n"
    "               <release-folder> <output-folder>\n"
    "       ornpack --scripts [--sign KEYFILE --folder SERVERFOLDER [--no-pack] [--mirror URL]...]\n"
    "               [--sequence N] [--expires DAYS] <scripts-folder> <output-folder>\n"
    "\n"
    "Writes the server program tree for the updater: for every file of the release folder\n"
    "(sub-folders included) a 7-Zip archive named\n"
    "  <name length>-<ext length>-<name>.<ext>-<size>-<packed FAT date-time>.7z\n"
    "in the same sub-folder of the output folder, holding the file under its own name.\n"
    "Files without an extension, dated outside 1980-2107, larger than 2 GiB - 1, symbolic\n"
    "links and names with separators or control characters cannot be carried: they are\n"
    "reported on stderr and left out, and the exit status is 1. So are the updater's own\n"
    "state files at the top of the release folder (ftp.ini, logdbupdate.txt,\n"
    "ornupdate.sequences): they belong to each installation. The 7z program is taken\n"
    "from PATH.\n"
    "\n"
    "With --scripts, every *.sql file of the scripts folder is copied as it is, with its\n"
    "date, into the output folder (the server's database-script folder); other files and\n"
    "sub-folders are reported and left out.\n"
    "\n"
    "Either way the output folder then gets its manifest ornupdate.manifest: every file\n"
    "below it (patches and their list excepted) with its size and SHA-256, a sequence\n"
    "number and an optional expiry time.\n"
    "  --sequence N     the sequence number (default: the publication time in seconds since\n"
    "                   1970); an updater refuses a manifest older than one it accepted\n"
    "  --expires DAYS   the manifest expires DAYS days after publication\n"
    "  --folder SERVERFOLDER  the server folder the output folder is served as, as ftp.ini\n"
    "                   names it (e.g. /prog/); the manifest names it, and an updater\n"
    "                   refuses the manifest in any other folder. Required with --sign\n"
    "  --sign KEYFILE   sign the manifest with this minisign secret key (as \"minisign -G\"\n"
    "                   writes it) into ornupdate.manifest.minisig; the trusted comment\n"
    "                   carries the sequence. An encrypted key's password is read from the\n"
    "                   first line of standard input. Without --sign an old signature is\n"
    "                   removed. \"minisign -V -p KEY.pub -m ornupdate.manifest\" verifies.\n"
    "                   A signed folder also gets ornupdate.pack: the listed files one after\n"
    "                   the other in the manifest's order, whose size the trusted comment\n"
    "                   announces (pack:<bytes>), so that an updater fetches many files by one\n"
    "                   request for a range of it. Without --sign an old pack is removed.\n"
    "  --no-pack        sign without writing a pack (an old one is removed)\n"
    "  --mirror URL     an http:// or https:// copy of the server's whole tree (URL + the\n"
    "                   server folder + ornupdate.pack is this folder's pack), listed in the\n"
    "                   trusted comment (mirror:<URL>); repeatable, tried in the order given.\n"
    "                   Needs --sign\n"
    "\n"
    "Exit status: 0 all files written, 1 some files left out, 2 usage or set-up error.\n";

struct TArguments {
    bool Scripts = false;
    bool NoPack = false;
    QString KeyFile;
    QString Folder;
    std::optional<qint64> Sequence;
    std::optional<qint64> ExpiresDays;
    QStringList Previous;
    QStringList Folders;
    QStringList Mirrors;
};

// The options and the two folders; nullopt with *Error for anything else.
std::optional<TArguments> ParseArguments(QStringList Arguments, QString *Error)
{
    TArguments parsed;
    while (!Arguments.isEmpty()) {
        const QString argument = Arguments.takeFirst();
        if (argument == QLatin1String("--scripts")) {
            parsed.Scripts = true;
            continue;
        }
        if (argument == QLatin1String("--no-pack")) {
            parsed.NoPack = true;
            continue;
        }
        if (argument != QLatin1String("--sign") && argument != QLatin1String("--sequence")
            && argument != QLatin1String("--expires") && argument != QLatin1String("--folder")
            && argument != QLatin1String("--previous") && argument != QLatin1String("--mirror")) {
            parsed.Folders.append(argument);
            continue;
        }
        if (Arguments.isEmpty()) {
            *Error = argument + QStringLiteral(" needs a value");
            return std::nullopt;
        }
        const QString value = Arguments.takeFirst();
        bool number = false;
        const qint64 count = value.toLongLong(&number);
        if (argument == QLatin1String("--mirror")) {
            if (!IsMirrorUrl(value)) {
                *Error = QStringLiteral("--mirror: not an http:// or https:// URL: ") + value;
                return std::nullopt;
            }
            parsed.Mirrors.append(value);
        } else if (argument == QLatin1String("--sign"))
            parsed.KeyFile = value;
        else if (argument == QLatin1String("--folder"))
            parsed.Folder = value;
        else if (argument == QLatin1String("--previous"))
            parsed.Previous.append(value);
        else if (!number || count < (argument == QLatin1String("--sequence") ? 0 : 1)) {
            *Error = argument + QStringLiteral(": not a number: ") + value;
            return std::nullopt;
        } else if (argument == QLatin1String("--sequence"))
            parsed.Sequence = count;
        else
            parsed.ExpiresDays = count;
    }
    if (parsed.Folders.size() != 2) {
        *Error = QStringLiteral("two folders are needed");
        return std::nullopt;
    }
    if (!parsed.Mirrors.isEmpty() && parsed.KeyFile.isEmpty()) {
        *Error = QStringLiteral("--mirror needs --sign: the mirrors are listed in the signature");
        return std::nullopt;
    }
    // A signature must not let the manifest pass for another folder of the server.
    if (!parsed.KeyFile.isEmpty() && NormalServerFolder(parsed.Folder).isEmpty()) {
        *Error = QStringLiteral("--sign needs --folder: a signed manifest names the server folder it is published for");
        return std::nullopt;
    }
    // Patches are taken only from a signed publication, and scripts are never patched.
    if (!parsed.Previous.isEmpty() && (parsed.KeyFile.isEmpty() || parsed.Scripts)) {
        *Error = QStringLiteral("--previous needs --sign and a program tree");
        return std::nullopt;
    }
    return parsed;
}

// The first line of standard input, after a prompt on a terminal.
QByteArray ReadPassword()
{
    if (IsTerminal(stdin))
        std::fputs("Password for the secret key: ", stderr);
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return QByteArray();
    QByteArray line = input.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << kUsage;
        return kAllWritten;
    }
    QString error;
    const std::optional<TArguments> parsed = ParseArguments(arguments, &error);
    if (!parsed) {
        err << "ornpack: " << error << "\n" << kUsage;
        return kUsageError;
    }
    const QString source = parsed->Folders.at(0);
    const QString output = parsed->Folders.at(1);
    const QStringList inputs = QStringList(parsed->Previous) << source;
    for (const QString &folder : inputs) {
        if (!QFileInfo(folder).isDir()) {
            err << "ornpack: not a folder: " << folder << "\n";
            return kUsageError;
        }
    }

    const QDateTime now = QDateTime::currentDateTimeUtc();
    TPublicationOptions publication;
    publication.Now = now;
    publication.Pack = !parsed->NoPack;
    publication.Mirrors = parsed->Mirrors;
    publication.Sequence = parsed->Sequence.value_or(now.toSecsSinceEpoch());
    if (!parsed->Folder.isEmpty())
        publication.Folder = NormalServerFolder(parsed->Folder);
    if (parsed->ExpiresDays)
        publication.Expires = now.addSecs(*parsed->ExpiresDays * 86400);
    if (!parsed->KeyFile.isEmpty()) {
        QFile keyFile(parsed->KeyFile);
        if (!keyFile.open(QIODevice::ReadOnly)) {
            err << "ornpack: cannot read the key " << parsed->KeyFile << ": " << keyFile.errorString() << "\n";
            return kUsageError;
        }
        const TSecretKeyRead key = ReadMinisignSecretKey(keyFile.readAll(), ReadPassword);
        if (!key.Key) {
            err << "ornpack: " << parsed->KeyFile << ": " << key.Error << "\n";
            return kUsageError;
        }
        publication.SignWith = key.Key;
    }

    if (!QDir().mkpath(output)) {
        err << "ornpack: cannot create " << output << "\n";
        return kUsageError;
    }
    const QString removal = RemoveOldPatches(output);
    if (!removal.isEmpty()) {
        err << "ornpack: " << removal << "\n";
        return kUsageError;
    }
    TPackReport report;
    TPatchReport patches;
    if (parsed->Scripts) {
        report = CopyScripts(source, output);
    } else {
        const QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7z"));
        if (sevenZip.isEmpty()) {
            err << "ornpack: the 7z program is not on PATH\n";
            return kUsageError;
        }
        report = PackTree(source, output, sevenZip);
        patches = WritePatches(source, parsed->Previous, output, report);
        report.Written += patches.Written;
        report.Problems += patches.Problems;
    }
    for (const TPatchEntry &patch : std::as_const(patches.Entries))
        publication.PackedPatches.append(patch.Patch);
    TPublicationReport published = WritePublication(output, publication);
    report.Problems += published.Problems;
    if (published.Error.isEmpty() && !parsed->Previous.isEmpty())
        published.Error = WritePatchListFiles(output, patches.Entries, publication, published.PackBytes);

    for (const QString &written : report.Written)
        out << written << "\n";
    for (const QString &problem : report.Problems)
        err << "ornpack: " << problem << "\n";
    if (!published.Error.isEmpty()) {
        err << "ornpack: " << published.Error << "\n";
        return kUsageError;
    }
    return report.Problems.isEmpty() ? kAllWritten : kSomeLeftOut;
}
