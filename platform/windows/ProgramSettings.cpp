#include "platform/ProgramSettings.h"

#include <QSettings>

QVariant ReadProgramSetting(const QString &Organisation, const QString &Application, const QString &Name)
{
    // Opened at the organisation's key, which is created when missing; the application's key
    // below it is only read (settings opened at that key would create it).
    QSettings organisation(QStringLiteral("HKEY_CURRENT_USER\\Software\\") + Organisation, QSettings::NativeFormat);
    const QString key = Application + QLatin1Char('/') + Name;
    return organisation.contains(key) ? organisation.value(key) : QVariant();
}
