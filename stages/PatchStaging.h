#pragma once
// Staging a file from a fetched patch, as an archive's file is staged: the patch is checked
// against its list entry, applied to the installed file into a new staging folder beside the
// target, and the result checked against the listed size and SHA-256. The installed file is only
// read; the patch file is removed whatever happens.
#include "install/ArchiveInstall.h"
#include "release/PatchList.h"

#include <QString>

struct TPatchStaging {
    TStagedFile Staged;  // Installed with its staging folder, when the result is the listed file
    QString Failure;     // why not: a marked language key or an English text; empty on success
};

// Stages FileName in LocalFolder (ending in "/") from the patch fetched to LocalFolder +
// PatchName and the installed file at InstalledPath, as Entry lists them. Safe to run on several
// threads at once, after the staging folders of LocalFolder were swept.
TPatchStaging StagePatch(const QString &LocalFolder, const QString &PatchName, const QString &InstalledPath,
                         const QString &FileName, const TPatchEntry &Entry);
