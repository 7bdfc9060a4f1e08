#pragma once
// Publishing a folder of database scripts: the scripts are copied as they are, with their dates.
#include "PackTree.h"

#include <QString>

// Copies every *.sql file directly inside ScriptsFolder into OutputFolder (replacing a file of
// the same name) and gives it the source's modification time. Other files, sub-folders and
// names the updater would not fetch are reported and left out.
TPackReport CopyScripts(const QString &ScriptsFolder, const QString &OutputFolder);
