#pragma once
// Another program's settings, read only: QSettings' native store (the registry on Windows, a
// file of the user's configuration folder elsewhere).
#include <QString>
#include <QVariant>

// The value Name of the settings of Application, which belong to Organisation; an invalid
// QVariant when it is missing. The organisation's key (on POSIX systems its folder) is created
// when it does not exist; the application's own key is never created.
QVariant ReadProgramSetting(const QString &Organisation, const QString &Application, const QString &Name);
