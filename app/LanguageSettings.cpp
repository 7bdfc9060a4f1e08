#include "app/LanguageSettings.h"

#include "base/RaisedError.h"
#include "platform/ProgramSettings.h"
#include "support/ClassLanguage.h"

#include <QDir>

namespace {

// The value of ORN's settings as text, or a null QString when it is missing.
QString textValue(const QString &name)
{
    const QVariant value = ReadProgramSetting(QStringLiteral("Pelmarotex"), QStringLiteral("ORN"), name);
    if (!value.isValid())
        return QString();
    if (value.typeId() != QMetaType::QString)
        throw RaisedError(QStringLiteral("Invalid data type for '%1'").arg(name));
    const QString text = value.toString();
    return text.isNull() ? QStringLiteral("") : text;
}

}  // namespace

LanguageSettings ReadLanguageSettings()
{
    LanguageSettings result;
    bool isNumber = false;
    const int code = textValue(QStringLiteral("LangI")).toInt(&isNumber, 10);
    if (isNumber)
        result.LangI = code;
    const QString name = textValue(QStringLiteral("LangS"));
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
    tL->setProperty("LangFileName", QDir::toNativeSeparators(QDir(currentdir).filePath(QStringLiteral("orn.txt"))));
    tL->LoadLangList();
}
