#include "app/LanguageSettings.h"

#include "base/RaisedError.h"
#include "support/ClassLanguage.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

// The value as text, or a null QString when it is missing.
QString textValue(const QSettings &settings, const QString &name)
{
    if (!settings.contains(name))
        return QString();
    const QVariant value = settings.value(name);
    if (value.typeId() != QMetaType::QString)
        throw RaisedError(QStringLiteral("Invalid data type for '%1'").arg(name));
    const QString text = value.toString();
    return text.isNull() ? QStringLiteral("") : text;
}

}  // namespace

LanguageSettings ReadLanguageSettings()
{
    QSettings settings(QStringLiteral("Pelmarotex"), QStringLiteral("ORN"));
#ifndef Q_OS_WIN
    // The organisation's key exists after a start, as the registry key does on Windows.
    QDir().mkpath(QFileInfo(settings.fileName()).absolutePath());
#endif

    LanguageSettings result;
    bool isNumber = false;
    const int code = textValue(settings, QStringLiteral("LangI")).toInt(&isNumber, 10);
    if (isNumber)
        result.LangI = code;
    const QString name = textValue(settings, QStringLiteral("LangS"));
    if (!name.isNull())
        result.LangS = name;
    return result;
}

void CreateLanguage(const QString &currentdir, TClassLanguage *&tL)
{
    const LanguageSettings language = ReadLanguageSettings();
    tL = new TClassLanguage();
    tL->setProperty("LngCodeReturn", language.LangI);
    tL->setProperty("LngNameReturn", language.LangS);
    tL->setProperty("LangFileName", currentdir + QStringLiteral("/orn.txt"));
    tL->LoadLangList();
}
