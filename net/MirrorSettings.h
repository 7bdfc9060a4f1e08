#pragma once
// Which HTTP(S) mirrors stage 2 asks for a signed release's pack. A mirror is a copy of the
// update server's tree at a base URL: base + server folder + ornupdate.pack is that folder's
// pack. It is untrusted transport: every byte it gives is checked against the signed SHA-256.
#include <QString>
#include <QStringList>

// The mirrors to try, in order: ORN_MIRRORS of the environment when it is set (base URLs
// separated by blanks or ";"; set and empty: none), else signed (a signed manifest's list)
// followed by those the build fixes (CMake ORN_MIRRORS), each once.
QStringList MirrorsToTry(const QStringList &signed_);

// The URL of the pack of serverFolder (e.g. "/prog/") on the mirror at base.
QString MirrorPackUrl(const QString &base, const QString &serverFolder, const QString &packName);
