#include "platform/ProgramSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

QVariant ReadProgramSetting(const QString &Organisation, const QString &Application, const QString &Name)
{
    QSettings settings(Organisation, Application);
    // The organisation's folder exists after a start, as its registry key does on Windows.
    QDir().mkpath(QFileInfo(settings.fileName()).absolutePath());
    return settings.contains(Name) ? settings.value(Name) : QVariant();
}
