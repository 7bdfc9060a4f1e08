#pragma once
// The name of a published server folder in the one form that the manifest, the trust check and
// the sequence record compare: ftp.ini may write the same folder as "/prog", "/prog/" or "/prog//".
#include <QString>

// Folder with "\" read as "/", empty and "." parts dropped, and one "/" after every part; a
// folder from the server's root keeps its leading "/" ("/prog//" and "/prog" give "/prog/",
// "\prog\bin" gives "/prog/bin/", the root is "/"). ".." parts stay as written: only the
// server knows where they lead.
QString NormalServerFolder(const QString &Folder);
